// The span of a series a chart's plot shows, zoomed by the mouse wheel about the point under the
// mouse and moved by dragging: the arithmetic both charts share, with no widget in it.
#pragma once

namespace vrx {

// The part of a series shown across a plot, in the series' own points (records, samples).
struct ChartSpan {
    double first = 0; // the point at the plot's left edge
    double count = 0; // points across the plot
    friend bool operator==(const ChartSpan&, const ChartSpan&) = default;
};

// Each wheel step (one notch) shows this share of the span before.
inline constexpr double ZoomStep = 0.8;

// Zooms by `steps` notches (positive: closer) keeping the point at `anchor` (0 = left edge,
// 1 = right edge) where it is; the span stays within minCount .. total points and inside the
// series.
ChartSpan ZoomSpan(const ChartSpan& span, double anchor, double steps, double minCount,
                   double total);
// Moves the span by `points` (positive: later), stopping at the series' ends.
ChartSpan PanSpan(const ChartSpan& span, double points, double total);

} // namespace vrx
