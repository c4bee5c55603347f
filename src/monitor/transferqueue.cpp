// Which transfer goes at a turn, the pins that keep each on its station, and their ends.
#include "transferqueue.h"

#include "pollengine.h"

#include <QCoreApplication>
#include <QStringList>

#include <utility>

namespace vrx {

// The texts are the Monitor's: they keep the engine's translation context.

TransferQueue::TransferQueue(const MonitorState& stations, TransferFlags& flags, QObject* parent)
    : QObject(parent), stations_(stations), flags_(flags) {
    connect(&paramRead_, &ParamRead::progress, this, &TransferQueue::progress);
    connect(&writeBack_, &ParamWriteBack::progress, this, &TransferQueue::progress);
}

// ---- Pins ----

TransferPin TransferQueue::PinSelected() const {
    return {stations_.SelStation, stations_.StationAddr[stations_.SelStation]};
}

bool TransferQueue::PinHolds(const TransferPin& pin) const {
    return stations_.SelStation == pin.station && stations_.StationConnected[pin.station] &&
           stations_.StationAddr[pin.station] == pin.address;
}

QString TransferQueue::PinBroken(const TransferPin& pin) const {
    if (stations_.SelStation != pin.station)
        return QCoreApplication::translate("vrx::PollEngine", "another station was selected");
    if (!stations_.StationConnected[pin.station])
        return QCoreApplication::translate("vrx::PollEngine", "station %1 is no longer connected")
            .arg(pin.station);
    return QCoreApplication::translate("vrx::PollEngine", "the address of station %1 changed")
        .arg(pin.station);
}

int TransferQueue::Address(const Transfer& transfer) const {
    if (&transfer == patternRead_) return patternReadPin_.address;
    if (&transfer == patternWrite_) return patternWritePin_.address;
    if (&transfer == &paramRead_ && (flags_.BufferReadPending || flags_.BufferReading))
        return paramReadPin_.address;
    if (&transfer == &writeBack_ && flags_.BufferWriting) return writeBackPin_.address;
    return 0;
}

bool TransferQueue::ParamTransferRunning() const {
    return flags_.BufferReadPending || flags_.BufferReading || flags_.BufferWriting;
}

std::optional<int> TransferQueue::SettingsToChange(const ParamImage& buffer, int address) const {
    const auto known = known_.find(address);
    if (known == known_.end()) return std::nullopt;
    int differ = 0;
    for (int k = 0; k < ParamWriteFrames; ++k)
        if (BufferWriteValue(buffer, k) != BufferWriteValue(known->second, k)) ++differ;
    return differ;
}

// ---- Load to Buffer ----

void TransferQueue::StartParamRead() {
    flags_.BufferReadPending = true;
    flags_.BufferReadCount = 0;
    paramReadPin_ = PinSelected();
}

void TransferQueue::BeginParamRead() {
    flags_.BufferReadPending = false;
    flags_.BufferReading = true;
    // Entries the controller does not hand out keep what the buffer holds.
    paramRead_.Begin(stations_.ParamBuffer);
    flags_.BufferReadCount = 0;
}

void TransferQueue::EndParamRead() {
    // Only a complete read reaches the buffer that is saved and written to controllers.
    flags_.BufferReading = false;
    readOnLine_ = nullptr;
    known_[paramReadPin_.address] = paramRead_.Image();
    emit bufferRead(paramRead_.Image());
}

// ---- Write to Select and BroadCast ----

void TransferQueue::StartWriteBack(const ParamImage& buffer, bool broadcast) {
    flags_.BufferWriting = true;
    flags_.BufferWriteCount = 0;
    flags_.Broadcasting = broadcast;
    writeBackPin_ = PinSelected();
    writeBack_.Begin(buffer, writeBackPin_.address, broadcast);
}

void TransferQueue::EndWriteBack() {
    flags_.BufferWriting = flags_.Broadcasting = false;
    emit writeBackEnded(writeBack_.Finish());
}

// ---- The editor's program read and write ----

void TransferQueue::StartPatternRead(Transfer& read) {
    patternRead_ = &read;
    patternReadPin_ = PinSelected();
    flags_.PatternReadPending = true;
}

void TransferQueue::EndPatternRead() {
    flags_.PatternReadPending = flags_.PatternReading = false;
    if (readOnLine_ == patternRead_) readOnLine_ = nullptr;
    patternRead_ = nullptr;
}

void TransferQueue::StartPatternWrite(Transfer& write) {
    patternWrite_ = &write;
    patternWritePin_ = PinSelected();
    flags_.PatternWriting = true;
}

void TransferQueue::EndPatternWrite() {
    // Its frame must not go out to whichever station is selected next, nor an echo or refusal
    // be taken for a write that has ended.
    if (writeOwner_ != nullptr && writeOwner_ == patternWrite_) {
        writeOwner_ = nullptr;
        emit writeWithdrawn();
    }
    if (writeOnLine_ == patternWrite_) writeOnLine_ = nullptr;
    flags_.PatternWriting = false;
    patternWrite_ = nullptr;
}

void TransferQueue::Withdraw(const Transfer& transfer) {
    if (&transfer == patternRead_) EndPatternRead();
    if (&transfer == patternWrite_) EndPatternWrite();
}

void TransferQueue::Hand(Transfer& transfer, const TransferReply& reply) {
    if (!transfer.TakeReply(reply)) return;
    Withdraw(transfer);
    transfer.Ended();
}

// ---- Stops ----

void TransferQueue::StopParamTransfers(const QString& reason) {
    QStringList lines;
    const bool writing = flags_.BufferWriting;
    if (writing) lines << writeBack_.Stop(reason);
    if (flags_.BufferReadPending || flags_.BufferReading) lines << paramRead_.Stop(reason);
    flags_.BufferWriting = flags_.Broadcasting = false;
    flags_.BufferReadPending = flags_.BufferReading = false;
    if (readOnLine_ == &paramRead_) readOnLine_ = nullptr;
    emit paramTransfersStopped(lines.join(QLatin1Char('\n')), writing);
}

void TransferQueue::StopPatternRead(const QString& reason) {
    Transfer* const read = patternRead_;
    if (read == nullptr) return;
    EndPatternRead();
    read->Stop(reason);
}

void TransferQueue::StopPatternWrite(const QString& reason) {
    Transfer* const write = patternWrite_;
    if (write == nullptr) return;
    EndPatternWrite();
    write->Stop(reason);
}

void TransferQueue::SelectionMoved(int st, bool connected) {
    const auto moved = [&](const TransferPin& pin) { return st != pin.station || !connected; };
    const QString reason =
        connected
            ? QCoreApplication::translate("vrx::PollEngine", "another station was selected")
            : QCoreApplication::translate("vrx::PollEngine", "station %1 is no longer connected")
                  .arg(st);
    if (patternRead_ && moved(patternReadPin_)) StopPatternRead(reason);
    if (patternWrite_ && moved(patternWritePin_)) StopPatternWrite(reason);
}

void TransferQueue::StationCancelled(int st) {
    if (!ParamTransferRunning()) return;
    const bool itsStation =
        ((flags_.BufferReadPending || flags_.BufferReading) && paramReadPin_.station == st) ||
        (flags_.BufferWriting && writeBack_.StationBound() && writeBackPin_.station == st);
    if (itsStation) {
        StopParamTransfers(
            QCoreApplication::translate("vrx::PollEngine", "station %1 is no longer connected")
                .arg(st));
    } else if (stations_.ConnectedCount == 0) {
        // A broadcast needs no station, but the engine sends nothing while none is connected.
        StopParamTransfers(
            QCoreApplication::translate("vrx::PollEngine", "no station is connected any more"));
    }
}

void TransferQueue::StationDropped(int st, const QString& reason) {
    if (patternRead_ && patternReadPin_.station == st) StopPatternRead(reason);
    if (patternWrite_ && patternWritePin_.station == st) StopPatternWrite(reason);
}

void TransferQueue::Interrupt(const QString& reason) {
    StopPatternRead(reason);
    StopPatternWrite(reason);
    if (ParamTransferRunning()) StopParamTransfers(reason);
}

void TransferQueue::Reset(const QString& reason) {
    flags_.BufferReading = flags_.BufferReadPending = false;
    flags_.Broadcasting = flags_.BufferWriting = false;
    flags_.PatternReading = flags_.PatternReadPending = false;
    readOnLine_ = nullptr;
    StopPatternRead(reason);
    StopPatternWrite(reason);
}

void TransferQueue::KeepOnTheirStations() {
    // No turn goes anywhere while none is connected; the transfers were told when the last
    // station went.
    if (stations_.ConnectedCount == 0) return;
    // The program read is judged at its reply instead (TakeWords), and at once when the
    // selection moves.
    const bool readMoved =
        (flags_.BufferReadPending || flags_.BufferReading) && !PinHolds(paramReadPin_);
    const bool writeMoved =
        flags_.BufferWriting && writeBack_.StationBound() && !PinHolds(writeBackPin_);
    if (readMoved || writeMoved)
        StopParamTransfers(PinBroken(readMoved ? paramReadPin_ : writeBackPin_));
    if (patternWrite_ && !PinHolds(patternWritePin_)) StopPatternWrite(PinBroken(patternWritePin_));
}

// ---- The turn ----

TransferQueue::WriteTurn TransferQueue::NextWrite(bool writeWaiting) {
    Transfer* writer = nullptr;
    if (flags_.BufferWriting) {
        writer = &writeBack_;
    } else if (flags_.PatternWriting && !writeWaiting) {
        writer = patternWrite_;
    }
    if (writer == nullptr) return {};
    TransferRequest request = writer->NextRequest();
    if (request.write.isEmpty()) {
        if (writer != &writeBack_) return {};
        // The last write failed: no echo ended the sequence, so it ends here, as after one.
        EndWriteBack();
        return {std::nullopt, true};
    }
    flags_.BufferWriteCount = request.count;
    writeOwner_ = writer;
    return {std::move(request.write), false};
}

void TransferQueue::WriteGoesOut(bool unlock) {
    readOnLine_ = nullptr;
    writeOnLine_ = unlock ? nullptr : writeOwner_;
}

bool TransferQueue::ReadsSelected() const {
    return flags_.BufferReading || flags_.PatternReading;
}

std::optional<ReadBlock> TransferQueue::NextRead(std::optional<ReadBlock> poll) {
    // A parameter read pre-empts a program read, which keeps its place meanwhile.
    readOnLine_ = flags_.BufferReading    ? &paramRead_
                  : flags_.PatternReading ? patternRead_
                                          : nullptr;
    return readOnLine_ ? readOnLine_->NextRequest().read : poll;
}

// ---- Replies ----

void TransferQueue::TakeWords(const QList<quint16>& words, int address) {
    const TransferReply reply = TransferReply::Words(words);
    if (readOnLine_ == &paramRead_) {
        const bool complete = paramRead_.TakeReply(reply);
        flags_.BufferReadCount = paramRead_.Entries();
        if (complete) EndParamRead();
        return;
    }
    // A program pieced together from two controllers is none: the reply must come from the
    // station and address the read began with.
    if (address != patternReadPin_.address || !PinHolds(patternReadPin_))
        return StopPatternRead(PinBroken(patternReadPin_));
    Hand(*readOnLine_, reply);
}

void TransferQueue::ReadEnded(bool gotData, int result) {
    Transfer* const read = std::exchange(readOnLine_, nullptr);
    if (read == nullptr || gotData) return;
    if (read != &paramRead_) return Hand(*read, TransferReply::Miss(result));
    paramRead_.TakeReply(TransferReply::Miss(result));
    if (const std::optional<QString> why = paramRead_.GivenUp()) StopParamTransfers(*why);
}

void TransferQueue::StartWaitingReads() {
    // Only here, between two exchanges, so a reply to a poll never lands in a transfer.
    if (flags_.BufferReadPending) {
        BeginParamRead();
    } else if (flags_.PatternReadPending) {
        flags_.PatternReadPending = false;
        flags_.PatternReading = true;
    }
}

bool TransferQueue::BroadcastFrameEnded() {
    if (!writeBack_.TakeReply(TransferReply::Echo())) return false;
    EndWriteBack();
    return true;
}

bool TransferQueue::TakeWriteBackEcho() {
    // While a write-back runs, every write that goes out is one of its own.
    if (!flags_.BufferWriting || flags_.BufferWriteCount == 0) return false;
    if (!writeBack_.TakeReply(TransferReply::Echo())) return false;
    EndWriteBack();
    return true;
}

void TransferQueue::PendingWriteEchoed() {
    writeOwner_ = nullptr;
    // The echo is of the write on the line, which may not be the one waiting now.
    if (flags_.PatternWriting && writeOnLine_ != nullptr && writeOnLine_ == patternWrite_)
        Hand(*patternWrite_, TransferReply::Echo());
}

void TransferQueue::PendingWriteRefused(bool pending, int result, int exception) {
    Transfer* const owner = pending ? std::exchange(writeOwner_, nullptr) : nullptr;
    if (owner) Hand(*owner, TransferReply::Miss(result, exception));
}

} // namespace vrx
