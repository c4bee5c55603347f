// Choosing the family that draws the Chinese texts.
#include "chinesefont.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

#include <algorithm>

namespace vrx {

QFont WithChineseFamily(QFont font) {
    const QStringList chinese = QFontDatabase::families(QFontDatabase::TraditionalChinese);
    if (chinese.isEmpty()) return font;
    // The family the font resolves to stands first, not its name: a name that is an alias
    // ("Sans Serif") is no family of the database, and the added one would draw every character.
    const QString own = QFontInfo(font).family();
    if (chinese.contains(own, Qt::CaseInsensitive)) return font;
    QStringList families{own};
    // A family made for Traditional Chinese ("Noto Sans CJK TC") draws the characters in the
    // shapes its readers expect; the simplified or Japanese forms of a pan-CJK family differ.
    const auto traditional = std::find_if(chinese.begin(), chinese.end(), [](const QString& f) {
        return f.endsWith(QLatin1String(" TC")) || f.contains(QLatin1String(" TC "));
    });
    families << (traditional != chinese.end() ? *traditional : chinese.first());
    font.setFamilies(families);
    return font;
}

} // namespace vrx
