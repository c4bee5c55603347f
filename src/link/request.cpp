// Composing and framing a request.
#include "request.h"

#include "framecodec.h"

#include <utility>

namespace vrx {

namespace {

QByteArray FieldPdu(int function, int field, quint16 word) {
    QByteArray pdu;
    pdu.append(char(function)).append(char(field >> 8)).append(char(field & 0xFF));
    pdu.append(char(word >> 8)).append(char(word & 0xFF));
    return pdu;
}

} // namespace

Request Request::Read(int address, int firstRegister, int count) {
    Request request;
    request.text_ = ReadRequest(address, firstRegister, count);
    request.kind_ = RequestKind::Read;
    request.address_ = address;
    request.register_ = firstRegister;
    request.count_ = count;
    return request;
}

Request Request::Write(int address, int reg, qint64 value) {
    Request request;
    request.text_ = WriteRequest(address, reg, value);
    request.kind_ = RequestKind::Write;
    request.address_ = address;
    request.register_ = reg;
    request.value_ = value;
    return request;
}

Request Request::Text(QByteArray asciiFrame) {
    Request request;
    request.kind_ = RequestKind::Text;
    request.text_ = std::move(asciiFrame);
    return request;
}

Request Request::Raw(QByteArray bytes) {
    Request request;
    request.text_ = std::move(bytes);
    return request;
}

QByteArray Request::Frame(Framing framing) const {
    if (kind_ == RequestKind::Raw || framing == Framing::Ascii) return text_;
    return AsciiToRtu(text_);
}

std::optional<SerialRequest> Request::Pdu(Framing framing) const {
    const bool ascii = framing == Framing::Ascii;
    switch (kind_) {
    case RequestKind::Read:
        return SerialRequest{address_, FieldPdu(0x03, register_, quint16(count_)), ascii};
    case RequestKind::Write:
        return SerialRequest{address_, FieldPdu(0x06, register_, RegisterWord(value_)), ascii};
    case RequestKind::Text:
        return SerialFrameToPdu(Frame(framing), ascii);
    case RequestKind::Raw:
        break;
    }
    return std::nullopt;
}

} // namespace vrx
