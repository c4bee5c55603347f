// Zoom and pan arithmetic.
#include "chartspan.h"

#include <algorithm>
#include <cmath>

namespace vrx {

namespace {

// Keeps a span of `count` points inside 0 .. total.
ChartSpan Inside(double first, double count, double total) {
    count = std::min(count, total);
    return {std::clamp(first, 0.0, std::max(0.0, total - count)), count};
}

} // namespace

ChartSpan ZoomSpan(const ChartSpan& span, double anchor, double steps, double minCount,
                   double total) {
    anchor = std::clamp(anchor, 0.0, 1.0);
    const double count =
        std::clamp(span.count * std::pow(ZoomStep, steps), std::min(minCount, total), total);
    const double at = span.first + anchor * span.count;
    return Inside(at - anchor * count, count, total);
}

ChartSpan PanSpan(const ChartSpan& span, double points, double total) {
    return Inside(span.first + points, span.count, total);
}

} // namespace vrx
