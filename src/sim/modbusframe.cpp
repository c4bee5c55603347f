// Modbus ASCII and RTU framing on the slave side, over the program's frame codec.
#include "modbusframe.h"

#include "framecodec.h"

namespace vrx::sim {

namespace {

bool IsHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

QByteArray Body(const Pdu& pdu) {
    QByteArray body;
    body.append(char(pdu.address));
    body.append(char(pdu.function));
    body.append(pdu.data);
    return body;
}

Pdu FromBody(const QByteArray& body) {
    Pdu pdu;
    pdu.address = quint8(body[0]);
    pdu.function = quint8(body[1]);
    pdu.data = body.mid(2);
    return pdu;
}

} // namespace

std::optional<Pdu> DecodeAscii(const QByteArray& frame) {
    // ":" + at least address, function and LRC (6 hex digits) + CR LF, an even digit count.
    if (frame.size() < 9 || frame[0] != ':' || !frame.endsWith("\r\n")) return std::nullopt;
    const QByteArray hex = frame.mid(1, frame.size() - 3).toUpper();
    if (hex.size() % 2 != 0) return std::nullopt;
    for (char c : hex)
        if (!IsHex(c)) return std::nullopt;
    const QByteArray text = ':' + hex.left(hex.size() - 2);
    if (AsciiLrc(text) != hex.right(2)) return std::nullopt;
    return FromBody(QByteArray::fromHex(hex.left(hex.size() - 2)));
}

std::optional<Pdu> DecodeRtu(const QByteArray& frame) {
    if (frame.size() < 4) return std::nullopt;
    const QByteArray body = frame.left(frame.size() - 2);
    if (ModbusCrc(body) != frame.right(2)) return std::nullopt;
    return FromBody(body);
}

std::optional<Pdu> Decode(Framing framing, const QByteArray& frame) {
    return framing == Framing::Ascii ? DecodeAscii(frame) : DecodeRtu(frame);
}

QByteArray Encode(Framing framing, const Pdu& pdu) {
    const QByteArray body = Body(pdu);
    if (framing == Framing::Rtu) return body + ModbusCrc(body);
    const QByteArray text = ':' + body.toHex().toUpper();
    return text + AsciiLrc(text) + "\r\n";
}

QByteArray SpoilChecksum(Framing framing, const QByteArray& frame) {
    QByteArray spoiled = frame;
    if (framing == Framing::Rtu) {
        if (spoiled.size() >= 2) spoiled[spoiled.size() - 1] = char(spoiled.back() ^ 0x5A);
        return spoiled;
    }
    // The two LRC digits stand before CR LF; the next value keeps them valid hex.
    if (spoiled.size() < 5) return spoiled;
    const int at = spoiled.size() - 4;
    const int lrc = spoiled.mid(at, 2).toInt(nullptr, 16);
    const QByteArray other =
        QByteArray::number((lrc + 1) & 0xFF, 16).toUpper().rightJustified(2, '0');
    spoiled.replace(at, 2, other);
    return spoiled;
}

} // namespace vrx::sim
