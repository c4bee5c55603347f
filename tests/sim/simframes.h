// Request frames for the simulated controllers' tests, composed the way the program composes
// them: ASCII text with its LRC, converted to RTU with the program's codec.
#pragma once

#include "framecodec.h"

#include <QByteArray>

namespace vrx::sim::test {

inline QByteArray Hex4(int value) {
    return ByteToHex(value >> 8) + ByteToHex(value & 0xFF);
}

inline QByteArray AsciiFrame(int address, int function, int first, int second) {
    const QByteArray text =
        ':' + ByteToHex(address) + ByteToHex(function) + Hex4(first) + Hex4(second);
    return text + AsciiLrc(text) + "\r\n";
}
inline QByteArray AsciiRead(int address, int first, int count) {
    return AsciiFrame(address, 0x03, first, count);
}
inline QByteArray AsciiWrite(int address, int reg, int value) {
    return AsciiFrame(address, 0x06, reg, value & 0xFFFF);
}

} // namespace vrx::sim::test
