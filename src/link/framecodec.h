// Modbus ASCII and RTU framing and the conversions between register words and the texts users
// see and type. Pure functions: no state, no I/O.
#pragma once

#include <QByteArray>
#include <QString>

namespace vrx {

// Two uppercase hex digits of the value's low 8 bits.
QByteArray ByteToHex(int value);
// The byte of a hex pair; 0 when the pair is not a byte (lowercase gives 0 or a wrong value).
int HexToByte(char high, char low);
// LRC of an ASCII frame text that starts with ':' (the ':' is skipped, an odd last char ignored).
QByteArray AsciiLrc(const QByteArray& frame);
// CRC-16/MODBUS of the bytes: two bytes, low byte first, as they go on the wire.
QByteArray ModbusCrc(const QByteArray& bytes);
// The RTU frame of an ASCII frame text: its hex pairs (without ':' and the last four characters,
// LRC and CR LF) as bytes, followed by their CRC.
QByteArray AsciiToRtu(const QByteArray& ascii);

// Register word (0-65535) as signed decimal text; above 32768 counts as negative.
QString WordToSignedText(int value);
// Register word in tenths as decimal text, tenths cut off (not rounded) without showDecimal.
QString TenthsToText(int value, bool showDecimal);
// A value typed by the user as 4 hex digits of its 16-bit word, or "Err" when it is not a
// number. Throws ConvertError for a text with no digit at all when tenths is false.
QString DecimalToHexWord(const QString& text, bool tenths);

} // namespace vrx
