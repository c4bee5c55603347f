// The ramp/soak program on the wire: the 153 single writes that send it to a controller, and
// the 20 reads that bring it back, as steps the Monitor's engine takes turn by turn.
#pragma once

#include "patternprogram.h"
#include "pollplan.h"

#include <QByteArray>
#include <QList>
#include <QString>

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

// Where write k (0 to 152) lands, by the table's titles and the register: "Pattern 2 Set Value 0
// (register 47A0)".
QString PatternWritePlace(int k);

// A write the controller did not take: its transfer index, the result it got (refused, or an
// echo that differs) and the exception code of a refusal.
struct RefusedWrite {
    int k = 0;
    int result = 0;
    int exception = 0;
    friend bool operator==(const RefusedWrite&, const RefusedWrite&) = default;
};

// How a program write ended.
struct PatternWriteEnd {
    int address = 0;
    // Values the controller took.
    int written = 0;
    QList<RefusedWrite> refused;
    // Why the write ended before its last write, and the write it stopped at; empty, and
    // PatternWriteFrames, when it went through all of them.
    QString stopReason;
    int stoppedAt = PatternWriteFrames;

    bool Stopped() const { return !stopReason.isEmpty(); }
    // Every value is in the controller.
    bool Whole() const { return !Stopped() && refused.isEmpty(); }
};

// The one message that tells the user how a write ended: every value written, or which were
// not and why.
QString PatternWriteEndText(const PatternWriteEnd& end);

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
    // The controller echoed the write due, or refused it (`result`, with the exception code of
    // a refusal): the next one is due.
    void Echoed() { ++position_; }
    void Refused(int result, int exception = 0) {
        refused_.append({position_, result, exception});
        ++position_;
    }
    int RefusedCount() const { return int(refused_.size()); }
    // Values the controller took so far.
    int WrittenCount() const { return position_ - RefusedCount(); }
    // How it ended: through all writes, or stopped for `stopReason` at the write due.
    PatternWriteEnd End(const QString& stopReason = {}) const;
    // The UpLoadBarP position.
    int Gauge() const { return position_ * 100 / PatternWriteFrames; }

private:
    PatternProgram program_;
    int address_;
    int position_ = 0;
    QList<RefusedWrite> refused_;
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
