// The rules of a served request.
#include "servedrequest.h"

namespace vrx {

namespace {

int ByteAt(const QByteArray& bytes, qsizetype at) {
    return static_cast<unsigned char>(bytes.at(at));
}
int WordAt(const QByteArray& bytes, qsizetype at) {
    return ByteAt(bytes, at) << 8 | ByteAt(bytes, at + 1);
}

// A length or count no station takes.
bool Malformed(const QByteArray& pdu) {
    const int function = ByteAt(pdu, 0);
    switch (function) {
    case 0x01: // coils and discrete inputs: up to 2000 bits
    case 0x02: {
        if (pdu.size() != 5) return true;
        const int count = WordAt(pdu, 3);
        return count < 1 || count > 2000;
    }
    case 0x03: // holding and input registers: up to 125 words
    case 0x04: {
        if (pdu.size() != 5) return true;
        const int count = WordAt(pdu, 3);
        return count < 1 || count > 125;
    }
    case 0x05: {
        if (pdu.size() != 5) return true;
        const int value = WordAt(pdu, 3);
        return value != 0x0000 && value != 0xFF00;
    }
    case 0x06:
        return pdu.size() != 5;
    case 0x0F: { // up to 1968 coils, a byte for every eight
        if (pdu.size() < 6) return true;
        const int count = WordAt(pdu, 3);
        return count < 1 || count > 1968 || ByteAt(pdu, 5) != (count + 7) / 8 ||
               pdu.size() != 6 + ByteAt(pdu, 5);
    }
    case 0x10: { // up to 123 registers, two bytes each
        if (pdu.size() < 6) return true;
        const int count = WordAt(pdu, 3);
        return count < 1 || count > 123 || ByteAt(pdu, 5) != 2 * count ||
               pdu.size() != 6 + ByteAt(pdu, 5);
    }
    default:
        return false;
    }
}

} // namespace

bool IsWriteFunction(int function) {
    return function == 0x05 || function == 0x06 || function == 0x0F || function == 0x10;
}

qsizetype ServedReplyPduBytes(const QByteArray& pdu) {
    if (pdu.size() < 5) return 2;
    switch (ByteAt(pdu, 0)) {
    case 0x01:
    case 0x02:
        return 2 + (WordAt(pdu, 3) + 7) / 8;
    case 0x03:
    case 0x04:
        return 2 + 2 * qsizetype(WordAt(pdu, 3));
    default: // a write is answered with its echo, or its address and count
        return 5;
    }
}

std::optional<HubException> JudgeServed(const MbapAdu& adu, bool writes) {
    if (adu.pdu.isEmpty()) return HubException::IllegalFunction;
    const int function = ByteAt(adu.pdu, 0);
    const bool known =
        (function >= 0x01 && function <= 0x06) || function == 0x0F || function == 0x10;
    if (!known) return HubException::IllegalFunction;
    const bool write = IsWriteFunction(function);
    if (write && !writes) return HubException::IllegalFunction;
    // A broadcast has no answer to read: only a write is one.
    if (adu.unit == 0 && !write) return HubException::IllegalFunction;
    if (Malformed(adu.pdu)) return HubException::IllegalDataValue;
    return std::nullopt;
}

QByteArray ExceptionPdu(const QByteArray& requestPdu, HubException code) {
    const int function = requestPdu.isEmpty() ? 0 : ByteAt(requestPdu, 0);
    QByteArray pdu;
    pdu.append(char((function | 0x80) & 0xFF)).append(char(code));
    return pdu;
}

std::optional<QByteArray> ServedReplyPdu(const MbapAdu& adu, const Reply& reply, Framing framing) {
    switch (reply.kind) {
    case ReplyKind::Freed:
        return std::nullopt;
    case ReplyKind::LineLost:
    case ReplyKind::NotSent:
        return ExceptionPdu(adu.pdu, HubException::PathUnavailable);
    case ReplyKind::TimedOut:
        if (adu.unit == 0) return std::nullopt;
        return ExceptionPdu(adu.pdu, HubException::TargetFailed);
    case ReplyKind::Replied:
        break;
    }
    if (adu.unit == 0) return std::nullopt;
    const std::optional<SerialRequest> answer =
        SerialFrameToPdu(reply.frame, framing == Framing::Ascii);
    const int function = ByteAt(adu.pdu, 0);
    if (!answer || answer->unit != adu.unit || answer->pdu.isEmpty() ||
        (ByteAt(answer->pdu, 0) & 0x7F) != function)
        return ExceptionPdu(adu.pdu, HubException::TargetFailed);
    return answer->pdu;
}

} // namespace vrx
