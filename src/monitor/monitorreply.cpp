// Judging the Monitor's replies.
#include "monitorreply.h"

#include "framecodec.h"

namespace vrx {

namespace {

constexpr int ReadFunction = 0x03;
constexpr int WriteFunction = 0x06;
constexpr int ExceptionFlag = 0x80;

} // namespace

int ExceptionResult(int code) {
    const bool posesAsOurs = code == ResultGood || code == ResultTimeOut ||
                             code == ResultEchoDiffers || code == ResultWriteRefused;
    return posesAsOurs ? UnknownExceptionFlag | code : code;
}

MonitorReply JudgeReply(const QByteArray& reply, const QByteArray& request, int address, bool rtu) {
    const auto check = [rtu, address](const QByteArray& frame) {
        return rtu ? CheckRtuReply(frame, address) : CheckAsciiReply(frame, address);
    };
    MonitorReply result;
    const ReadReply checked = check(reply);
    if (checked.status == ReplyStatus::NotAddressed) return result;
    const int function = checked.function;
    const int asked = check(request).function;
    // Only the request's own function, or its exception, answers it; a reply of another kind
    // belongs to some other exchange and is asked again.
    if (function < 0 || asked < 0 || (function != asked && function != (asked | ExceptionFlag))) {
        result.verdict = ReplyVerdict::Ignored;
        return result;
    }
    if (function == WriteFunction) {
        const bool same = reply == request;
        result.verdict = same ? ReplyVerdict::EchoGood : ReplyVerdict::EchoDiffers;
        result.errorCode = same ? ResultGood : ResultEchoDiffers;
        return result;
    }
    if (function == ReadFunction) {
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
