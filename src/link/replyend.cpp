// The reply-end rule.
#include "replyend.h"

#include "framecodec.h"

namespace vrx {

namespace {

constexpr int ExceptionFlag = 0x80;
constexpr int ExceptionLength = 5; // address, function, code, CRC
constexpr int EchoLength = 8;      // address, function, two words, CRC

int ByteAt(const QByteArray& bytes, qsizetype i) {
    return static_cast<unsigned char>(bytes.at(i));
}

// The length of a reply of this function to this request, or 0 when its shape is not known;
// -1 when the length depends on a byte count not yet received.
qsizetype RtuLength(const QByteArray& received, int function) {
    if (function & ExceptionFlag) return ExceptionLength;
    switch (function) {
    case 0x01: // read coils, discrete inputs, holding and input registers: count, then data
    case 0x02:
    case 0x03:
    case 0x04:
        return received.size() < 3 ? -1 : 5 + ByteAt(received, 2);
    case 0x05: // single and multiple writes answer with address and value or count
    case 0x06:
    case 0x0F:
    case 0x10:
        return EchoLength;
    default:
        return 0;
    }
}

ReplyEnd RtuEnd(const QByteArray& received, const QByteArray& request) {
    if (received.isEmpty()) return {};
    if (request.size() < 2) return {}; // nothing to compare with: silence decides
    if (ByteAt(received, 0) != ByteAt(request, 0)) return {ReplyEndState::Broken, 0};
    const int asked = ByteAt(request, 1);
    const ReplyEnd begun{ReplyEndState::Pending, 0, RtuLength(received, asked) != 0};
    if (received.size() < 2) return begun;
    const int function = ByteAt(received, 1);
    if (function != asked && function != (asked | ExceptionFlag)) return {ReplyEndState::Broken, 0};
    const qsizetype length = RtuLength(received, function);
    if (length == 0) return {};
    if (length < 0 || received.size() < length) return begun;
    const QByteArray frame = received.first(length);
    if (frame.last(2) != ModbusCrc(frame.first(length - 2))) return {ReplyEndState::Broken, 0};
    return {ReplyEndState::Complete, length};
}

} // namespace

ReplyEnd FindReplyEnd(const QByteArray& received, const QByteArray& request, bool rtu) {
    if (rtu) return RtuEnd(received, request);
    const qsizetype lf = received.indexOf('\n');
    if (lf < 0) return {};
    return {ReplyEndState::Complete, lf + 1};
}

} // namespace vrx
