// Judging the Monitor's replies.
#include "monitorreply.h"

#include "framecodec.h"

#include <QCoreApplication>

namespace vrx {

namespace {

constexpr int ReadFunction = 0x03;
constexpr int WriteFunction = 0x06;
constexpr int ExceptionFlag = 0x80;

} // namespace

int ExceptionResult(int code) {
    const bool posesAsOurs = code == ResultGood || code == ResultTimeOut ||
                             code == ResultEchoDiffers || code == ResultWriteRefused ||
                             code == ResultBadCheck || code == ResultOtherAddress ||
                             code == ResultOtherFunction;
    return posesAsOurs ? UnknownExceptionFlag | code : code;
}

namespace {

// The register count of a read request as sent; -1 when the request is too short to hold one.
int RequestedCount(const QByteArray& request, bool rtu) {
    if (rtu) {
        if (request.size() < 6) return -1;
        return (quint8(request.at(4)) << 8) | quint8(request.at(5));
    }
    // ":" address function register count: the count's four digits start at 9.
    if (request.size() < 13) return -1;
    bool ok = false;
    const int count = request.mid(9, 4).toInt(&ok, 16);
    return ok ? count : -1;
}

} // namespace

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
    // A frame that ends before its function is broken, not another station's business.
    if (function < 0 || asked < 0) {
        result.verdict = ReplyVerdict::Garbled;
        return result;
    }
    if (function != asked && function != (asked | ExceptionFlag)) {
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
        // A read answers with the registers asked for: any other number belongs to another
        // request (a late reply), and is not shown as this one's.
        const int asked = RequestedCount(request, rtu);
        if (asked >= 0 && checked.words.size() != asked) {
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
    result.exceptionCode = checked.exceptionCode;
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
        return QCoreApplication::translate("vrx::MonitorReply", "illegal function ");
    case 2:
        return QCoreApplication::translate("vrx::MonitorReply", "illegal address ");
    case 3:
        return QCoreApplication::translate("vrx::MonitorReply", "illegal data ");
    case 4:
        return QCoreApplication::translate("vrx::MonitorReply", "illegal command ");
    case 11:
        return QCoreApplication::translate("vrx::MonitorReply", "illegal frame ");
    case 12:
        return QCoreApplication::translate("vrx::MonitorReply", "too few data ");
    case 13:
        return QCoreApplication::translate("vrx::MonitorReply", "too many data ");
    case 14:
        return QCoreApplication::translate("vrx::MonitorReply", "illegal ASCII ");
    case ResultTimeOut:
        return QCoreApplication::translate("vrx::MonitorReply", "Time out");
    case ResultEchoDiffers:
        return QCoreApplication::translate("vrx::MonitorReply", "Received data does not match");
    case ResultWriteRefused:
        return QCoreApplication::translate("vrx::MonitorReply", "Write data not successed");
    case ResultBadCheck:
        return QCoreApplication::translate("vrx::MonitorReply", "Reply check error");
    case ResultOtherAddress:
        return QCoreApplication::translate("vrx::MonitorReply", "Reply from another address");
    case ResultOtherFunction:
        return QCoreApplication::translate("vrx::MonitorReply", "Reply to another function");
    default:
        return QCoreApplication::translate("vrx::MonitorReply", "Unknown error");
    }
}

} // namespace vrx
