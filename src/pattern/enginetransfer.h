// The editor's reads and writes of a program, run by the Monitor's engine turn by turn between
// its polls: the engine's pattern hooks plugged into a PatternRead and a PatternWrite.
#pragma once

#include "patterntransfer.h"
#include "pollengine.h"

#include <QObject>

#include <optional>

namespace vrx {

// Both transfers belong to the station selected when they start, at the address it had then.
// They end early when that station is no longer the selected one (cancelled, dropped after its
// time-outs, another one clicked, its address changed) or the Monitor is reset, so that no
// frame of them ever goes to another controller; the rest of a read is then thrown away.
class EngineTransfer : public QObject {
    Q_OBJECT
public:
    explicit EngineTransfer(PollEngine& engine, QObject* parent = nullptr);
    ~EngineTransfer() override;
    EngineTransfer(const EngineTransfer&) = delete;
    EngineTransfer& operator=(const EngineTransfer&) = delete;

    // The selected station when it is connected and nothing is being transferred; 0 otherwise.
    int ReadyStation() const;

    // "Read Setting": asks the engine to read the selected station's program at its next turns.
    // False, and nothing starts, when ReadyStation() is 0.
    bool StartRead();
    // "Write": hands the engine the 153 writes of program, one a turn. False as StartRead, and
    // when a value of the program is out of its register's range (ProgramRangeProblem).
    bool StartWrite(const PatternProgram& program);

    bool Reading() const { return read_.has_value(); }
    bool Writing() const { return write_.has_value(); }

signals:
    void readProgress(int percent);
    // The whole program came; the editor takes it.
    void readFinished(const vrx::PatternProgram& program);
    // The read ended early; nothing of it is to be taken.
    void readStopped();
    void writeProgress(int percent);
    // All 153 writes went through; `refused` of them the controller did not take.
    void writeFinished(int refused);
    // The write ended early; `written` values had been taken.
    void writeStopped(int written);

private:
    bool StationStillOurs() const;
    std::optional<ReadBlock> ReadRequest() const;
    void ReadStep(const ReplyWordArray& words, int count);
    void WriteStep();
    void WriteEchoed();
    void PatternWriteEnded();
    void SelectionMoved(int st, bool connected);
    void StopAll();
    void StopRead();
    void StopWrite();
    void FinishWrite();

    PollEngine& engine_;
    int station_ = 0;
    int address_ = 0;
    std::optional<PatternRead> read_;
    std::optional<PatternWrite> write_;
    // The write due has been handed to the engine as its pending write.
    bool writeQueued_ = false;
};

} // namespace vrx
