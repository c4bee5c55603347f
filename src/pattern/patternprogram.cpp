// The program's storage orders, the ProgTable texts and the storing rules of the editors.
#include "patternprogram.h"

#include "errors.h"

#include <QCoreApplication>
#include <algorithm>
#include <limits>

namespace vrx {

namespace {

constexpr int MaxLoopCount = 99;
constexpr int LongestStepHours = 15;
// A set value is one signed register word.
constexpr qint64 LowestTenths = std::numeric_limits<qint16>::min();
constexpr qint64 HighestTenths = std::numeric_limits<qint16>::max();

// The header values (start, max steps, loops, links) share one order in the file and on the
// wire. Program is PatternProgram or const PatternProgram.
template <typename Program> auto& HeaderValue(Program& program, int i) {
    if (i == 0) return program.StartPattern;
    if (i <= 8) return program.PatternMaxStep[i - 1];
    if (i <= 16) return program.PatternLoop[i - 9];
    return program.PatternLink[i - 17];
}

void CheckIndex(int i) {
    if (i < 0 || i >= ProgramValues) throw Error(QStringLiteral("No program value %1").arg(i));
}

QString TwoDigits(qint64 n) {
    return QStringLiteral("%1").arg(n, 2, 10, QChar(u'0'));
}

bool IsDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

template <typename Program> auto& FileSlot(Program& program, int i) {
    CheckIndex(i);
    if (i < FirstStepValue) return HeaderValue(program, i);
    const int j = i - FirstStepValue;
    if (j < Patterns * PatternSteps) return program.PatternSV[j / 8][j % 8];
    const int t = j - Patterns * PatternSteps;
    return program.PatternTime[t / 8][t % 8];
}

template <typename Program> auto& TransferSlot(Program& program, int k) {
    CheckIndex(k);
    if (k < FirstStepValue) return HeaderValue(program, k);
    // Each step is two registers, its set value and then its time.
    const int j = (k - FirstStepValue) / 2;
    const bool setValue = (k - FirstStepValue) % 2 == 0;
    return setValue ? program.PatternSV[j / 8][j % 8] : program.PatternTime[j / 8][j % 8];
}

} // namespace

int& FileValue(PatternProgram& program, int i) {
    return FileSlot(program, i);
}

int FileValue(const PatternProgram& program, int i) {
    return FileSlot(program, i);
}

int& TransferValue(PatternProgram& program, int k) {
    return TransferSlot(program, k);
}

int TransferValue(const PatternProgram& program, int k) {
    return TransferSlot(program, k);
}

ProgramValueRange FileValueRange(int i) {
    CheckIndex(i);
    if (i == 0)
        return {0, Patterns - 1, QT_TRANSLATE_NOOP("vrx::PatternProgram", "the start pattern")};
    if (i <= 8)
        return {0, PatternSteps - 1, QT_TRANSLATE_NOOP("vrx::PatternProgram", "a step max.")};
    if (i <= 16) return {0, MaxLoopCount, QT_TRANSLATE_NOOP("vrx::PatternProgram", "a loop count")};
    if (i < FirstStepValue) return {0, ProgEnd, QT_TRANSLATE_NOOP("vrx::PatternProgram", "a link")};
    if (i < FirstStepValue + Patterns * PatternSteps)
        return {int(LowestTenths), int(HighestTenths),
                QT_TRANSLATE_NOOP("vrx::PatternProgram", "a set value")};
    return {0, LongestStepHours * 60, QT_TRANSLATE_NOOP("vrx::PatternProgram", "an execute time")};
}

std::optional<QString> FileValueProblem(int i, qint64 value) {
    const ProgramValueRange range = FileValueRange(i);
    if (value >= range.lowest && value <= range.highest) return std::nullopt;
    return QCoreApplication::translate("vrx::PatternProgram",
                                       "%1 is out of range for %2 (%3 to %4)")
        .arg(value)
        .arg(QCoreApplication::translate("vrx::PatternProgram", range.what))
        .arg(range.lowest)
        .arg(range.highest);
}

std::optional<QString> ProgramRangeProblem(const PatternProgram& program) {
    for (int i = 0; i < ProgramValues; ++i) {
        const auto problem = FileValueProblem(i, FileValue(program, i));
        if (!problem) continue;
        QString place = QCoreApplication::translate("vrx::PatternProgram", "Start Pattern");
        if (i > 0) {
            // The cell of the table that shows it.
            int p = 0;
            int row = 0;
            if (i < FirstStepValue) {
                p = (i - 1) % Patterns;
                row = i <= 8 ? 1 : i <= 16 ? 18 : 19;
            } else {
                const int j = i - FirstStepValue;
                const bool time = j >= Patterns * PatternSteps;
                const int step = j % (Patterns * PatternSteps);
                p = step / PatternSteps;
                row = 2 * (step % PatternSteps) + (time ? 3 : 2);
            }
            place = ProgTableColumnTitle(p + 1) + u' ' + ProgTableRowTitle(row);
        }
        return place + QStringLiteral(" : ") + *problem + QStringLiteral(" !");
    }
    return std::nullopt;
}

// --- ProgTable --------------------------------------------------------------------------------

ProgRow ProgRowKind(int row) {
    if (row == 1) return ProgRow::MaxStep;
    if (row >= 2 && row <= 17) return row % 2 == 0 ? ProgRow::SetValue : ProgRow::Time;
    if (row == 18) return ProgRow::Loop;
    if (row == 19) return ProgRow::Link;
    return ProgRow::Title;
}

int ProgRowStep(int row) {
    return std::clamp((row - 2) / 2, 0, PatternSteps - 1);
}

QString ProgTableColumnTitle(int column) {
    if (column < 1 || column > Patterns) return {};
    return QCoreApplication::translate("vrx::PatternProgram", "Pattern %1").arg(column - 1);
}

QString ProgTableRowTitle(int row) {
    switch (ProgRowKind(row)) {
    case ProgRow::MaxStep:
        return QCoreApplication::translate("vrx::PatternProgram", "Step Max.");
    case ProgRow::SetValue:
        return QCoreApplication::translate("vrx::PatternProgram", "Set Value %1")
            .arg(ProgRowStep(row));
    case ProgRow::Time:
        return QCoreApplication::translate("vrx::PatternProgram", "Execute Time %1")
            .arg(ProgRowStep(row));
    case ProgRow::Loop:
        return QCoreApplication::translate("vrx::PatternProgram", "Loop Count");
    case ProgRow::Link:
        return QCoreApplication::translate("vrx::PatternProgram", "Link Pattern");
    case ProgRow::Title:
        break;
    }
    return {};
}

QString ProgTableCell(const PatternProgram& program, int row, int column) {
    if (row == 0) return ProgTableColumnTitle(column);
    if (column == 0) return ProgTableRowTitle(row);
    if (column > Patterns) return {};
    const int p = column - 1;
    const int s = ProgRowStep(row);
    switch (ProgRowKind(row)) {
    case ProgRow::MaxStep:
        return QString::number(program.PatternMaxStep[p]);
    case ProgRow::SetValue:
        return SetValueText(program.PatternSV[p][s]);
    case ProgRow::Time:
        return StepTimeText(program.PatternTime[p][s]);
    case ProgRow::Loop:
        return QString::number(program.PatternLoop[p]);
    case ProgRow::Link:
        return LinkText(program.PatternLink[p]);
    case ProgRow::Title:
        break;
    }
    return {};
}

QString SetValueText(int tenths) {
    const qint64 magnitude = qAbs(qint64(tenths));
    return (tenths < 0 ? QStringLiteral("-") : QString()) + QString::number(magnitude / 10) + u'.' +
           QString::number(magnitude % 10);
}

QString StepTimeText(int minutes) {
    const qint64 magnitude = qAbs(qint64(minutes));
    return (minutes < 0 ? QStringLiteral("-") : QString()) + TwoDigits(magnitude / 60) + u':' +
           TwoDigits(magnitude % 60);
}

QString LinkText(int link) {
    return link == ProgEnd
               ? QCoreApplication::translate("vrx::PatternProgram", "Prog End")
               : QCoreApplication::translate("vrx::PatternProgram", "Pattern %1").arg(link);
}

// --- editing ----------------------------------------------------------------------------------

QString StoreMaxStep(PatternProgram& program, int p, int index) {
    program.PatternMaxStep.at(p) = std::clamp(index, 0, PatternSteps - 1);
    return QString::number(program.PatternMaxStep[p]);
}

QString StoreLink(PatternProgram& program, int p, int index) {
    program.PatternLink.at(p) = std::clamp(index, 0, ProgEnd);
    return LinkText(program.PatternLink[p]);
}

QString StoreLoopCount(PatternProgram& program, int p, const QString& text) {
    int& loops = program.PatternLoop.at(p);
    try {
        // A negative count would send a word the controller cannot take; none is the least
        // surprising reading of it.
        loops = std::clamp(StrToInt(text), 0, MaxLoopCount);
    } catch (const ConvertError&) {
        // Not a number: the count stays as it was.
    }
    return QString::number(loops);
}

QString StoreStepTime(PatternProgram& program, int p, int s, int hourIndex, int minutes) {
    const int hours = std::clamp(hourIndex, 0, LongestStepHours);
    const int mins = hours == LongestStepHours ? 0 : std::clamp(minutes, 0, 59);
    program.PatternTime.at(p).at(s) = hours * 60 + mins;
    return StepTimeText(program.PatternTime[p][s]);
}

std::optional<QString> StoreSetValue(PatternProgram& program, int p, int s, const QString& text) {
    const std::optional<SetValueEntry> entry = ParseSetValue(text);
    if (!entry) return std::nullopt;
    program.PatternSV.at(p).at(s) = entry->tenths;
    return entry->cell;
}

std::optional<SetValueEntry> ParseSetValue(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!IsDigit(c) && c != u'.' && !(c == u'-' && i == 0)) return std::nullopt;
    }
    if (std::none_of(text.begin(), text.end(), IsDigit)) return std::nullopt;
    const bool negative = text.startsWith(u'-');
    const qsizetype dot = text.indexOf(u'.');
    const QString whole = text.mid(negative ? 1 : 0, dot < 0 ? -1 : dot - (negative ? 1 : 0));
    QString cell;
    int decimal = 0;
    if (dot < 0) {
        cell = text + QStringLiteral(".0");
    } else if (dot + 1 < text.size()) {
        // One decimal is all a register holds: the rest is cut, not rounded.
        const QChar next = text.at(dot + 1);
        if (!IsDigit(next)) return std::nullopt;
        decimal = next.unicode() - u'0';
        cell = text.left(dot + 2);
    } else {
        // "25." means 25.0, not 2.5.
        cell = text + u'0';
    }
    qint64 tenths = 0;
    for (const QChar c : whole) {
        tenths = tenths * 10 + (c.unicode() - u'0');
        if (tenths > HighestTenths + 1) return std::nullopt;
    }
    tenths = tenths * 10 + decimal;
    if (negative) tenths = -tenths;
    if (tenths < LowestTenths || tenths > HighestTenths) return std::nullopt;
    return SetValueEntry{int(tenths), cell};
}

TimeEditorValues TimeEditorFor(int minutes) {
    const int clamped = std::max(minutes, 0);
    const int hours = std::min(clamped / 60, LongestStepHours);
    return {hours, hours == LongestStepHours ? 0 : clamped % 60};
}

} // namespace vrx
