// The ramp/soak program of the editor: 8 patterns of 8 steps with their loops and links, the
// rules that store what the user types, and the texts of the ProgTable cells.
#pragma once

#include <QString>

#include <array>
#include <optional>

namespace vrx {

inline constexpr int Patterns = 8;
inline constexpr int PatternSteps = 8;
// The link that ends the program ("Prog End").
inline constexpr int ProgEnd = 8;
// The 153 numbers of a program: start pattern, 3 x 8 per pattern, 2 x 64 per step.
inline constexpr int ProgramValues = 1 + 3 * Patterns + 2 * Patterns * PatternSteps;
// The number of the first step value, after the start pattern and each pattern's max step,
// loop count and link.
inline constexpr int FirstStepValue = 1 + 3 * Patterns;

// The whole program as the controller holds it. Values read from a controller or a file are
// kept as they came, also outside the ranges the editor offers; whoever indexes with them
// checks them first.
struct PatternProgram {
    int StartPattern = 0;                       // the item index of ProgStart
    std::array<int, Patterns> PatternMaxStep{}; // highest step that runs, 0-7
    std::array<int, Patterns> PatternLoop{};    // extra repetitions, 0-99
    std::array<int, Patterns> PatternLink{};    // pattern run next, ProgEnd to stop
    std::array<std::array<int, PatternSteps>, Patterns> PatternSV{};   // tenths of a degree
    std::array<std::array<int, PatternSteps>, Patterns> PatternTime{}; // minutes

    friend bool operator==(const PatternProgram&, const PatternProgram&) = default;
};

// Number i (0 to 152) of the program file: start, max steps, loops, links, then the 64 set
// values pattern by pattern, then the 64 times.
int& FileValue(PatternProgram& program, int i);
int FileValue(const PatternProgram& program, int i);

// Transfer index k (0 to 152), register 0x4767 + k: start, max steps, loops, links, then set
// value and time of each step in turn.
int& TransferValue(PatternProgram& program, int k);
int TransferValue(const PatternProgram& program, int k);

// What the register of number i (0 to 152) of the program file can hold, as the controller
// takes it: start pattern 0-7, step max. 0-7, loop count 0-99, link 0-8, a set value one signed
// word of tenths, a time 0-900 minutes (15:00).
struct ProgramValueRange {
    int lowest;
    int highest;
    const char* what; // "a set value", for messages
};
ProgramValueRange FileValueRange(int i);
// Why value cannot be number i ("70000 is out of range for a set value (-32768 to 32767)"), or
// nothing when it fits.
std::optional<QString> FileValueProblem(int i, qint64 value);
// The first value of the program its register cannot hold, with its place in the table
// ("Pattern 2 Loop Count : 200 is out of range ... !"), or nothing when all fit. Values read
// from a controller or a file are stored as they came; this is asked before any is written.
std::optional<QString> ProgramRangeProblem(const PatternProgram& program);

// --- ProgTable --------------------------------------------------------------------------------

inline constexpr int ProgTableColumns = 9;
inline constexpr int ProgTableRows = 20;

// What a row of ProgTable holds.
enum class ProgRow { Title, MaxStep, SetValue, Time, Loop, Link };
ProgRow ProgRowKind(int row);
// The step of a SetValue or Time row.
int ProgRowStep(int row);

// The fixed titles: row 0 of columns 1-8 and column 0 of every row.
QString ProgTableColumnTitle(int column);
QString ProgTableRowTitle(int row);

// The text of a cell (column 1-8 is pattern column - 1) for a program read from a controller
// or loaded from a file.
QString ProgTableCell(const PatternProgram& program, int row, int column);

// Tenths as "25.3", "-12.5", "-0.5".
QString SetValueText(int tenths);
// Minutes as hours and minutes of two digits at least: "01:15", "00:05", "10:00".
QString StepTimeText(int minutes);
// "Pattern 3", or "Prog End" for ProgEnd.
QString LinkText(int link);

// --- editing: storing the editor's value in the selected cell --------------------------------
// Each stores into pattern p (and step s) and returns the cell's new text.

// The item index of MaxStep ("0" to "7").
QString StoreMaxStep(PatternProgram& program, int p, int index);
// The item index of StepLink ("Pattern 0" to "Pattern 7", "Prog End").
QString StoreLink(PatternProgram& program, int p, int index);
// The text of SPEdit as a loop count: capped at 99 and at 0; text that is no number keeps the
// stored count.
QString StoreLoopCount(PatternProgram& program, int p, const QString& text);
// The item index of TimeHour (0 to 15) and TimeMin (0 to 59); 15 hours is the longest step, so
// its minutes are 0.
QString StoreStepTime(PatternProgram& program, int p, int s, int hourIndex, int minutes);
// The text of SPEdit as a set value, or nothing (and nothing stored) when it is refused.
std::optional<QString> StoreSetValue(PatternProgram& program, int p, int s, const QString& text);

// A typed set value: the value in tenths and the text the cell shows.
struct SetValueEntry {
    int tenths;
    QString cell;
    friend bool operator==(const SetValueEntry&, const SetValueEntry&) = default;
};
// Digits with at most one decimal, a leading "-" allowed: "25" is 25.0, "-12.57" is -12.5
// (further decimals are cut), "25." is 25.0. Refused: any other character, no digit at all, a
// "." right after the first ".", and values a register cannot hold.
std::optional<SetValueEntry> ParseSetValue(const QString& text);

// What "Edit" puts into TimeHour and TimeMin for a stored time.
struct TimeEditorValues {
    int hourIndex;
    int minutes;
};
TimeEditorValues TimeEditorFor(int minutes);

} // namespace vrx
