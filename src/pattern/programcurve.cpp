// Walking a program for its curve, the curve's scales, and its axes.
#include "programcurve.h"

#include "palette.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdlib>

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
    // Pixels per value, for spacing ticks.
    double PerValue() const { return divide_ ? 1.0 / double(factor_) : double(factor_); }

private:
    bool divide_;
    qint64 factor_;
};

// The curve's two scales in a field of the given size.
struct CurveScales {
    CurveScales(const CurveWalk& walk, QSize field, qint64 minutes)
        : vertical(std::max<qint64>(qint64(walk.highest) - walk.lowest, 1),
                   std::max(field.height() - 5, 1)),
          horizontal(std::max(minutes, qint64(1)), std::max(field.width(), 1)),
          highest(walk.highest) {}
    int Y(qint64 tenths) const { return int(vertical(highest - tenths) + 2); }
    qint64 X(qint64 minutes) const { return horizontal(minutes); }

    Scale vertical;
    Scale horizontal;
    qint64 highest;
};

} // namespace

quint32 CurvePenRgb(CurvePen pen) {
    switch (pen) {
    case CurvePen::Green:
        return palette::CurveGreen;
    case CurvePen::Blue:
        return palette::CurveBlue;
    case CurvePen::Navy:
        return palette::CurveNavy;
    case CurvePen::Olive:
        return palette::CurveOlive;
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
    // When each pattern began, to tell how long the cycle back to one of them takes.
    std::array<qint64, Patterns> began{};
    for (int p = program.StartPattern;;) {
        visited[p] = true;
        began[p] = walk.totalMinutes;
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
            if (next != ProgEnd) walk.cycleMinutes = walk.totalMinutes - began[next];
            return walk;
        }
        p = next;
    }
}

qint64 ShownMinutes(const CurveWalk& walk) {
    const qint64 least = (walk.totalMinutes + 4) / 5;
    return walk.totalMinutes + std::max(walk.cycleMinutes, least);
}

ProgramCurve DrawProgramCurve(const PatternProgram& program, QSize size) {
    return DrawProgramCurve(program, size, 0);
}

