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
    Missing,     // "File not exist, Can not open file !"
    ReadFailed,  // the file exists but could not be read
};

// The outcome of loading a program file. `program` is what the editor's program becomes, and
// `takesProgram` whether it changed. Only a file whose numbers all convert and that holds the
// whole program (153 numbers or more; those after the 153rd are counted, not used) is taken:
// a bad number anywhere, or too few, leaves the program as it was, so that Write can never send
// half of one program and half of another.
struct ProgramFileLoad {
    ProgramFileStatus status = ProgramFileStatus::Missing;
    int tokens = 0;
    PatternProgram program;
    bool takesProgram = false;
    QString message;
};

// Numbers are separated by spaces, CR and LF in any mix; the end of the file ends the last
// number too.
ProgramFileLoad ParseProgramFile(QByteArrayView bytes, const PatternProgram& current);
ProgramFileLoad ReadProgramFile(const QString& path, const PatternProgram& current);

// The scan behind both, fed the file in pieces.
class ProgramFileScanner {
public:
    explicit ProgramFileScanner(const PatternProgram& current)
        : current_(current), program_(current) {}
    void Feed(QByteArrayView bytes);
    ProgramFileLoad Finish();

private:
    void EndToken();

    PatternProgram current_;
    PatternProgram program_;
    QByteArray token_;
    qsizetype tokenLength_ = 0; // also the bytes of an overlong token not kept
    int tokens_ = 0;
    bool bad_ = false;
    QByteArray badToken_;
};

} // namespace vrx
