// The trend chart's arithmetic.
#include "monitortrend.h"

#include <QtGlobal>

namespace vrx {

namespace {

// The range that fills the plot's height: 160 design lines around its middle.
constexpr int PlotSpan = 160;
constexpr int LargestFactor = 10;
// Design line of TrendBase, one below the plot's bottom line 200.
constexpr int BaseLine = 201;
// Far beyond any image: keeps a wild value from overflowing a painter's coordinates.
constexpr qint64 FarAway = 1'000'000;

} // namespace

TrendGeometry TrendGeometry::For(int screenWidth) {
    TrendGeometry g;
    g.screenWidth = screenWidth;
    g.W = g.Scaled(785);
    g.H = g.Scaled(240);
    g.X0 = g.Scaled(50);
    // Scaled in two terms, as the columns are: the last column lands exactly on it.
    g.X1 = g.Scaled(720) + g.Scaled(50);
    g.Y1 = g.Scaled(200);
    return g;
}

int TrendGeometry::Scaled(qint64 design) const {
    return int(qBound(-FarAway, ScaledToScreen(design, screenWidth), FarAway));
}

TrendScaleChoice ChooseTrendScale(int trendMax, int trendMin) {
    const qint64 range = qint64(trendMax) - trendMin;
    TrendScaleChoice scale;
    if (range >= PlotSpan) {
        // The smallest divisor that brings the range down to the span.
        scale.divides = true;
        scale.factor = int(range / (PlotSpan + 1) + 1);
    } else {
        // The largest factor up to ten that keeps it within the span.
        scale.divides = false;
        scale.factor =
            range == 0 ? LargestFactor : int(qMin<qint64>(LargestFactor, PlotSpan / range));
    }
    const qint64 middle = trendMin + range / 2;
    scale.base =
        int(scale.divides ? middle - 100 * qint64(scale.factor) : middle - 100 / scale.factor);
    return scale;
}

int TrendGridStep(const TrendScaleChoice& scale) {
    const int n = scale.factor;
    if (!scale.divides) return n <= 4 ? 50 : 10;
    if (n < 5) return 100;
    if (n < 20) return 500;
    if (n < 40) return 1000;
    return 2000;
}

qint64 TrendDesignLine(int value, const TrendScaleChoice& scale) {
    return ScaleDesignLine(value, scale, BaseLine);
}

QList<TrendGridLine> TrendGrid(const TrendScaleChoice& scale) {
    const qint64 step = TrendGridStep(scale);
    const qint64 base = scale.base;
    qint64 value = base - (((base % step) + step) % step);
    QList<TrendGridLine> lines;
    for (;;) {
        value += step;
        const qint64 line = TrendDesignLine(int(value), scale);
        // Each step lies higher on the plot; a step finer than a line would never get there.
        if (line <= 0 || (!lines.isEmpty() && line >= lines.last().designLine)) break;
        lines.append({int(value), line});
    }
    return lines;
}

QString TrendGridText(int value) {
    return QString::number(value / 10) + QStringLiteral(".0");
}

int TrendStartOf(const TrendSamples& samples) {
    if (!samples.wrapped) return 1;
    // Read from 720 on, the ring would run past its end.
    return (samples.index + 1) % TrendPositions;
}

int SampleCountOf(const TrendSamples& samples) {
    return samples.wrapped ? TrendPositions : qMin(samples.index, TrendPositions);
}

int RingPositionOf(const TrendSamples& samples, int k) {
    return (TrendStartOf(samples) + k) % TrendPositions;
}

QList<TrendPoint> TrendPlot(const TrendSamples& samples, const TrendScaleChoice& scale,
                            const TrendGeometry& geometry) {
    const int count = SampleCountOf(samples);
    QList<TrendPoint> points;
    points.reserve(count);
    int p = TrendStartOf(samples);
    for (int c = 1; c <= count && p < int(samples.history.size()); ++c) {
        const int value = samples.history[std::size_t(p)];
        points.append({geometry.X0 + geometry.Scaled(c),
                       geometry.Scaled(TrendDesignLine(value, scale)), value,
                       p % TrendMarkerEvery == 0});
        p = p + 1 == TrendPositions ? 0 : p + 1;
    }
    return points;
}

TrendStep NextTrendStep(const TrendSamples& samples, const TrendScaleChoice& scale,
                        const TrendGeometry& geometry) {
    TrendStep step;
    const int a = samples.index;
    if (a < 0 || a >= int(samples.history.size())) {
        step.redraw = true;
        return step;
    }
    const int value = samples.history[std::size_t(a)];
    const qint64 line = TrendDesignLine(value, scale);
    if (LeavesTrendBand(line)) {
        step.redraw = true;
        return step;
    }
    step.point.value = value;
    step.point.row = geometry.Scaled(line);
    step.point.marker = a % TrendMarkerEvery == 0;
    if (samples.wrapped) {
        // The width of one sample at this position: 0 to 2 pixels as the columns are scaled.
        step.scroll = geometry.Scaled(a + 1) - geometry.Scaled(a);
        step.point.x = geometry.X1;
    } else {
        step.point.x = geometry.X0 + geometry.Scaled(a);
    }
    return step;
}

} // namespace vrx
