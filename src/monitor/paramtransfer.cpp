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
    PinTransferStation();
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
        return;
    }
    // A write that failed is not repeated, so its register keeps the controller's old value:
    // a clone that is only partly one must not pass for a whole one.
    if (bufferWriteTaken_ < ParamWriteFrames)
        emit transferStopped(tr("Write to Select ended, but the controller did not take %1 of "
                                "the %2 settings: they keep their old values.")
                                 .arg(ParamWriteFrames - bufferWriteTaken_)
                                 .arg(ParamWriteFrames));
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
