// What a frame on the line says, in words: for the traffic window and the command tester.
#pragma once

#include <QByteArray>
#include <QList>
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
    // The first register a request of functions 03, 04, 06 or 16 names, and that of a write's
    // echo (06, 16); -1 for any other frame. A read reply does not say it: its request does.
    int firstRegister = -1;
    // The register words a read reply (03, 04) carries, or the value of a single write (06)
    // and its echo; empty for any other frame.
    QList<quint16> words;
    // A read request's count of registers, and the count a multiple write (16) and its echo
    // name; -1 for any other frame.
    int count = -1;
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
