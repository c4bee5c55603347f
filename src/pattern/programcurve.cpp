// Walking a program for its curve, and the curve's scales.
#include "programcurve.h"

#include <algorithm>

namespace vrx {

namespace {

// The program as the controller runs it, every value safe to index with.
struct RunnableProgram {
    explicit RunnableProgram(const PatternProgram& program) : source(program) {}
    int MaxStep(int p) const { return std::clamp(source.PatternMaxStep[p], 0, PatternSteps - 1); }
    int Runs(int p) const { return std::clamp(source.PatternLoop[p], 0, 99) + 1; }
    int Link(int p) const {
        const int link = source.PatternLink[p];
        return link >= 0 && link < Patterns ? link : ProgEnd;
    }
    int Minutes(int p, int s) const { return std::clamp(source.PatternTime[p][s], 0, 900); }
    int SetValue(int p, int s) const { return source.PatternSV[p][s]; }

    const PatternProgram& source;
};

bool IsPattern(int p) {
    return p >= 0 && p < Patterns;
}

// Values to pixels: divided when the span is larger than the room, else multiplied.
class Scale {
public:
    Scale(qint64 span, qint64 room)
        : divide_(span > room), factor_(divide_ ? (span + room - 1) / room : room / span) {}
    qint64 operator()(qint64 value) const { return divide_ ? value / factor_ : value * factor_; }

private:
    bool divide_;
    qint64 factor_;
};

} // namespace

quint32 CurvePenRgb(CurvePen pen) {
    switch (pen) {
    case CurvePen::Green:
        return 0x008000;
    case CurvePen::Blue:
        return 0x0000FF;
    case CurvePen::Navy:
        return 0x000080;
    case CurvePen::Olive:
        return 0x808000;
    }
    return 0;
}

QSize ProgCurveSize(int screenWidth) {
    return {screenWidth * 560 / 800, screenWidth * 95 / 800};
}

std::optional<CurveWalk> WalkProgram(const PatternProgram& program) {
    if (!IsPattern(program.StartPattern)) return std::nullopt;
    const RunnableProgram run(program);
    CurveWalk walk;
    walk.lowest = walk.highest = run.SetValue(program.StartPattern, 0);
    std::array<bool, Patterns> visited{};
    for (int p = program.StartPattern;;) {
        visited[p] = true;
        qint64 minutes = 0;
        for (int s = 0; s <= run.MaxStep(p); ++s) {
            walk.lowest = std::min(walk.lowest, run.SetValue(p, s));
            walk.highest = std::max(walk.highest, run.SetValue(p, s));
            minutes += run.Minutes(p, s);
        }
        walk.totalMinutes += minutes * run.Runs(p);
        const int next = run.Link(p);
        if (next == ProgEnd || visited[next]) {
            walk.endMark = next;
            return walk;
        }
        p = next;
    }
}

ProgramCurve DrawProgramCurve(const PatternProgram& program, QSize size) {
    ProgramCurve curve;
    curve.size = size;
    const std::optional<CurveWalk> walk = WalkProgram(program);
    if (!walk || walk->totalMinutes == 0) return curve;
    curve.drawn = true;

    const RunnableProgram run(program);
    const qint64 width = std::max(size.width(), 1);
    const Scale vertical(std::max<qint64>(qint64(walk->highest) - walk->lowest, 1),
                         std::max(size.height() - 5, 1));
    const Scale horizontal(walk->totalMinutes, width);
    const auto y = [&](int tenths) { return int(vertical(qint64(walk->highest) - tenths) + 2); };
    const auto x = [&](qint64 minutes) { return horizontal(minutes); };

    CurvePen pen = program.StartPattern == walk->endMark ? CurvePen::Blue : CurvePen::Green;
    QPoint at(0, y(run.SetValue(program.StartPattern, 0)));
    const auto lineTo = [&](QPoint to) {
        if (to != at) curve.lines.append({pen, at, to});
        at = to;
    };

    std::array<bool, Patterns> visited{};
    qint64 t = 0;
    // The time at which the cycle was last entered: a pass that adds none would repeat
    // forever without reaching the right edge.
    qint64 cycleEntered = program.StartPattern == walk->endMark ? 0 : -1;
    int p = program.StartPattern;
    do {
        visited[p] = true;
        for (int r = 0; r < run.Runs(p); ++r) {
            const qint64 runStart = t;
            for (int s = 0; s <= run.MaxStep(p); ++s) {
                t += run.Minutes(p, s);
                lineTo(QPoint(int(x(t)), y(run.SetValue(p, s))));
            }
            // Further runs of this pattern lie beyond the right edge, or (after a second run
            // that took no time) on the lines just drawn; either way they end at the same
            // height.
            if (x(t) >= width || (r > 0 && t == runStart)) break;
        }
        const int next = run.Link(p);
        if (next != ProgEnd && visited[next])
            pen = CurvePen::Navy;
        else if (next == walk->endMark)
            pen = CurvePen::Blue;
        p = next;
        if (p == walk->endMark && p != ProgEnd) {
            if (t == cycleEntered) break;
            cycleEntered = t;
        }
    } while (x(t) < width && p != ProgEnd);

    if (p == ProgEnd) {
        pen = CurvePen::Olive;
        lineTo(QPoint(int(width) - 2, at.y()));
    }
    return curve;
}

} // namespace vrx
