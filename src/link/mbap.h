// Modbus TCP framing (the MBAP header) and its conversion to and from the serial frames the
// program speaks. Pure functions and a stream reader: no I/O.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace vrx {

namespace mbap {
inline constexpr int HeaderSize = 7; // transaction, protocol, length (2 bytes each), unit
inline constexpr int MaxPdu = 253;   // what a serial frame of 256 bytes can carry
// A gateway's own answers when the station behind it did not answer.
inline constexpr int GatewayPathUnavailable = 0x0A;
inline constexpr int GatewayTargetFailed = 0x0B;
} // namespace mbap

// One ADU of a Modbus TCP stream.
struct MbapAdu {
    quint16 transaction = 0;
    int unit = 0;
    QByteArray pdu; // function code and data
    friend bool operator==(const MbapAdu&, const MbapAdu&) = default;
};

// The bytes of an ADU: header and PDU.
QByteArray EncodeMbap(const MbapAdu& adu);

// A frame as the program puts it on the line (RTU with its CRC, or ASCII with its LRC and CR LF)
// as a gateway takes it: unit and PDU. nullopt when a slave would not take the frame either (too
// short, a bad check, not hex), so nothing is sent. The framing is the line's: an RTU frame to
// station 0x3A starts with ':' too.
struct SerialRequest {
    int unit = 0;
    QByteArray pdu;
    bool ascii = false;
};
std::optional<SerialRequest> SerialFrameToPdu(const QByteArray& frame, bool ascii);

// The frame a slave on a serial line would have sent for this reply, with its CRC or LRC.
QByteArray PduToSerialFrame(int unit, const QByteArray& pdu, bool ascii);

// True for a gateway's exception that says the station behind it did not answer (0x0A, 0x0B):
// a time-out of that station, not an answer of it.
bool IsGatewayNoAnswer(const QByteArray& pdu);

// Cuts a Modbus TCP stream into ADUs. A stream that cannot be MBAP (a protocol id other than
// 0, a length no ADU has) is broken for good: TCP gives no boundary to find the next ADU by.
class MbapReader {
public:
    // Takes the bytes; the ADUs they complete are appended to adus. false once the stream is
    // broken, with the reason in error; the reader then takes nothing more until Reset.
    bool Feed(const QByteArray& bytes, std::vector<MbapAdu>* adus, QString* error);
    // Part of an ADU is waiting for the rest.
    bool Pending() const { return !buffer_.isEmpty(); }
    void Reset() {
        buffer_.clear();
        broken_ = false;
    }

private:
    QByteArray buffer_;
    bool broken_ = false;
};

} // namespace vrx
