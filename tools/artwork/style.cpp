// The font choice of the artwork tool.
#include "style.h"

#include <QStringList>

namespace artwork {

QFont Font(qreal pixelSize, int weight, bool monospace, bool condensed) {
    QFont font;
    if (monospace) {
        font.setFamilies(
            {"DejaVu Sans Mono", "Noto Sans Mono", "Liberation Mono", "Consolas", "Courier New"});
        font.setStyleHint(QFont::Monospace);
    } else {
        font.setFamilies({"DejaVu Sans", "Nimbus Sans", "Liberation Sans", "Arial", "Helvetica"});
        font.setStyleHint(QFont::SansSerif);
    }
    // Point size, not pixel size, because pixel sizes are whole numbers; every image is given
    // 96 dots per inch, where one pixel is 0.75 points.
    font.setPointSizeF(pixelSize * 0.75);
    font.setWeight(QFont::Weight(weight));
    if (condensed) font.setStretch(QFont::SemiCondensed);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

} // namespace artwork
