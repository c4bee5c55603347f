// The trend chart's geometry and scale as pure functions: where columns and values fall on the
// image, which scale a range takes, the grid, and the texts of scales and times. These are the
// Recorder's rules; what it shares with the Monitor's trend chart (the value text among them) is
// in chartscale.h.
#pragma once

#include "chartscale.h"
#include "samplestore.h"

#include <QList>
#include <QString>
#include <QTime>

namespace vrx {

// Height of the plot band in design units; values are placed in design units, then scaled.
inline constexpr int PlotHeight = 400;
// The band keeps this margin at the bottom; a point nearer to it (or at the top) forces a redraw.
inline constexpr int BandBottomMargin = 20;
// The range is fitted into the band less this margin.
inline constexpr int ScaleMargin = 40;
// Time ticks and value labels every so many columns.
inline constexpr int TickColumns = 50;

// The chart's lengths in pixels for one ScreenWidth (the design is 800 pixels wide).
struct ChartGeometry {
    int screenWidth = 800;
    int ChartLeft = 50;
    int ChartRight = 650;
    int ChartTop = 0;
    int ChartBottom = 402;
    int ImageHeight = 450;

    static ChartGeometry For(int screenWidth);
    // A design length in pixels, truncated.
    int Scaled(int design) const { return int(ScaledToScreen(design, screenWidth)); }
    // Column j of a window in a full redraw (in Record mode the point that makes the window n
    // samples long is drawn at ColumnX(n)).
    int ColumnX(int j) const { return ChartLeft + Scaled(j); }
    // The pixel y of a design height.
    int PixelY(qint64 designHeight) const { return int(ScaledToScreen(designHeight, screenWidth)); }
    friend bool operator==(const ChartGeometry&, const ChartGeometry&) = default;
};

// The highest and lowest value of the shown positions.
struct WindowRange {
    qint32 max = 0;
    qint32 min = 0;
    friend bool operator==(const WindowRange&, const WindowRange&) = default;
};

// The scale that fits the range into the band, centred on it.
ChartScale ChooseScale(const WindowRange& range);
// "1 : 10" when multiplying, "3 : 1" when dividing.
QString RateText(const ChartScale& scale);
// Grid step in tenths.
int GridStep(const ChartScale& scale);
// Design height of a value: PlotHeight + 1 less its offset above the base.
qint64 DesignHeight(qint32 value, const ChartScale& scale);
// A point of this design height leaves the band (too near the bottom, or at the top).
bool LeavesBand(qint64 designHeight);

struct GridLine {
    qint32 value;
    int y;
    friend bool operator==(const GridLine&, const GridLine&) = default;
};
// The grid lines above the base that lie inside the image, bottom up.
QList<GridLine> GridLines(const ChartGeometry& geometry, const ChartScale& scale);

// Range over `count` columns from `start` of the used positions, skipping missing values; the
// first value found seeds it, so a 0 is never taken for "not set yet". 0, 0 when nothing shows.
WindowRange FindWindowRange(const SampleStore& samples, const UsedPositions& used, int start,
                            int count);

// A time of day in the user's long time format, without a time zone.
QString LongTimeText(QTime time);

} // namespace vrx
