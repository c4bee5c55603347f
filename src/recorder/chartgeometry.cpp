// The chart's geometry, scale search, grid and texts.
#include "chartgeometry.h"

#include <QLocale>

namespace vrx {

namespace {
constexpr int UsableBand = PlotHeight - ScaleMargin; // 360
} // namespace

ChartGeometry ChartGeometry::For(int screenWidth) {
    ChartGeometry g;
    g.screenWidth = screenWidth;
    g.ChartLeft = g.Scaled(50);
    g.ChartRight = g.Scaled(650);
    g.ChartTop = 0;
    g.ChartBottom = g.Scaled(402);
    g.ImageHeight = g.Scaled(450);
    return g;
}

ChartScale ChooseScale(const WindowRange& window) {
    const qint64 range = qint64(window.max) - window.min;
    ChartScale scale;
    if (range < UsableBand) {
        scale.factor = 10;
        while (range * scale.factor > UsableBand)
            --scale.factor;
        scale.divides = false;
    } else {
        // One step at a time: 16-bit values keep this below 200 steps.
        scale.factor = 1;
        while (range / scale.factor > UsableBand)
            ++scale.factor;
        scale.divides = true;
    }
    const qint64 mid = range / 2 + window.min;
    const qint64 half = PlotHeight / 2;
    scale.base = qint32(scale.divides ? mid - half * scale.factor : mid - half / scale.factor);
    return scale;
}

QString RateText(const ChartScale& scale) {
    return scale.divides ? QStringLiteral("%1 : 1").arg(scale.factor)
                         : QStringLiteral("1 : %1").arg(scale.factor);
}

int GridStep(const ChartScale& scale) {
    if (!scale.divides) return 50;
    if (scale.factor <= 3) return 100;
    if (scale.factor <= 14) return 500;
    return 1000;
}

qint64 DesignHeight(qint32 value, const ChartScale& scale) {
    // Division truncates toward zero, as the design rule has it.
    return ScaleDesignLine(value, scale, PlotHeight + 1);
}

bool LeavesBand(qint64 designHeight) {
    return designHeight > PlotHeight - BandBottomMargin || designHeight <= 1;
}

QList<GridLine> GridLines(const ChartGeometry& geometry, const ChartScale& scale) {
    const qint64 step = GridStep(scale);
    // The largest multiple of the step not above the base (rounded down for negatives).
    qint64 g = scale.base >= 0 ? scale.base / step * step
                               : -((-qint64(scale.base) + step - 1) / step) * step;
    QList<GridLine> lines;
    for (;;) {
        g += step;
        const int y = geometry.PixelY(DesignHeight(qint32(g), scale));
        if (y <= 0) break;
        lines.append({qint32(g), y});
    }
    return lines;
}

WindowRange FindWindowRange(const SampleStore& samples, const UsedPositions& used, int start,
                            int count) {
    WindowRange range;
    bool seeded = false;
    for (int j = start; j < start + count && j < StoreColumns; ++j) {
        for (int p = 0; p < DevicePositions; ++p) {
            if (!used[std::size_t(p)]) continue;
            const qint32 v = samples.At(p, j);
            if (v == MissingSample) continue;
            if (!seeded) {
                range = {v, v};
                seeded = true;
            }
            range.max = qMax(range.max, v);
            range.min = qMin(range.min, v);
        }
    }
    return range;
}

QString LongTimeText(QTime time) {
    // The long format may end in a time zone, which a time of day on a chart does not need.
    QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return QLocale::system().toString(time, format.trimmed());
}

} // namespace vrx
