// The engine's parameter memory transfers: Load to Buffer through the 0x474C read, the
// write-back to the selected station and the broadcast, and their ends when cut short.
#include "pollengine.h"

#include "monitorreply.h"

namespace vrx {

namespace {

// A controller that refuses the parameter memory read, or answers it with nothing usable, is
// asked again at every turn; after this many in a row the read stops, rather than keep the
// line busy with it for good and starve the polling of every station.
constexpr int BufferReadMissLimit = 3;

} // namespace

void PollEngine::StartBufferRead() {
    BufferReadPending = true;
    BufferReadCount = 0;
    PinTransferStation();
}

void PollEngine::BeginBufferRead() {
    BufferReadPending = false;
    BufferReading = true;
    // Entries the controller does not hand out keep what the buffer holds.
    bufferRead_ = ParamImageRead(ParamBuffer);
    BufferReadCount = 0;
    bufferReadMisses_ = 0;
}

void PollEngine::StoreParameterWords() {
    QList<quint16> words;
    for (int i = 0; i < ReplyWordCount; ++i)
        words.append(quint16(ReplyWords[std::size_t(i)]));
    bufferRead_.Store(words);
    BufferReadCount = bufferRead_.BufferReadCount();
    if (!bufferRead_.Complete()) {
        emit uploadProgress(bufferRead_.Gauge());
        return;
    }
    // Only a complete read reaches the buffer that is saved and written to controllers.
    BufferReading = false;
    ParamBuffer = bufferRead_.Image();
    knownMemory_[transferAddress_] = ParamBuffer;
    emit uploadFinished();
    BufferLoaded = true;
    emit bufferLoaded();
}

void PollEngine::TallyBufferRead(bool gotData, int errorCode) {
    if (!std::exchange(bufferReadOnLine_, false) || !BufferReading) return;
    if (gotData) {
        bufferReadMisses_ = 0;
        return;
    }
    if (++bufferReadMisses_ < BufferReadMissLimit) return;
    const QString refusal = IsMissedReply(errorCode) ? QString() : ResultText(errorCode).trimmed();
    StopTransfers(refusal.isEmpty() ? tr("the controller gave no usable answer")
                                    : tr("the controller refused the read (%1)").arg(refusal));
}

void PollEngine::StartBufferWrite(bool broadcast) {
    BufferWriting = true;
    BufferWriteCount = 0;
    Broadcasting = broadcast;
    // The buffer as it is now: a file opened while the writes go out changes none of them.
    writeImage_ = ParamBuffer;
    bufferWriteTaken_ = 0;
    frameTaken_.fill(false);
    PinTransferStation();
}

std::optional<int> PollEngine::SettingsToChange(int address) const {
    const auto known = knownMemory_.find(address);
    if (known == knownMemory_.end()) return std::nullopt;
    int differ = 0;
    for (int k = 0; k < ParamWriteFrames; ++k)
        if (BufferWriteValue(ParamBuffer, k) != BufferWriteValue(known->second, k)) ++differ;
    return differ;
}

void PollEngine::ParamWriteStep() {
    if (BufferWriteCount >= ParamWriteFrames) {
        // The last write failed: no echo ended the sequence, so it ends here, as after one.
        EndBufferWrite();
        RestartCycle();
        SettingsReread = true;
        return;
    }
    WriteFrame =
        BufferWriteFrame(writeImage_, BufferWriteCount, Broadcasting ? 0 : StationAddr[SelStation]);
    WritePending = true;
    ++BufferWriteCount;
}

void PollEngine::EndBufferWrite() {
    const bool broadcast = Broadcasting;
    BufferWriting = Broadcasting = WritePending = false;
    emit uploadFinished();
    if (broadcast) {
        emit opPanelEnabled();
        // No controller answers address 0: whatever each one holds now is not known.
        knownMemory_.clear();
        emit transferDone(tr("BroadCast done: the %1 settings were sent to every controller on "
                             "the line. No controller answers a broadcast, so none could be "
                             "checked.")
                              .arg(ParamWriteFrames));
        return;
    }
    const int address = transferAddress_;
    if (bufferWriteTaken_ == ParamWriteFrames) {
        knownMemory_[address] = writeImage_;
        emit transferDone(tr("Write to Select done: the controller at address %1 took all %2 "
                             "settings.")
                              .arg(address)
                              .arg(ParamWriteFrames));
        return;
    }
    knownMemory_.erase(address);
    // A write that failed is not repeated, so its register keeps the controller's old value:
    // a clone that is only partly one must not pass for a whole one.
    QStringList registers;
    for (int k = 0; k < ParamWriteFrames; ++k)
        if (!frameTaken_[std::size_t(k)])
            registers << QString::number(ParamWriteTable()[std::size_t(k)].reg, 16).toUpper();
    emit transferStopped(tr("Write to Select ended, but the controller did not take %1 of "
                            "the %2 settings: they keep their old values.")
                             .arg(ParamWriteFrames - bufferWriteTaken_)
                             .arg(ParamWriteFrames) +
                         (registers.size() == 1
                              ? tr(" Refused or unanswered: register %1.").arg(registers.first())
                              : tr(" Refused or unanswered: registers %1.")
                                    .arg(registers.join(QStringLiteral(", ")))));
}

void PollEngine::PinTransferStation() {
    transferStation_ = SelStation;
    transferAddress_ = StationAddr[SelStation];
}

bool PollEngine::TransferStationHolds() const {
    return SelStation == transferStation_ && StationAddr[SelStation] == transferAddress_;
}

void PollEngine::KeepTransferOnItsStation() {
    if (!TransferRunning()) {
        transferStation_ = 0;
        return;
    }
    // A transfer whose flags were set without its Start function belongs to the station
    // selected at its first turn.
    if (transferStation_ == 0) PinTransferStation();
    const bool stationBound =
        BufferReadPending || BufferReading || (BufferWriting && !Broadcasting);
    if (!stationBound || ConnectedCount == 0 || TransferStationHolds()) return;
    StopTransfers(SelStation != transferStation_
                      ? tr("another station was selected")
                      : tr("the address of station %1 changed").arg(transferStation_));
}

void PollEngine::StopTransfersOf(int cancelled) {
    if (!TransferRunning()) return;
    const bool stationBound =
        BufferReadPending || BufferReading || (BufferWriting && !Broadcasting);
    if (stationBound && cancelled == transferStation_) {
        StopTransfers(tr("station %1 is no longer connected").arg(cancelled));
    } else if (ConnectedCount == 0) {
        // A broadcast needs no station, but the engine sends nothing while none is connected.
        StopTransfers(tr("no station is connected any more"));
    }
}

void PollEngine::InterruptTransfers(TransferStop why) {
    emit transfersInterrupted();
    if (!TransferRunning()) return;
    StopTransfers(why == TransferStop::LineLost ? tr("the line was lost")
                                                : tr("the window was closed"));
}

void PollEngine::StopTransfers(const QString& reason) {
    QStringList lines;
    if (BufferWriting && Broadcasting) {
        lines << tr("BroadCast stopped: %1. %2 of the %3 settings were sent to the controllers.")
                     .arg(reason)
                     .arg(BufferWriteCount)
                     .arg(ParamWriteFrames);
    } else if (BufferWriting) {
        lines << tr("Write to Select stopped: %1. The controller took %2 of the %3 settings.")
                     .arg(reason)
                     .arg(bufferWriteTaken_)
                     .arg(ParamWriteFrames);
    }
    if (BufferReadPending || BufferReading)
        lines << tr("Load to Buffer stopped: %1. The buffer is unchanged.").arg(reason);
    if (BufferWriting) {
        BufferWriting = Broadcasting = WritePending = false;
        // Show what the controller holds now that only part of the settings went in.
        SettingsReread = true;
    }
    BufferReadPending = BufferReading = false;
    bufferReadOnLine_ = false;
    bufferReadMisses_ = 0;
    emit uploadFinished();
    emit opPanelEnabled();
    emit transferStopped(lines.join(QLatin1Char('\n')));
}

} // namespace vrx
