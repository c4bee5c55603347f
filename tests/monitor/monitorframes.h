// Reply frames for the Monitor's tests, built as a controller builds them: ASCII text with its
// LRC, or the same bytes in RTU with a CRC.
#pragma once

#include "framecodec.h"

#include <QByteArray>
#include <QList>

namespace vrx::test {

// A complete ASCII frame of address, function and data bytes (as hex), with LRC and CR LF.
inline QByteArray AsciiFrame(int address, int function, const QByteArray& dataHex) {
    const QByteArray text = ':' + ByteToHex(address) + ByteToHex(function) + dataHex;
    return text + AsciiLrc(text) + "\r\n";
}

inline QByteArray WordsHex(const QList<int>& words) {
    QByteArray hex = ByteToHex(int(words.size() * 2));
    for (int w : words)
        hex += ByteToHex(w >> 8) + ByteToHex(w);
    return hex;
}

// The reply to a read of words.size() registers.
inline QByteArray AsciiWordsReply(int address, const QList<int>& words) {
    return AsciiFrame(address, 0x03, WordsHex(words));
}

inline QByteArray AsciiException(int address, int function, int code) {
    return AsciiFrame(address, function | 0x80, ByteToHex(code));
}

// The RTU form of any ASCII frame above.
inline QByteArray Rtu(const QByteArray& asciiFrame) {
    return AsciiToRtu(asciiFrame);
}

} // namespace vrx::test
