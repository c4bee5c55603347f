// MBAP framing and the conversions between serial frames and Modbus TCP PDUs.
#include "mbap.h"

#include "framecodec.h"

namespace vrx {

namespace {

int ByteAt(const QByteArray& bytes, qsizetype i) {
    return static_cast<unsigned char>(bytes.at(i));
}

int WordAt(const QByteArray& bytes, qsizetype i) {
    return (ByteAt(bytes, i) << 8) | ByteAt(bytes, i + 1);
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

} // namespace

QByteArray EncodeMbap(const MbapAdu& adu) {
    const int length = int(adu.pdu.size()) + 1;
    QByteArray bytes;
    bytes.reserve(mbap::HeaderSize + adu.pdu.size());
    bytes.append(char(adu.transaction >> 8)).append(char(adu.transaction & 0xFF));
    bytes.append('\0').append('\0');
    bytes.append(char(length >> 8)).append(char(length & 0xFF));
    bytes.append(char(adu.unit & 0xFF));
    bytes.append(adu.pdu);
    return bytes;
}

std::optional<SerialRequest> SerialFrameToPdu(const QByteArray& frame, bool ascii) {
    SerialRequest request;
    QByteArray bytes;
    if (ascii) {
        // ":" + hex pairs + LRC + CR LF; the LRC is one of the pairs, and they sum to 0.
        if (!frame.startsWith(':') || !frame.endsWith("\r\n")) return std::nullopt;
        const QByteArray hex = frame.mid(1, frame.size() - 3);
        if (hex.size() % 2 != 0) return std::nullopt;
        for (const char c : hex)
            if (!IsHexDigit(c)) return std::nullopt;
        bytes = QByteArray::fromHex(hex);
        if (bytes.size() < 3) return std::nullopt;
        int sum = 0;
        for (const char c : bytes)
            sum += static_cast<unsigned char>(c);
        if ((sum & 0xFF) != 0) return std::nullopt;
        bytes.chop(1);
        request.ascii = true;
    } else {
        if (frame.size() < 4) return std::nullopt;
        if (frame.last(2) != ModbusCrc(frame.first(frame.size() - 2))) return std::nullopt;
        bytes = frame.first(frame.size() - 2);
    }
    if (bytes.size() - 1 > mbap::MaxPdu) return std::nullopt;
    request.unit = ByteAt(bytes, 0);
    request.pdu = bytes.mid(1);
    return request;
}

QByteArray PduToSerialFrame(int unit, const QByteArray& pdu, bool ascii) {
    QByteArray bytes;
    bytes.reserve(pdu.size() + 3);
    bytes.append(char(unit & 0xFF)).append(pdu);
    if (!ascii) return bytes + ModbusCrc(bytes);
    QByteArray text = ':' + bytes.toHex().toUpper();
    text += AsciiLrc(text);
    return text + "\r\n";
}

bool IsGatewayNoAnswer(const QByteArray& pdu) {
    return pdu.size() == 2 && (ByteAt(pdu, 0) & 0x80) &&
           (ByteAt(pdu, 1) == mbap::GatewayPathUnavailable ||
            ByteAt(pdu, 1) == mbap::GatewayTargetFailed);
}

bool MbapReader::Feed(const QByteArray& bytes, std::vector<MbapAdu>* adus, QString* error) {
    if (broken_) return false;
    buffer_.append(bytes);
    qsizetype at = 0;
    while (buffer_.size() - at >= mbap::HeaderSize) {
        const int protocol = WordAt(buffer_, at + 2);
        const int length = WordAt(buffer_, at + 4);
        if (protocol != 0 || length < 2 || length > mbap::MaxPdu + 1) {
            broken_ = true;
            buffer_.clear();
            if (error)
                *error = protocol != 0
                             ? QStringLiteral("not Modbus TCP (protocol id %1)").arg(protocol)
                             : QStringLiteral("not Modbus TCP (length %1)").arg(length);
            return false;
        }
        const qsizetype total = mbap::HeaderSize - 1 + length;
        if (buffer_.size() - at < total) break;
        adus->push_back({quint16(WordAt(buffer_, at)), ByteAt(buffer_, at + 6),
                         buffer_.mid(at + mbap::HeaderSize, length - 1)});
        at += total;
    }
    buffer_.remove(0, at);
    return true;
}

} // namespace vrx