ProgramCurve DrawProgramCurve(const PatternProgram& program, QSize size, qint64 minutes) {
    ProgramCurve curve;
    curve.size = size;
    curve.plot = QRect(QPoint(0, 0), size);
    const std::optional<CurveWalk> walk = WalkProgram(program);
    if (!walk || walk->totalMinutes == 0) return curve;
    curve.drawn = true;

    const RunnableProgram run(program);
    const qint64 width = std::max(size.width(), 1);
    const CurveScales scales(*walk, size, std::max(minutes, walk->totalMinutes));
    const auto y = [&](int tenths) { return scales.Y(tenths); };
    const auto x = [&](qint64 minutes) { return scales.X(minutes); };

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

namespace {

// Round steps, smallest first: 1, 2, 5, 10, 20, 50, ... times `unit`.
qint64 RoundStep(int k, qint64 unit = 1) {
    static constexpr int mantissa[] = {1, 2, 5};
    qint64 step = unit * mantissa[k % 3];
    for (int decade = 0; decade < k / 3; ++decade)
        step *= 10;
    return step;
}

// Time steps in minutes: within the hour those that divide it, then whole hours, then days.
qint64 TimeStep(int k) {
    static constexpr qint64 firsts[] = {1, 2, 5, 10, 15, 30, 60, 120, 180, 360, 720};
    constexpr int count = int(std::size(firsts));
    return k < count ? firsts[k] : RoundStep(k - count, 24 * 60);
}

qint64 FloorDiv(qint64 a, qint64 b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

// A set value in tenths as the axis writes it: whole degrees when the step is, else tenths.
QString TemperatureText(qint64 tenths, qint64 step) {
    if (step % 10 == 0) return QString::number(tenths / 10);
    const qint64 magnitude = std::llabs(tenths);
    return QStringLiteral("%1%2.%3")
        .arg(tenths < 0 ? QStringLiteral("-") : QString())
        .arg(magnitude / 10)
        .arg(magnitude % 10);
}

// Labels are kept in order, each only where it has room: inside the frame, off the lines'
// field, and clear of the texts kept before it.
class LabelRoom {
public:
    LabelRoom(QSize size, QRect plot)
        : inside_(1, 1, size.width() - 2, size.height() - 2), plot_(plot) {}
    bool Take(const QRect& box) {
        if (!inside_.contains(box) || box.intersects(plot_)) return false;
        for (const QRect& taken : taken_)
            if (taken.intersects(box)) return false;
        taken_.append(box);
        return true;
    }

private:
    QRect inside_;
    QRect plot_;
    QList<QRect> taken_;
};

} // namespace

ProgramCurve DrawProgramCurve(const PatternProgram& program, QSize size, const AxisText& text) {
    const std::optional<CurveWalk> walk = WalkProgram(program);
    if (!walk || walk->totalMinutes == 0 || !text.width || text.height <= 0)
        return DrawProgramCurve(program, size);

    // Rows from the top: half a line, so that the highest label is whole; the field; the time
    // axis with its ticks; a line of labels; the frame.
    const int line = text.height;
    const int tick = std::max(2, line / 3);
    const int top = std::max(1, line / 2 - 1);
    const int fieldHeight = size.height() - top - (1 + tick + line + 1);
    if (fieldHeight < 2 * line) return DrawProgramCurve(program, size);

    // The temperatures depend on the field's height alone; their widths give the left margin.
    const qint64 shown = ShownMinutes(*walk);
    const CurveScales upright(*walk, QSize(1, fieldHeight), shown);
    qint64 degreeStep = 1;
    for (int k = 0; RoundStep(k) * upright.vertical.PerValue() < line + 2; ++k)
        degreeStep = RoundStep(k + 1);
    QList<qint64> values;
    for (qint64 v = -FloorDiv(-qint64(walk->lowest), degreeStep) * degreeStep; v <= walk->highest;
         v += degreeStep)
        values.append(v);
    if (values.isEmpty()) values.append(walk->highest);
    int labelWidth = text.width(text.temperatureUnit);
    for (qint64 v : values)
        labelWidth = std::max(labelWidth, text.width(TemperatureText(v, degreeStep)));
    const int left = 1 + 1 + labelWidth + 1 + tick + 1;
    // A column clear of the frame at the right: a program that fills the width ends on it.
    const QRect plot(left, top, size.width() - 2 - left, fieldHeight);
    if (plot.width() < 2 * line) return DrawProgramCurve(program, size);

    ProgramCurve curve = DrawProgramCurve(program, plot.size(), shown);
    curve.size = size;
    curve.plot = plot;
    curve.tickLength = tick;
    for (CurveLine& l : curve.lines) {
        l.from += plot.topLeft();
        l.to += plot.topLeft();
    }

    LabelRoom room(size, plot);
    const int labelRow = plot.bottom() + 1 + tick;
    const int labelRight = plot.left() - 1 - tick - 1; // the last column a temperature uses
    const auto rightAligned = [&](int right, int y, const QString& t) {
        const int w = text.width(t);
        return QRect(right - w + 1, y, w, line);
    };

    const CurveScales scales(*walk, plot.size(), shown);
    // The time step: the first round one whose labels, the widest last, stand apart by a line
    // and no closer than five lines, so that the row stays easy to read.
    const double perMinute = scales.horizontal.PerValue();
    const qint64 fieldMinutes = qint64(plot.width() / perMinute);
    qint64 timeStep = TimeStep(0);
    for (int k = 1;; ++k) {
        const qint64 last = fieldMinutes / timeStep * timeStep;
        const QString widest = QString::number(timeStep < 60 ? last : last / 60);
        if (timeStep * perMinute >= std::max(text.width(widest) + line, 5 * line)) break;
        timeStep = TimeStep(k);
    }
    const bool inHours = timeStep >= 60;

    // The units first: the scales' numbers make way for them.
    curve.timeUnit.text = inHours ? QCoreApplication::translate("vrx::ProgramCurve", "h")
                                  : QCoreApplication::translate("vrx::ProgramCurve", "min");
    curve.timeUnit.box = rightAligned(size.width() - 2, labelRow, curve.timeUnit.text);
    if (!room.Take(curve.timeUnit.box)) curve.timeUnit = {};
    curve.temperatureUnit.text = text.temperatureUnit;
    curve.temperatureUnit.box = rightAligned(labelRight, labelRow, text.temperatureUnit);
    if (text.temperatureUnit.isEmpty() || !room.Take(curve.temperatureUnit.box))
        curve.temperatureUnit = {};

    for (qint64 v : values) {
        AxisLabel label;
        label.tick = plot.top() + scales.Y(v);
        label.text = TemperatureText(v, degreeStep);
        label.box = rightAligned(labelRight, label.tick - line / 2, label.text);
        if (room.Take(label.box)) curve.temperatureLabels.append(label);
    }
    for (qint64 t = 0; scales.X(t) < plot.width(); t += timeStep) {
        AxisLabel label;
        label.tick = plot.left() + int(scales.X(t));
        label.text = QString::number(inHours ? t / 60 : t);
        const int w = text.width(label.text);
        // The first starts at the origin, clear of the degrees' unit at its left.
        label.box = QRect(t == 0 ? label.tick : label.tick - w / 2, labelRow, w, line);
        if (room.Take(label.box)) curve.timeLabels.append(label);
    }
    return curve;
}

} // namespace vrx
