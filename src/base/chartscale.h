// What the two charts' arithmetic shares, the Monitor's trend chart (monitortrend.h) and the
// Recorder's chart (chartgeometry.h): both are drawn in design units for an 800-pixel-wide
// screen and scaled to the screen they are on, both place a value on a vertical scale that
// multiplies or divides its offset above a base value, and both label values in tenths alike.
// Each chart keeps its own rules on top: its lengths, base line, scale search and grid.
#pragma once

#include "screenwidth.h"

#include <QString>
#include <QtGlobal>

namespace vrx {

// A design length in pixels for a screen width, truncated toward zero.
constexpr qint64 ScaledToScreen(qint64 design, int screenWidth) {
    return design * screenWidth / DesignWidth;
}

// A vertical scale: `factor` tenths per design line when it divides, `factor` design lines per
// tenth when it multiplies.
struct ChartScale {
    int factor = 10;
    bool divides = false;
    qint32 base = 0; // the value drawn on the chart's base line
    friend bool operator==(const ChartScale&, const ChartScale&) = default;
};

// The design line of a value: the scale's base lies on `baseLine`, and a value further up lies on
// a smaller line; the division truncates toward zero.
constexpr qint64 ScaleDesignLine(qint64 value, const ChartScale& scale, qint64 baseLine) {
    const qint64 above = value - scale.base;
    return baseLine - (scale.divides ? above / scale.factor : above * scale.factor);
}

// Tenths as a signed number with one decimal: "25.3", "-0.5", "-1.5".
QString TenthsText(qint32 tenths);

} // namespace vrx
