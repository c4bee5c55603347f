// The parameter memory transfers: Load to Buffer through the 0x474C read, and the write-back of
// the buffer to the selected station (Write to Select) or to address 0 (BroadCast).
#pragma once

#include "paramimage.h"
#include "transfer.h"

#include <QObject>
#include <QString>

#include <array>
#include <map>
#include <optional>

namespace vrx {

// The parameter memory of each address as last read whole or written whole.
using KnownMemory = std::map<int, ParamImage>;

// Load to Buffer: the memory is gathered apart from the buffer, which takes it only once all of
// it has come (TakeReply says when).
class ParamRead final : public QObject, public Transfer {
    Q_OBJECT
public:
    // Entries the controller does not hand out keep what `buffer` holds.
    void Begin(const ParamImage& buffer);

    TransferRequest NextRequest() override { return TransferRequest::Read(ParameterMemoryBlock); }
    bool TakeReply(const TransferReply& reply) override;
    QString Stop(const QString& reason) override;

    // Entries received so far (BufferReadCount).
    int Entries() const { return read_.BufferReadCount(); }
    bool Complete() const { return read_.Complete(); }
    const ParamImage& Image() const { return read_.Image(); }
    // Why the read gives up, once the controller refused it or gave nothing usable too often in
    // a row.
    std::optional<QString> GivenUp() const;

signals:
    // The gauge while the memory comes, short of its end.
    void progress(int percent);

private:
    ParamImageRead read_;
    int misses_ = 0;
    int lastResult_ = 0;
};

// How a write-back that went through all 32 writes ended, as the Monitor says it.
struct WriteBackEnd {
    bool broadcast = false;
    // Done as asked: a broadcast, or every write taken. Otherwise the text says what was not.
    bool done = false;
    QString text;
};

// Write to Select or BroadCast: the 32 writes of the buffer as it was when it started (a file
// opened meanwhile changes none of them), one a turn. A write that fails is not repeated: the
// next one follows, and the end says which did not go in.
class ParamWriteBack final : public QObject, public Transfer {
    Q_OBJECT
public:
    explicit ParamWriteBack(KnownMemory& known) : known_(known) {}

    // `address` is the station's, or 0 for a broadcast.
    void Begin(const ParamImage& image, int address, bool broadcast);

    // The next of the 32 writes; nothing once all have been composed.
    TransferRequest NextRequest() override;
    // A broadcast frame has had its time; a write to the station was echoed. True once all
    // 32 were sent and the last one echoed or had its time.
    bool TakeReply(const TransferReply& reply) override;
    QString Stop(const QString& reason) override;
    bool StationBound() const override { return !broadcast_; }

    // Says what the controllers now hold, once the 32 writes are through, and keeps it.
    WriteBackEnd Finish();

signals:
    void progress(int percent);

private:
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
