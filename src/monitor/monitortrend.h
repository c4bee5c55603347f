// The Monitor's trend chart as arithmetic: its lengths on the screen, the scale a value range
// takes, where samples fall, the grid, the labels, and which points a full drawing and one new
// sample put on the chart. Pure functions; the painter turns them into pixels. These are the
// Monitor's rules; what it shares with the Recorder's chart is in chartscale.h.
#pragma once

#include "chartscale.h"

#include <QList>
#include <QString>

#include <span>

namespace vrx {

// Positions of the history ring; one more position is used while the ring wraps.
inline constexpr int TrendPositions = 720;
// Samples that get a dotted marker with their value: one a minute.
inline constexpr int TrendMarkerEvery = 60;

// The chart's lengths in pixels for one screen width (the design is 800 pixels wide).
struct TrendGeometry {
    int screenWidth = 800;
    int W = 785;  // image width
    int H = 240;  // image height
    int X0 = 50;  // left edge of the plot
    int X1 = 770; // right edge of the plot
    int Y1 = 200; // bottom line of the plot

    static TrendGeometry For(int screenWidth);
    // A design length in pixels, truncated toward zero; far-off values are held to a range any
    // painter takes.
    int Scaled(qint64 design) const;
    friend bool operator==(const TrendGeometry&, const TrendGeometry&) = default;
};

// The vertical scale of a full drawing, the charts' shared ChartScale: its factor is the design's
// TrendScale, divides its ScaleDivides, and its base, TrendBase, lies just below the bottom line.
using TrendScaleChoice = ChartScale;

// The scale that puts the range TrendMin..TrendMax around the middle of the plot.
TrendScaleChoice ChooseTrendScale(int trendMax, int trendMin);
// Spacing of the grid lines, in tenths.
int TrendGridStep(const TrendScaleChoice& scale);
// The design line of a value (201 at TrendBase, fewer further up).
qint64 TrendDesignLine(int value, const TrendScaleChoice& scale);
// A new sample on this line is off the band the incremental drawing keeps: the chart is redrawn
// on a new scale instead.
constexpr bool LeavesTrendBand(qint64 designLine) {
    return designLine > 185 || designLine <= 1;
}

struct TrendGridLine {
    int value; // tenths
    qint64 designLine;
    friend bool operator==(const TrendGridLine&, const TrendGridLine&) = default;
};
// The grid lines from the first step above TrendBase upwards, while they lie on the plot.
QList<TrendGridLine> TrendGrid(const TrendScaleChoice& scale);

// A grid line's label: whole degrees ("25.0", "-5.0"). A sample's label is its TenthsText.
QString TrendGridText(int value);

// The selected station's history as the chart reads it.
struct TrendSamples {
    std::span<const int> history; // TrendPositions + 1 values, tenths
    int index = 0;                // TrendIndex: the position of the sample just taken
    bool wrapped = false;         // TrendWrapped
    int max = 0;                  // TrendMax
    int min = 0;                  // TrendMin
    std::span<const int> sv;      // the set values beside the history; empty: no SV line
};

// The history position of the oldest sample on the chart. Past a wrap it is the position after
// the newest one, which is 0 again when the newest one sits at the end of the ring.
int TrendStartOf(const TrendSamples& samples);

// One point of the curve in pixels.
struct TrendPoint {
    int x = 0;
    int row = 0;
    int value = 0;
    bool marker = false; // a minute marker: dotted line and value label
    friend bool operator==(const TrendPoint&, const TrendPoint&) = default;
};

// The points of a full drawing, oldest first: one per sample on the chart, at X0 plus its
// column (1 to 720) scaled.
QList<TrendPoint> TrendPlot(const TrendSamples& samples, const TrendScaleChoice& scale,
                            const TrendGeometry& geometry);

// Samples on the chart, oldest first: k = 0 .. SampleCountOf - 1. The ring position of sample k.
int SampleCountOf(const TrendSamples& samples);
int RingPositionOf(const TrendSamples& samples, int k);

// The newest sample drawn onto a chart already there.
struct TrendStep {
    bool redraw = false; // off the band: redraw the chart in full instead
    int scroll = 0;      // pixels the plot moves left first (once the history has wrapped)
    TrendPoint point;
};
TrendStep NextTrendStep(const TrendSamples& samples, const TrendScaleChoice& scale,
                        const TrendGeometry& geometry);

} // namespace vrx
