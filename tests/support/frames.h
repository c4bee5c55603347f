// Frames as the tests' far ends build them, requests and replies alike: ASCII text with its LRC
// and CR LF, and the RTU form of any of them through the program's codec (the RTU form of a
// correct ASCII frame carries the same bytes and its CRC). Builders of the words, not of the
// program's requests: a test compares what the program sends against these.
#pragma once

#include "framecodec.h"

#include <QByteArray>
#include <QList>

namespace vrx::test {

// A 16-bit value as four hex digits, high byte first; anything beyond 16 bits is cut off.
inline QByteArray Hex4(int value) {
    return ByteToHex(value >> 8) + ByteToHex(value);
}

// A complete ASCII frame of address, function and data bytes (as hex), with LRC and CR LF.
inline QByteArray AsciiFrame(int address, int function, const QByteArray& dataHex) {
    const QByteArray text = ':' + ByteToHex(address) + ByteToHex(function) + dataHex;
    return text + AsciiLrc(text) + "\r\n";
}

// The RTU form of any ASCII frame.
inline QByteArray Rtu(const QByteArray& asciiFrame) {
    return AsciiToRtu(asciiFrame);
}

// The frame in the framing a test runs in.
inline QByteArray Framed(const QByteArray& asciiFrame, bool rtu) {
    return rtu ? Rtu(asciiFrame) : asciiFrame;
}

// ---- Requests ----

// A read of `count` holding registers from `first` (function 03).
inline QByteArray AsciiRead(int address, int first, int count) {
    return AsciiFrame(address, 0x03, Hex4(first) + Hex4(count));
}

// A write of one register (function 06); a negative value goes as its two's complement. The
// controller's echo of a write is the same frame.
inline QByteArray AsciiWrite(int address, int reg, int value) {
    return AsciiFrame(address, 0x06, Hex4(reg) + Hex4(value & 0xFFFF));
}

// ---- Replies ----

// The byte count and the words of a read reply, as hex.
inline QByteArray WordsHex(const QList<int>& words) {
    QByteArray hex = ByteToHex(int(words.size() * 2));
    for (int w : words)
        hex += Hex4(w);
    return hex;
}

// The reply to a read of words.size() registers.
inline QByteArray AsciiWordsReply(int address, const QList<int>& words) {
    return AsciiFrame(address, 0x03, WordsHex(words));
}

// The exception reply to a request of `function`: the function with its high bit, the code.
inline QByteArray AsciiException(int address, int function, int code) {
    return AsciiFrame(address, function | 0x80, ByteToHex(code));
}

} // namespace vrx::test
