// The temperature profile of a ramp/soak program as lines to draw on ProgCurve: pure
// geometry, no painting.
#pragma once

#include "patternprogram.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>

namespace vrx {

// The lead-in is green, the first pass of a repeating cycle blue, its repetitions navy, and
// the hold after "Prog End" olive.
enum class CurvePen { Green, Blue, Navy, Olive };
// The pen's colour as 0xRRGGBB.
quint32 CurvePenRgb(CurvePen pen);

struct CurveLine {
    CurvePen pen;
    QPoint from;
    QPoint to;
    friend bool operator==(const CurveLine&, const CurveLine&) = default;
};

// One walk through the program from its start pattern until it ends or comes back to a
// pattern already run.
struct CurveWalk {
    qint64 totalMinutes = 0; // every pattern's steps times its runs
    int lowest = 0;          // set values of the steps run, in tenths
    int highest = 0;
    int endMark = ProgEnd;   // the pattern the program loops back to, or ProgEnd
    qint64 cycleMinutes = 0; // one pass of the patterns from endMark on; 0 for ProgEnd
};
// Nothing when the start pattern is none of 0-7.
std::optional<CurveWalk> WalkProgram(const PatternProgram& program);

// The time a curve with axes spans: the program's, and after it room for what the curve goes on
// to draw, a whole repetition of its cycle or the hold after its end (a fifth of the program's
// time at least), so that neither shrinks to what the scale's rounding happens to leave.
qint64 ShownMinutes(const CurveWalk& walk);

// A text beside an axis: `tick` is where it marks the axis (x on the time axis, y on the
// temperature axis), `box` where its text is written.
struct AxisLabel {
    int tick = 0;
    QString text;
    QRect box;
    friend bool operator==(const AxisLabel&, const AxisLabel&) = default;
};

// The image is framed black, filled white, and the lines drawn over it with a pen of width 2.
// Nothing is drawn (`drawn` false) for a program that takes no time or has no start pattern.
// With axes, the lines lie in `plot` and the labels around it, none over a line: the
// temperatures at the left with their unit below them, the times below with their unit at the
// right end.
struct ProgramCurve {
    bool drawn = false;
    QSize size;
    QRect plot;
    int tickLength = 0; // 0: no axes
    QList<CurveLine> lines;
    QList<AxisLabel> timeLabels;
    QList<AxisLabel> temperatureLabels;
    AxisLabel timeUnit;        // no tick
    AxisLabel temperatureUnit; // no tick; empty text when the unit is not known
    friend bool operator==(const ProgramCurve&, const ProgramCurve&) = default;
};

// How the image writes the axes' texts: the width of a text and the height of a line in
// pixels, and the unit of the set values ("°C", "°F", or empty when not known).
struct AxisText {
    std::function<int(const QString&)> width;
    int height = 0;
    QString temperatureUnit;
};

// The size of ProgCurve for a display ScreenWidth pixels wide.
QSize ProgCurveSize(int screenWidth);

// The profile from the start pattern: each step ramps from the previous point to its set
// value at the end of its time (the very first step starts at its own set value, so it is
// flat). A cycle of patterns is drawn again until the right edge; a cycle that takes no time
// is drawn once. The values are taken as the controller runs them: steps above 7 and links
// outside 0-8 do not exist (a link outside ends the program), loop counts are 0 to 99 and step
// times 0 to 15 hours.
ProgramCurve DrawProgramCurve(const PatternProgram& program, QSize size);
// The same with the field's width standing for `minutes` (never less than the program's time).
ProgramCurve DrawProgramCurve(const PatternProgram& program, QSize size, qint64 minutes);

// The same curve with a time and a temperature axis in the image of that size: the lines in
// the room the labels leave, over ShownMinutes, ticks at round values (minutes or hours, whole
// degrees or tenths) as close as the labels' size allows.
ProgramCurve DrawProgramCurve(const PatternProgram& program, QSize size, const AxisText& text);

} // namespace vrx
