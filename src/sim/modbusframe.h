// Modbus frames as a slave receives and sends them, in ASCII and RTU framing.
#pragma once

#include <QByteArray>

#include <optional>

namespace vrx::sim {

enum class Framing { Ascii, Rtu };

// A request or reply without its framing: address, function and the bytes after them.
struct Pdu {
    int address = 0;
    int function = 0;
    QByteArray data;
};

// A complete ASCII frame (":" ... CR LF) with a good LRC; nullopt otherwise. Lowercase hex is
// taken as well, as tolerant slaves do.
std::optional<Pdu> DecodeAscii(const QByteArray& frame);
// A complete RTU frame with a good CRC; nullopt otherwise.
std::optional<Pdu> DecodeRtu(const QByteArray& frame);
std::optional<Pdu> Decode(Framing framing, const QByteArray& frame);

// The frame of a PDU with its LRC or CRC.
QByteArray Encode(Framing framing, const Pdu& pdu);

// The same frame with a checksum that does not match, as a disturbed line delivers it.
QByteArray SpoilChecksum(Framing framing, const QByteArray& frame);

} // namespace vrx::sim
