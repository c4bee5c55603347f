// The parameter memory transfers: Load to Buffer through the 0x474C read, and the write-back of
// the buffer to the selected station (Write to Select) or to address 0 (BroadCast).
#pragma once

#include "paramimage.h"
#include "transfer.h"

#include <array>
#include <map>
#include <optional>

namespace vrx {

class PollEngine;

// The parameter memory of each address as last read whole or written whole.
using KnownMemory = std::map<int, ParamImage>;

// Load to Buffer: the memory is gathered apart from the buffer, which takes it only once all of
// it has come. It reports its gauge through the engine's uploadProgress.
class ParamRead final : public Transfer {
public:
    explicit ParamRead(PollEngine& engine) : engine_(engine) {}

    // Entries the controller does not hand out keep what `buffer` holds.
    void Begin(const ParamImage& buffer);

    TransferRequest NextRequest() override { return TransferRequest::Read(ParameterMemoryBlock); }
    void TakeReply(const TransferReply& reply) override;
    QString Stop(const QString& reason) override;

    // Entries received so far (BufferReadCount).
    int Entries() const { return read_.BufferReadCount(); }
    bool Complete() const { return read_.Complete(); }
    const ParamImage& Image() const { return read_.Image(); }
    // Why the read gives up, once the controller refused it or gave nothing usable too often in
    // a row.
    std::optional<QString> GivenUp() const;

private:
    PollEngine& engine_;
    ParamImageRead read_;
    int misses_ = 0;
    int lastResult_ = 0;
};

// Write to Select or BroadCast: the 32 writes of the buffer as it was when it started (a file
// opened meanwhile changes none of them), one a turn. A write that fails is not repeated: the
// next one follows, and the end says which did not go in. It reports through the engine's
// signals (uploadProgress, uploadFinished, opPanelEnabled, transferDone, transferStopped).
class ParamWriteBack final : public Transfer {
public:
    ParamWriteBack(PollEngine& engine, KnownMemory& known) : engine_(engine), known_(known) {}

    // `address` is the station's, or 0 for a broadcast.
    void Begin(const ParamImage& image, int address, bool broadcast);

    // The next of the 32 writes; nothing once all have been composed.
    TransferRequest NextRequest() override;
    // A broadcast frame has had its time; a write to the station was echoed.
    void TakeReply(const TransferReply& reply) override;
    QString Stop(const QString& reason) override;
    bool StationBound() const override { return !broadcast_; }

    // All 32 were sent and the last one echoed or had its time.
    bool AllSent() const { return sent_ >= ParamWriteFrames; }
    // Says what the controllers now hold, once the 32 writes are through.
    void Finish();

private:
    PollEngine& engine_;
    KnownMemory& known_;
    ParamImage image_{};
    int address_ = 0;
    bool broadcast_ = false;
    // Writes composed, and echoed.
    int sent_ = 0;
    int taken_ = 0;
    std::array<bool, ParamWriteFrames> frameTaken_{};
};

} // namespace vrx
