// A transfer the Monitor's engine runs between its polls, one request a turn: the parameter
// memory read, its write-back or broadcast, and the editor's program read and write.
#pragma once

#include "pollplan.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace vrx {

// What a transfer asks of the engine's turn: a register block to read, or a write frame (ASCII,
// as queued) charged as write `count` (BufferWriteCount); nothing when it has nothing to send.
struct TransferRequest {
    std::optional<ReadBlock> read;
    QByteArray write;
    int count = 0;

    static TransferRequest Nothing() { return {}; }
    static TransferRequest Read(std::optional<ReadBlock> block) {
        TransferRequest request;
        request.read = block;
        return request;
    }
    static TransferRequest Write(const QByteArray& frame, int count) {
        TransferRequest request;
        request.write = frame;
        request.count = count;
        return request;
    }
};

// What came back for a transfer's request.
struct TransferReply {
    enum class Kind {
        Words, // a good reply to its read
        Echo,  // its write was taken (a broadcast frame: had its time)
        Miss,  // no usable answer, or a refusal; `result` says which
    };
    Kind kind = Kind::Miss;
    QList<quint16> words;
    int result = 0;
    int exception = 0; // a refusal's exception code

    static TransferReply Words(QList<quint16> words) {
        return {Kind::Words, std::move(words), 0, 0};
    }
    static TransferReply Echo() { return {Kind::Echo, {}, 0, 0}; }
    static TransferReply Miss(int result, int exception = 0) {
        return {Kind::Miss, {}, result, exception};
    }
};

// The Monitor's TransferQueue decides which transfer goes at a turn, pins the station and
// address a transfer belongs to when it starts, and stops it when that station no longer holds:
// a transfer only says what it sends next, what it makes of the answer, and when it is through.
class Transfer {
public:
    virtual ~Transfer() = default;

    virtual TransferRequest NextRequest() = 0;
    // Takes what came back for its request. True when that was its last: the queue ends it, then
    // calls Ended().
    virtual bool TakeReply(const TransferReply& reply) = 0;
    // It has ended whole: it tells its owner what it brought.
    virtual void Ended() {}
    // It ends before its end, for `reason`. Returns what the Monitor is to say of it; empty
    // when its owner says it in its own way.
    virtual QString Stop(const QString& reason) = 0;
    // A broadcast belongs to no station.
    virtual bool StationBound() const { return true; }
};

} // namespace vrx
