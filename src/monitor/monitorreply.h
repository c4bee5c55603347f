// The Monitor's judgement of one complete reply against the request it answers: what the engine
// does with it and which result it reports. Pure: bytes in, verdict out.
#pragma once

#include "registerdisplay.h"

#include <QByteArray>

namespace vrx {

enum class ReplyVerdict {
    Unaddressed,  // no start character, another station, or nothing at all: the chain stops
    Garbled,      // our station's reply failing its check, or a read of another length
    Words,        // a good read reply; words holds its registers
    EchoGood,     // a write echoed unchanged
    EchoDiffers,  // a write echo that is not the request (error 30)
    WriteRefused, // the write refused with an exception reply (error 31)
    ReadRefused,  // the read refused with an exception reply (error = its code)
    Ignored,      // a function that does not answer the request: asked again, nothing reported
};

// The result codes shown for a reply.
inline constexpr int ResultGood = 0;
inline constexpr int ResultTimeOut = 15;
inline constexpr int ResultEchoDiffers = 30;
inline constexpr int ResultWriteRefused = 31;
// A reply that does not answer the request: failing its LRC or CRC, or of another length than
// asked; from another address; of another function.
inline constexpr int ResultBadCheck = 32;
inline constexpr int ResultOtherAddress = 33;
inline constexpr int ResultOtherFunction = 34;
// Marks an exception code that would otherwise read as one of the codes above: a refusal is
// never taken for a good reply, a time-out or a failed write.
inline constexpr int UnknownExceptionFlag = 0x100;

constexpr bool IsWriteFailure(int errorCode) {
    return errorCode == ResultEchoDiffers || errorCode == ResultWriteRefused;
}
// Results that count towards dropping a station: no answer, or none that answers the request.
constexpr bool IsMissedReply(int errorCode) {
    return errorCode == ResultTimeOut || errorCode == ResultBadCheck ||
           errorCode == ResultOtherAddress || errorCode == ResultOtherFunction;
}

// The result code of an exception reply to a read: its exception code.
int ExceptionResult(int code);

struct MonitorReply {
    ReplyVerdict verdict = ReplyVerdict::Unaddressed;
    int errorCode = ResultGood;
    int exceptionCode = 0;  // WriteRefused, ReadRefused: the code the controller gave
    ReplyWordArray words{}; // Words: the registers, unused ones 0
    int wordCount = 0;      // Words: how many registers the reply carried
};

// Judges a complete reply (ASCII text up to its LF, or RTU bytes) to `request` as it was sent
// (ASCII with LRC and CR LF, or RTU with CRC) to the station `address`.
MonitorReply JudgeReply(const QByteArray& reply, const QByteArray& request, int address, bool rtu);

// The status-line text of a result code; empty for a good result.
QString ResultText(int errorCode);

} // namespace vrx
