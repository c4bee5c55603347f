// What a frame on the line says, in words: for the traffic window and the command tester.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace vrx {

// The framing a frame came in: on a serial line told from its bytes (ASCII frames start with
// ':'); on a Modbus TCP line an MBAP header and a PDU.
enum class FrameKind { Ascii, Rtu, Mbap };

// A frame taken apart. `check` tells whether its LRC or CRC is right (an MBAP frame: whether its
// header's protocol id and length fit its bytes); nothing of it is read from beyond the frame's
// bytes.
struct DecodedFrame {
    FrameKind kind = FrameKind::Rtu;
    bool checkGood = false;
    int address = -1; // -1 when the frame is too short to have one; an MBAP frame's unit id
    std::optional<int> transaction; // an MBAP frame's
    int function = -1;              // with bit 7 for an exception reply
    std::optional<int> exception;
    QString summary; // "read 0x4700 x2", "write 0x4701 = 300", "2 words: 250 300", ...
};

// A request (`sent`) or a reply taken apart, an MBAP ADU when `mbap` (the frames of a Modbus TCP
// line). Never fails: what cannot be read is said as such.
DecodedFrame DecodeFrame(const QByteArray& bytes, bool sent, bool mbap = false);
// One line for a person: "address 1, read 0x4700 x2, LRC good"; "transaction 7, unit 1, read
// 0x4700 x2, length good".
QString DescribeFrame(const DecodedFrame& frame);
// "illegal data address" for 2; "exception 0x1F" for a code without a name.
QString ExceptionName(int code);

} // namespace vrx
