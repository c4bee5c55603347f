// The pattern transfers on the Monitor's engine.
#include "enginetransfer.h"

#include "framecodec.h"
#include "guard.h"

namespace vrx {

EngineTransfer::EngineTransfer(PollEngine& engine, QObject* parent)
    : QObject(parent), engine_(engine) {
    PollEngine::PatternHooks hooks;
    hooks.readRequest = [this] { return ReadRequest(); };
    hooks.readStep = [this](const ReplyWordArray& words, int count) { ReadStep(words, count); };
    hooks.writeStep = [this] { WriteStep(); };
    engine_.SetPatternHooks(std::move(hooks));
    connect(&engine_, &PollEngine::patternProgress, this,
            GuardedSlot(this, &EngineTransfer::WriteEchoed));
    connect(&engine_, &PollEngine::patternFinished, this,
            GuardedSlot(this, &EngineTransfer::PatternWriteEnded));
    connect(&engine_, &PollEngine::selectionMoved, this,
            GuardedSlot(this, &EngineTransfer::SelectionMoved));
    connect(&engine_, &PollEngine::monitorReset, this, GuardedSlot(this, &EngineTransfer::StopAll));
    // No turn comes any more to go on with a read or a write: say so now, not never.
    connect(&engine_, &PollEngine::transfersInterrupted, this,
            GuardedSlot(this, &EngineTransfer::StopAll));
}

EngineTransfer::~EngineTransfer() {
    engine_.SetPatternHooks({});
}

int EngineTransfer::ReadyStation() const {
    const int st = engine_.State().SelStation;
    if (Reading() || Writing() || st < 1 || st > PollEngine::Stations) return 0;
    return engine_.State().StationConnected[st] ? st : 0;
}

bool EngineTransfer::StationStillOurs() const {
    return engine_.State().SelStation == station_ && engine_.State().StationConnected[station_] &&
           engine_.State().StationAddr[station_] == address_;
}

// ---- Reading ----

bool EngineTransfer::StartRead() {
    const int st = ReadyStation();
    if (st == 0) return false;
    station_ = st;
    address_ = engine_.State().StationAddr[st];
    read_.emplace();
    // BufferReadCount is left alone: the read keeps its own position, and a parameter read may
    // be using the count.
    engine_.StartPatternRead(read_->PatternStep());
    return true;
}

std::optional<ReadBlock> EngineTransfer::ReadRequest() const {
    return read_ ? read_->Request() : std::nullopt;
}

void EngineTransfer::ReadStep(const ReplyWordArray& words, int count) {
    if (!read_) {
        engine_.EndPatternRead();
        return;
    }
    // The reply of another controller than the one the read began with: the program would be
    // pieced together from two.
    if (engine_.State().TargetAddr != address_ || !StationStillOurs()) {
        StopRead();
        return;
    }
    QList<quint16> replyWords;
    for (int i = 0; i < count && i < int(words.size()); ++i)
        replyWords << quint16(words[std::size_t(i)]);
    if (!read_->Store(replyWords)) return; // too short: the same request goes again
    engine_.SetPatternStep(read_->PatternStep());
    emit readProgress(read_->Gauge());
    if (!read_->Complete()) return;
    engine_.EndPatternRead();
    const PatternProgram program = read_->Program();
    read_.reset();
    emit readFinished(program);
}

void EngineTransfer::StopRead() {
    if (!read_) return;
    engine_.EndPatternRead();
    read_.reset();
    emit readStopped();
}

// ---- Writing ----

bool EngineTransfer::StartWrite(const PatternProgram& program) {
    const int st = ReadyStation();
    // A value its register cannot hold is never sent, cut or not: the whole write is refused.
    if (st == 0 || ProgramRangeProblem(program)) return false;
    station_ = st;
    address_ = engine_.State().StationAddr[st];
    write_.emplace(program, address_);
    writeQueued_ = false;
    // BufferWriteCount is set with each frame, not here: a parameter write-back may still be
    // counting with it, and the engine lets that finish before asking for our first frame.
    engine_.StartPatternWrite();
    return true;
}

void EngineTransfer::WriteStep() {
    if (!write_) {
        engine_.EndPatternWrite();
        return;
    }
    if (!StationStillOurs()) {
        StopWrite();
        return;
    }
    // A write still pending is ours that got no answer (it goes again, as single writes do),
    // or one of the Monitor's own, which goes first; ours is then composed again below.
    if (engine_.State().WritePending || engine_.State().UnlockFirst) return;
    if (writeQueued_) {
        writeQueued_ = false;
        // Neither pending nor echoed: the controller refused it (the engine dropped it), unless
        // another write took its place and went instead.
        if (engine_.State().WriteFrame == write_->Frame()) write_->Refused();
        if (write_->Done()) {
            FinishWrite();
            return;
        }
    }
    engine_.QueuePatternWrite(write_->Frame(), write_->Position() + 1);
    writeQueued_ = true;
}

void EngineTransfer::WriteEchoed() {
    if (!write_ || !writeQueued_) return;
    // The echo may be of another write that went while ours waited.
    const QByteArray frame = write_->Frame();
    if (engine_.State().TxFrame != (engine_.Rtu() ? AsciiToRtu(frame) : frame)) return;
    writeQueued_ = false;
    write_->Echoed();
    emit writeProgress(write_->Gauge());
    if (write_->Done()) FinishWrite();
}

void EngineTransfer::PatternWriteEnded() {
    // The engine ends a pattern write at the echo that follows frame 153. When that echo was
    // not ours, our last frame is still to go.
    if (write_) engine_.StartPatternWrite();
}

void EngineTransfer::FinishWrite() {
    engine_.EndPatternWrite();
    const int refused = write_->RefusedCount();
    write_.reset();
    writeQueued_ = false;
    emit writeFinished(refused);
}

void EngineTransfer::StopWrite() {
    if (!write_) return;
    // Our frame must not go out to whichever station is selected next.
    if (writeQueued_ && engine_.State().WriteFrame == write_->Frame()) engine_.WithdrawWrite();
    engine_.EndPatternWrite();
    const int written = write_->WrittenCount();
    write_.reset();
    writeQueued_ = false;
    emit writeStopped(written);
}

// ---- The station going away ----

void EngineTransfer::SelectionMoved(int st, bool connected) {
    if (st != station_ || !connected) StopAll();
}

void EngineTransfer::StopAll() {
    StopRead();
    StopWrite();
}

} // namespace vrx
