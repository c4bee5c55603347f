// The program file: the ramp/soak program as 20 lines of decimal numbers, written whole and
// read back without ever half-loading.
#pragma once

#include "patternprogram.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace vrx {

// Line 1 the start pattern; lines 2-4 max steps, loops and links; lines 5-12 the set values
// and 13-20 the times, one pattern a line. On lines 2-20 every number is followed by two
// spaces. Lines end with CR LF.
QByteArray ProgramFileText(const PatternProgram& program);

// Saves the program as path through a temporary file renamed into place. The message is
// "Write to file success", or the reason the file was not written.
struct ProgramFileSave {
    bool ok = false;
    QString message;
};
ProgramFileSave SaveProgramFile(const QString& path, const PatternProgram& program);

enum class ProgramFileStatus {
    Loaded,      // exactly 153 numbers: "Load file data success"
    LengthError, // another count: "Data length error !"
    BadToken,    // "'x' is not a valid integer value"
    OutOfRange,  // a number its register cannot hold: the message names the line and the value
    Missing,     // "File not exist, Can not open file !"
    ReadFailed,  // the file exists but could not be read
};

// The outcome of loading a program file. `program` is what the editor's program becomes, and
// `takesProgram` whether it changed. Only a file of exactly the 153 numbers of a program, each
// within what its register holds, is taken: a bad number anywhere, one out of range, too few or
// too many leave the program as it was, so that Write can never send half of one program and
// half of another, nor a value cut to 16 bits.
struct ProgramFileLoad {
    ProgramFileStatus status = ProgramFileStatus::Missing;
    int tokens = 0; // counted up to one past the 153rd
    PatternProgram program;
    bool takesProgram = false;
    QString message;
};

// Numbers are separated by spaces, CR and LF in any mix; the end of the file ends the last
// number too.
ProgramFileLoad ParseProgramFile(QByteArrayView bytes, const PatternProgram& current);
// Reads only a plain file, and at most ProgramFileMaxBytes of it.
ProgramFileLoad ReadProgramFile(const QString& path, const PatternProgram& current);

// Four times the longest file a save writes (every set value "-32768", every time "900"): room
// for any spacing by hand, and a bound on what a chosen file can make the program read.
inline constexpr qint64 ProgramFileMaxBytes =
    4 * (3 + 3 * (8 * 3 + 2) + 8 * (8 * 8 + 2) + 8 * (8 * 5 + 2));

// The scan behind both, fed the file in pieces.
class ProgramFileScanner {
public:
    explicit ProgramFileScanner(const PatternProgram& current)
        : current_(current), program_(current) {}
    // False once the file is refused (a bad number, one out of range, one too many): nothing
    // after that can change the outcome.
    bool Feed(QByteArrayView bytes);
    ProgramFileLoad Finish();

private:
    void EndToken();
    bool Refused() const { return bad_ || tokens_ > ProgramValues; }

    PatternProgram current_;
    PatternProgram program_;
    QByteArray token_;
    qsizetype tokenLength_ = 0; // also the bytes of an overlong token not kept
    int tokens_ = 0;
    int line_ = 1;
    int tokenLine_ = 1;
    bool afterCr_ = false; // CR LF is one line end, CR alone another
    bool bad_ = false;
    QByteArray badToken_;
    QString rangeProblem_; // set when the bad token is a number out of range
};

} // namespace vrx
