// Judging the Monitor's replies.
#include "monitorreply.h"

#include "framecodec.h"

namespace vrx {

namespace {

constexpr int ReadFunction = 0x03;
constexpr int WriteFunction = 0x06;
constexpr int ExceptionFlag = 0x80;

int RtuByte(const QByteArray& frame, qsizetype i) {
    return i < frame.size() ? static_cast<unsigned char>(frame.at(i)) : -1;
}

// The byte of the hex pair at character i of an ASCII frame; -1 when the frame ends before it.
int AsciiByte(const QByteArray& frame, qsizetype i) {
    return i + 1 < frame.size() ? HexToByte(frame.at(i), frame.at(i + 1)) : -1;
}

// Address and function of a frame in either framing; -1 where it is missing.
struct Head {
    int address = -1;
    int function = -1;
};

Head HeadOf(const QByteArray& frame, bool rtu) {
    if (rtu) return {RtuByte(frame, 0), RtuByte(frame, 1)};
    if (frame.isEmpty() || frame.at(0) != ':') return {};
    return {AsciiByte(frame, 1), AsciiByte(frame, 3)};
}

} // namespace

int ExceptionResult(int code) {
    const bool posesAsOurs = code == ResultGood || code == ResultTimeOut ||
                             code == ResultEchoDiffers || code == ResultWriteRefused;
    return posesAsOurs ? UnknownExceptionFlag | code : code;
}

MonitorReply JudgeReply(const QByteArray& reply, const QByteArray& request, int address, bool rtu) {
    MonitorReply result;
    const Head head = HeadOf(reply, rtu);
    if (head.address < 0 || head.address != address) return result;
    const int asked = HeadOf(request, rtu).function;
    // Only the request's own function, or its exception, answers it; a reply of another kind
    // belongs to some other exchange and is asked again.
    if (head.function < 0 || asked < 0 ||
        (head.function != asked && head.function != (asked | ExceptionFlag))) {
        result.verdict = ReplyVerdict::Ignored;
        return result;
    }
    if (head.function == WriteFunction) {
        const bool same = reply == request;
        result.verdict = same ? ReplyVerdict::EchoGood : ReplyVerdict::EchoDiffers;
        result.errorCode = same ? ResultGood : ResultEchoDiffers;
        return result;
    }
    const ReadReply checked = rtu ? CheckRtuReply(reply, address) : CheckAsciiReply(reply, address);
    if (head.function == ReadFunction) {
        if (!checked.isGood()) {
            result.verdict = ReplyVerdict::Garbled;
            return result;
        }
        result.verdict = ReplyVerdict::Words;
        result.wordCount = int(std::min<qsizetype>(checked.words.size(), result.words.size()));
        for (int i = 0; i < result.wordCount; ++i)
            result.words[std::size_t(i)] = checked.words.at(i);
        return result;
    }
    // An exception reply: a refusal is believed only when its own checksum holds.
    if (checked.status != ReplyStatus::Exception) {
        result.verdict = ReplyVerdict::Garbled;
        return result;
    }
    if (asked == WriteFunction) {
        result.verdict = ReplyVerdict::WriteRefused;
        result.errorCode = ResultWriteRefused;
    } else {
        result.verdict = ReplyVerdict::ReadRefused;
        result.errorCode = ExceptionResult(checked.exceptionCode);
    }
    return result;
}

QString ResultText(int errorCode) {
    switch (errorCode) {
    case ResultGood:
        return {};
    case 1:
        return QStringLiteral("illegal function ");
    case 2:
        return QStringLiteral("illegal address ");
    case 3:
        return QStringLiteral("illegal data ");
    case 4:
        return QStringLiteral("illegal command ");
    case 11:
        return QStringLiteral("illegal frame ");
    case 12:
        return QStringLiteral("too few data ");
    case 13:
        return QStringLiteral("too many data ");
    case 14:
        return QStringLiteral("illegal ASCII ");
    case ResultTimeOut:
        return QStringLiteral("Time out");
    case ResultEchoDiffers:
        return QStringLiteral("Received data does not match");
    case ResultWriteRefused:
        return QStringLiteral("Write data not successed");
    default:
        return QStringLiteral("Unknown error");
    }
}

} // namespace vrx
