// The pattern transfers on the Monitor's engine.
#include "enginetransfer.h"

namespace vrx {

// ---- Reading ----

int PatternReadTransfer::Begin() {
    read_.emplace();
    return read_->PatternStep();
}

TransferRequest PatternReadTransfer::NextRequest() {
    return TransferRequest::Read(read_ ? read_->Request() : std::nullopt);
}

void PatternReadTransfer::TakeReply(const TransferReply& reply) {
    if (!read_ || reply.kind != TransferReply::Kind::Words) return;
    if (!read_->Store(reply.words)) return;
    engine_.SetPatternStep(read_->PatternStep());
    emit owner_.readProgress(read_->Gauge());
    if (!read_->Complete()) return;
    engine_.EndPatternRead();
    const PatternProgram program = read_->Program();
    read_.reset();
    emit owner_.readFinished(program);
}

QString PatternReadTransfer::Stop(const QString&) {
    if (!read_) return {};
    read_.reset();
    emit owner_.readStopped();
    return {};
}

// ---- Writing ----

TransferRequest PatternWriteTransfer::NextRequest() {
    if (!write_ || write_->Done()) return TransferRequest::Nothing();
    return TransferRequest::Write(write_->Frame(), write_->Position() + 1);
}

void PatternWriteTransfer::TakeReply(const TransferReply& reply) {
    if (!write_) return;
    if (reply.kind == TransferReply::Kind::Echo) {
        write_->Echoed();
        emit owner_.writeProgress(write_->Gauge());
    } else {
        write_->Refused();
    }
    if (!write_->Done()) return;
    engine_.EndPatternWrite();
    const int refused = write_->RefusedCount();
    write_.reset();
    emit owner_.writeFinished(refused);
}

QString PatternWriteTransfer::Stop(const QString&) {
    if (!write_) return {};
    const int written = write_->WrittenCount();
    write_.reset();
    emit owner_.writeStopped(written);
    return {};
}

// ---- The editor's side ----

EngineTransfer::EngineTransfer(PollEngine& engine, QObject* parent)
    : QObject(parent), engine_(engine) {}

EngineTransfer::~EngineTransfer() {
    // The engine must not turn to a transfer that is gone.
    if (Reading()) engine_.EndPatternRead();
    if (Writing()) engine_.EndPatternWrite();
}

int EngineTransfer::ReadyStation() const {
    const int st = engine_.State().SelStation;
    if (Reading() || Writing() || st < 1 || st > PollEngine::Stations) return 0;
    return engine_.State().StationConnected[st] ? st : 0;
}

bool EngineTransfer::StartRead() {
    if (ReadyStation() == 0) return false;
    // BufferReadCount is left alone: the read keeps its own position, and a parameter read may
    // be using the count.
    engine_.StartPatternRead(read_, read_.Begin());
    return true;
}

bool EngineTransfer::StartWrite(const PatternProgram& program) {
    // A value its register cannot hold is never sent, cut or not: the whole write is refused.
    if (ReadyStation() == 0 || ProgramRangeProblem(program)) return false;
    // BufferWriteCount is set with each frame, not here: a parameter write-back may still be
    // counting with it, and the engine lets that finish before asking for our first frame.
    engine_.StartPatternWrite(write_);
    write_.Begin(program, engine_.TransferAddress(write_));
    return true;
}

} // namespace vrx
