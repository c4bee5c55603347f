// The editor's reads and writes of a program, run by the Monitor's engine turn by turn between
// its polls: a PatternRead and a PatternWrite as transfers in the engine's TransferQueue.
#pragma once

#include "patterntransfer.h"
#include "pollengine.h"
#include "transfer.h"
#include "transferqueue.h"

#include <QObject>

#include <optional>

namespace vrx {

class EngineTransfer;

// The program read as the engine's transfer: the values are gathered apart from the editor's
// program, which takes them only when the read is complete.
class PatternReadTransfer final : public Transfer {
public:
    explicit PatternReadTransfer(EngineTransfer& owner) : owner_(owner) {}

    bool Running() const { return read_.has_value(); }
    void Begin() { read_.emplace(); }

    TransferRequest NextRequest() override;
    // The words of a good reply; one too short leaves the same request to go again. True once
    // the whole program has come.
    bool TakeReply(const TransferReply& reply) override;
    // The editor takes the program.
    void Ended() override;
    QString Stop(const QString& reason) override;

private:
    EngineTransfer& owner_;
    std::optional<PatternRead> read_;
};

// The program write as the engine's transfer: the 153 writes in order, a refused one counted and
// passed over, an unanswered one the same write again.
class PatternWriteTransfer final : public Transfer {
public:
    explicit PatternWriteTransfer(EngineTransfer& owner) : owner_(owner) {}

    bool Running() const { return write_.has_value(); }
    void Begin(const PatternProgram& program, int address) { write_.emplace(program, address); }

    TransferRequest NextRequest() override;
    // Its write echoed, or refused (a miss). True once all 153 are through.
    bool TakeReply(const TransferReply& reply) override;
    // The editor learns which ones the controller refused, and why.
    void Ended() override;
    QString Stop(const QString& reason) override;

private:
    EngineTransfer& owner_;
    std::optional<PatternWrite> write_;
};

// Both transfers belong to the station selected when they start, at the address it had then;
// the engine's queue ends them when that station is no longer the selected one (cancelled, dropped
// after its time-outs, another one clicked, its address changed), the Monitor is reset, the line is
// lost or the window closes, so that no frame of them ever goes to another controller; the rest
// of a read is then thrown away.
class EngineTransfer : public QObject {
    Q_OBJECT
public:
    explicit EngineTransfer(PollEngine& engine, QObject* parent = nullptr);
    ~EngineTransfer() override;
    EngineTransfer(const EngineTransfer&) = delete;
    EngineTransfer& operator=(const EngineTransfer&) = delete;

    // The selected station when it is connected and nothing is being transferred; 0 otherwise.
    int ReadyStation() const;

    // "Read Setting": the engine reads the selected station's program at its next turns.
    // False, and nothing starts, when ReadyStation() is 0.
    bool StartRead();
    // "Write": hands the engine the 153 writes of program, one a turn. False as StartRead, and
    // when a value of the program is out of its register's range (ProgramRangeProblem).
    bool StartWrite(const PatternProgram& program);

    bool Reading() const { return read_.Running(); }
    bool Writing() const { return write_.Running(); }

signals:
    void readProgress(int percent);
    // The whole program came; the editor takes it.
    void readFinished(const vrx::PatternProgram& program);
    // The read ended early; nothing of it is to be taken.
    void readStopped();
    void writeProgress(int percent);
    // All 153 writes went through; the controller may have refused some of them.
    void writeFinished(const vrx::PatternWriteEnd& end);
    // The write ended early, for end.stopReason.
    void writeStopped(const vrx::PatternWriteEnd& end);

private:
    // The station model the transfers start from, and the queue that runs them.
    const MonitorState& stations_;
    TransferQueue& queue_;
    PatternReadTransfer read_{*this};
    PatternWriteTransfer write_{*this};
};

} // namespace vrx
