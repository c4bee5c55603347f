// The temperature profile of a ramp/soak program as lines to draw on ProgCurve: pure
// geometry, no painting.
#pragma once

#include "patternprogram.h"

#include <QList>
#include <QPoint>
#include <QSize>

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
    int endMark = ProgEnd; // the pattern the program loops back to, or ProgEnd
};
// Nothing when the start pattern is none of 0-7.
std::optional<CurveWalk> WalkProgram(const PatternProgram& program);

// The image is framed black, filled white, and the lines drawn over it with a pen of width 2.
// Nothing is drawn (`drawn` false) for a program that takes no time or has no start pattern.
struct ProgramCurve {
    bool drawn = false;
    QSize size;
    QList<CurveLine> lines;
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

} // namespace vrx
