// What a Modbus TCP master may ask of the line the recorder shares, and the answer it gets:
// pure rules, no I/O.
#pragma once

#include "mbap.h"
#include "request.h"

#include <QByteArray>

#include <optional>

namespace vrx {

// The exception codes the hub answers with, as a Modbus TCP gateway does.
enum class HubException : quint8 {
    IllegalFunction = 0x01,  // unknown function; a write or broadcast not allowed
    IllegalDataValue = 0x03, // a length or count no station takes
    Busy = 0x06,             // the master's queue is full
    PathUnavailable = 0x0A,  // the line is lost
    TargetFailed = 0x0B,     // the station did not answer, or not well
};

// Whether a request goes on the line: nothing, or the exception that answers it at once.
// Only the public functions a serial slave answers pass (01 to 06, 0F, 10), with the lengths
// and counts Modbus gives them; the writes (05, 06, 0F, 10) only when `writes` is set. Unit 0
// is a broadcast: a write when writes are allowed, nothing else.
std::optional<HubException> JudgeServed(const MbapAdu& adu, bool writes);

bool IsWriteFunction(int function);

// The length of the PDU a station answers a request JudgeServed passes with, when it does as
// asked: what the request's time on the line is reckoned from.
qsizetype ServedReplyPduBytes(const QByteArray& requestPdu);

// The exception PDU for the request's function.
QByteArray ExceptionPdu(const QByteArray& requestPdu, HubException code);

// The PDU a master gets for what the line gave its request: the station's PDU when its frame is
// whole and checked and answers this station and function; 0x0B for no answer, a bad frame or
// another's; 0x0A for a lost line. Nothing for a broadcast or a request that was freed.
std::optional<QByteArray> ServedReplyPdu(const MbapAdu& adu, const Reply& reply, Framing framing);

} // namespace vrx
