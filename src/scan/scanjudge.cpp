// Judging the bytes of a scan's reads.
#include "scanjudge.h"

#include "framecodec.h"

#include <cmath>

namespace vrx::scan {

namespace {
constexpr int InputTypeCount = 18; // thermocouples, RTDs and linear signals: 0x00 to 0x11
constexpr int ReadFunction = 0x03;
} // namespace

JudgedReply JudgeReply(const QByteArray& received, int address, Framing framing, int count) {
    if (received.isEmpty()) return {};
    const ReadReply reply = framing == Framing::Ascii ? CheckAsciiReply(received, address)
                                                      : CheckRtuReply(received, address);
    switch (reply.status) {
    case ReplyStatus::Good:
        if (reply.words.size() == count) return {ReplyVerdict::Words, reply.words, 0};
        return {ReplyVerdict::NotFitted, {}, 0};
    case ReplyStatus::Exception:
        return {ReplyVerdict::NotFitted, {}, reply.exceptionCode};
    case ReplyStatus::OtherFunction:
        return {ReplyVerdict::NotFitted, {}, 0};
    case ReplyStatus::NotAddressed:
    case ReplyStatus::BadFrame:
        break;
    }
    return {ReplyVerdict::Garbage, {}, 0};
}

bool ReplyUnderway(const QByteArray& received, int address, Framing framing) {
    if (received.isEmpty()) return false;
    if (framing == Framing::Ascii) return received.startsWith(':') && !received.contains('\n');
    if (quint8(received[0]) != address) return false;
    if (received.size() < 2) return true;
    const int function = quint8(received[1]);
    return function == ReadFunction || function == (ReadFunction | 0x80);
}

bool IsVrxIdentity(int inputType, int firmwareWord) {
    // A controller of the series has firmware 1.00 to 9.FF; a register that reads 0 or a
    // value of another kind of device does not.
    const int major = (firmwareWord >> 8) & 0xFF;
    return inputType >= 0 && inputType < InputTypeCount && major >= 1 && major <= 9;
}

QString FirmwareText(int firmwareWord) {
    return QString::number((firmwareWord >> 8) & 0xFF) + u'.' +
           QString::fromLatin1(ByteToHex(firmwareWord));
}

std::optional<double> PvCelsius(int pvWord, int unitWord) {
    // A word whose high byte is 0x80 carries a status code instead of a value.
    if ((pvWord & 0xFF00) == 0x8000) return std::nullopt;
    const double tenths = double(qint16(quint16(pvWord)));
    const double value = unitWord == 0 ? (tenths / 10.0 - 32.0) * 5.0 / 9.0 : tenths / 10.0;
    return std::round(value * 10.0) / 10.0;
}

} // namespace vrx::scan
