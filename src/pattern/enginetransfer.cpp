// The pattern transfers on the Monitor's engine.
#include "enginetransfer.h"

namespace vrx {

// ---- Reading ----

TransferRequest PatternReadTransfer::NextRequest() {
    return TransferRequest::Read(read_ ? read_->Request() : std::nullopt);
}

bool PatternReadTransfer::TakeReply(const TransferReply& reply) {
    if (!read_ || reply.kind != TransferReply::Kind::Words) return false;
    if (!read_->Store(reply.words)) return false;
    emit owner_.readProgress(read_->Gauge());
    return read_->Complete();
}

void PatternReadTransfer::Ended() {
    if (!read_) return;
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

bool PatternWriteTransfer::TakeReply(const TransferReply& reply) {
    if (!write_) return false;
    if (reply.kind == TransferReply::Kind::Echo) {
        write_->Echoed();
        emit owner_.writeProgress(write_->Gauge());
    } else {
        write_->Refused(reply.result, reply.exception);
    }
    return write_->Done();
}

void PatternWriteTransfer::Ended() {
    if (!write_) return;
    const PatternWriteEnd end = write_->End();
    write_.reset();
    emit owner_.writeFinished(end);
}

QString PatternWriteTransfer::Stop(const QString& reason) {
    if (!write_) return {};
    const PatternWriteEnd end = write_->End(reason);
    write_.reset();
    emit owner_.writeStopped(end);
    return {};
}

// ---- The editor's side ----

EngineTransfer::EngineTransfer(PollEngine& engine, QObject* parent)
    : QObject(parent), stations_(engine.State()), queue_(engine.Transfers()) {}

EngineTransfer::~EngineTransfer() {
    // The engine must not turn to a transfer that is gone.
    if (Reading()) queue_.Withdraw(read_);
    if (Writing()) queue_.Withdraw(write_);
}

int EngineTransfer::ReadyStation() const {
    const int st = stations_.SelStation;
    if (Reading() || Writing() || st < 1 || st > PollEngine::Stations) return 0;
    return stations_.StationConnected[st] ? st : 0;
}

bool EngineTransfer::StartRead() {
    if (ReadyStation() == 0) return false;
    // BufferReadCount is left alone: the read keeps its own position, and a parameter read may
    // be using the count.
    read_.Begin();
    queue_.StartPatternRead(read_);
    return true;
}

bool EngineTransfer::StartWrite(const PatternProgram& program) {
    // A value its register cannot hold is never sent, cut or not: the whole write is refused.
    if (ReadyStation() == 0 || ProgramRangeProblem(program)) return false;
    // BufferWriteCount is set with each frame, not here: a parameter write-back may still be
    // counting with it, and the engine lets that finish before asking for our first frame.
    queue_.StartPatternWrite(write_);
    write_.Begin(program, queue_.Address(write_));
    return true;
}

} // namespace vrx
