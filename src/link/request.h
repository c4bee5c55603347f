// Request: one request to a station as a value, framed once by the line's framing; Reply: how
// the line answered it.
#pragma once

#include "linedevice.h"
#include "mbap.h"

#include <QByteArray>

#include <optional>

namespace vrx {

enum class RequestKind {
    Read,  // function 03: `Count()` holding registers from `Register()`
    Write, // function 06: `Value()` to one register
    Text,  // an ASCII frame text a tool composed (the parameter boxes' queued writes)
    Raw,   // bytes as they go on the wire, whatever the framing (the tester's typed line)
};

// What a tool asks of a station. Read and Write are composed when they are made, so a value that
// does not fit its field throws FrameRangeError there, before anything waits for the line.
class Request {
public:
    // An empty raw request: nothing to send.
    Request() = default;

    // Throw FrameRangeError as ReadRequest and WriteRequest do.
    static Request Read(int address, int firstRegister, int count);
    static Request Write(int address, int reg, qint64 value);
    // ":" address function data LRC CR LF, as the tool composed it.
    static Request Text(QByteArray asciiFrame);
    static Request Raw(QByteArray bytes);

    RequestKind Kind() const { return kind_; }
    bool IsEmpty() const { return text_.isEmpty(); }
    // Read and Write only; 0 for the others.
    int Address() const { return address_; }
    int Register() const { return register_; }
    int Count() const { return count_; }
    qint64 Value() const { return value_; }

    // The bytes on the wire: the ASCII text in ASCII, AsciiToRtu of it in RTU; raw bytes as
    // they are in either framing.
    QByteArray Frame(Framing framing) const;
    // The unit and PDU a Modbus TCP gateway gets for this request: known for Read and Write,
    // taken out of the frame for Text (nothing when no slave would take the frame), nothing for
    // raw bytes, which a line carries as the frame they are.
    std::optional<SerialRequest> Pdu(Framing framing) const;

    friend bool operator==(const Request&, const Request&) = default;

private:
    RequestKind kind_ = RequestKind::Raw;
    int address_ = 0;
    int register_ = 0;
    int count_ = 0;
    qint64 value_ = 0;
    // The ASCII frame text (Read, Write, Text) or the raw bytes.
    QByteArray text_;
};

enum class ReplyKind {
    Replied,  // the reply ended: by its rule, or (RTU) by the silence after it
    TimedOut, // no reply, or none that ended, within the time-out
    LineLost, // the line went away while the request waited or was out
    Freed,    // a disowned request ended; what came for it answers nobody
    NotSent,  // the line refused the bytes when the request's turn came
};

// A request and how it ended, handed back to the one that asked.
struct Reply {
    ReplyKind kind = ReplyKind::TimedOut;
    Request request;
    // Replied: the frame (bytes after its end left out); TimedOut: what came.
    QByteArray frame;
    // Every byte taken for the request, up to the reply limit.
    QByteArray received;
    // From the send to the end (Replied, TimedOut, Freed); 0 otherwise.
    qint64 elapsedMs = 0;
    // From the send to the last byte that came for the request; -1 when none came.
    qint64 lastByteMs = -1;
};

} // namespace vrx
