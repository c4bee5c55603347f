// The ramp/soak program on the wire: the 153 single writes that send it to a controller, and
// the 20 reads that bring it back, as steps the Monitor's engine takes turn by turn.
#pragma once

#include "patternprogram.h"
#include "pollplan.h"

#include <QByteArray>
#include <QList>

#include <algorithm>

namespace vrx {

// Registers 0x4767 to 0x47FF, one write each, in ascending order.
inline constexpr int PatternWriteFrames = ProgramValues;

// The register word of write k (0 to 152): the value as 16-bit two's complement, so -10.0
// (-100 tenths) is FF9C. A value no register word holds throws FrameRangeError: it is never
// cut (ProgramRangeProblem keeps such programs from being written at all).
quint16 PatternWriteValue(const PatternProgram& program, int k);
// Write k as a complete ASCII write-single-register frame to the station address; throws as
// PatternWriteValue.
QByteArray PatternWriteFrame(const PatternProgram& program, int k, int address);

// The 153 writes of one program to one station, in order. The program is taken when the write
// starts, so what the user edits meanwhile cannot make the controller hold half of one program
// and half of another. A value the controller refuses is counted and passed over; a write that
// got no answer is the same write again.
class PatternWrite {
public:
    PatternWrite(const PatternProgram& program, int address)
        : program_(program), address_(address) {}

    int Address() const { return address_; }
    // Transfer index of the write due, 0 to 152; PatternWriteFrames once all are through.
    int Position() const { return position_; }
    bool Done() const { return position_ >= PatternWriteFrames; }
    // The write due; only while not Done().
    QByteArray Frame() const { return PatternWriteFrame(program_, position_, address_); }
    // The controller echoed the write due, or refused it: the next one is due.
    void Echoed() { ++position_; }
    void Refused() {
        ++refused_;
        ++position_;
    }
    int RefusedCount() const { return refused_; }
    // Values the controller took so far.
    int WrittenCount() const { return position_ - refused_; }
    // The UpLoadBarP position.
    int Gauge() const { return position_ * 100 / PatternWriteFrames; }

private:
    PatternProgram program_;
    int address_;
    int position_ = 0;
    int refused_ = 0;
};

// The read of a whole program from a controller in five phases (PatternStep): the start
// pattern, the loop counts, the highest steps, the links, then 16 blocks of four steps. The
// values are gathered apart from the editor's program, which takes them only when the read is
// complete, so a read cut short leaves the editor's program and table as they were.
class PatternRead {
public:
    explicit PatternRead(const PatternProgram& current = {}) : program_(current) {}

    // The request to send next; nothing once the read is complete.
    std::optional<ReadBlock> Request() const;

    // The data words of a good reply to Request(). Returns false, and changes nothing, when the
    // reply carries fewer words than asked for: the same request is then asked again.
    bool Store(const QList<quint16>& words);

    // 0 start pattern, 1 loops, 2 highest steps, 3 links, 4 step blocks, 5 done.
    int PatternStep() const { return phase_; }
    // Steps read in phase 4: 0, 4, ... 64.
    int BufferReadCount() const { return stepsRead_; }
    bool Complete() const { return phase_ > StepsPhase; }
    // The UpLoadBarP position: the four header reads and the 64 steps make 100.
    int Gauge() const { return (std::min(phase_, StepsPhase) + stepsRead_) * 100 / 68; }
    // The gathered program; set values are signed words, the rest as they came.
    const PatternProgram& Program() const { return program_; }

private:
    static constexpr int StepsPhase = 4;
    static constexpr int StepsPerRead = 4;

    PatternProgram program_;
    int phase_ = 0;
    int stepsRead_ = 0;
};

} // namespace vrx
