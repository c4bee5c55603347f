// A chart saved as a picture, read back: the chart's own pixels on top, and below them a legend
// strip with a swatch of each trace's colour.
#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QString>

namespace vrx::test {

// Whether row y of `image`, from x on, holds `length` pixels of `colour` side by side. A
// swatch does; the smoothed edges of text in another colour do not.
inline bool HasRun(const QImage& image, QColor colour, int length, int top = 0) {
    const QRgb wanted = colour.rgb();
    for (int y = top; y < image.height(); ++y) {
        int run = 0;
        for (int x = 0; x < image.width(); ++x) {
            run = image.pixel(x, y) == wanted ? run + 1 : 0;
            if (run >= length) return true;
        }
    }
    return false;
}

// What is wrong with `saved` as the picture of `chart` whose legend shows `colours` and none
// of `absent`; empty when nothing is.
inline QString SavedChartFault(const QImage& saved, const QImage& chart,
                               const QList<QColor>& colours, const QList<QColor>& absent = {}) {
    // Shorter than the swatches, longer than any stroke of the legend's text.
    constexpr int SwatchRun = 12;
    const QImage picture = saved.convertToFormat(QImage::Format_RGB32);
    const QImage own = chart.convertToFormat(QImage::Format_RGB32);
    if (picture.isNull()) return QStringLiteral("no picture was saved");
    if (picture.width() != own.width() || picture.height() <= own.height())
        return QStringLiteral("the picture is %1x%2 for a chart of %3x%4: no strip below it")
            .arg(picture.width())
            .arg(picture.height())
            .arg(own.width())
            .arg(own.height());
    if (picture.copy(0, 0, own.width(), own.height()) != own)
        return QStringLiteral("the chart's part of the picture is not the chart");
    const QImage strip =
        picture.copy(0, own.height(), own.width(), picture.height() - own.height());
    for (const QColor& colour : colours)
        if (!HasRun(strip, colour, SwatchRun))
            return QStringLiteral("the legend has no swatch of %1").arg(colour.name());
    for (const QColor& colour : absent)
        if (HasRun(strip, colour, SwatchRun))
            return QStringLiteral("the legend has a swatch of %1").arg(colour.name());
    return {};
}

} // namespace vrx::test
