// Modbus ASCII and RTU framing, the checks of read replies, and the conversions between register
// words and the texts users see and type. Pure functions: no state, no I/O.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include "errors.h"
#include "linedevice.h"

#include <optional>

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
// The length on the wire of a frame that carries a PDU of `pduBytes` after its address: RTU
// with its CRC; ASCII as hex text with ':', the LRC and CR LF.
qsizetype FramedBytes(Framing framing, qsizetype pduBytes);

// A value that does not fit the frame field meant for it: a register word, an address, a
// register number. Never cut to fit: the controller would get another value than the one meant.
class FrameRangeError : public Error {
public:
    using Error::Error;
};

// The word a register gets for value: 0 to 65535 as it is, -32768 to -1 as its 16-bit two's
// complement (-100 is FF9C). Throws FrameRangeError for any other value.
quint16 RegisterWord(qint64 value);

// A complete ASCII request (":", address, function, data, LRC, CR LF) reading `count` holding
// registers from `firstRegister` (function 03). Throws FrameRangeError for an address beyond
// 0-255, or a register or count beyond 0-65535.
QByteArray ReadRequest(int address, int firstRegister, int count);
// A complete ASCII request writing `value` (as RegisterWord gives it) to one register (function
// 06). Throws FrameRangeError as ReadRequest and RegisterWord do.
QByteArray WriteRequest(int address, int reg, qint64 value);

// Register word (0-65535) as signed decimal text; above 32768 counts as negative.
QString WordToSignedText(int value);
// Register word in tenths as decimal text, tenths cut off (not rounded) without showDecimal.
QString TenthsToText(int value, bool showDecimal);
// A value typed by the user, in units of 10^-decimals (0 whole, 1 tenths, 2 hundredths): leading
// spaces, a "-", digits, then "." with up to `decimals` digits (at least one, dropped for whole
// numbers) after which the rest is ignored. Nothing when the text is not a number ("Err"). Throws
// ConvertError like DecimalToHexWord.
std::optional<qint64> TypedValue(const QString& text, int decimals);
// A value typed by the user as 4 hex digits of its 16-bit word, or "Err" when it is not a
// number or no register word holds it (RegisterWord: -32768 to 65535). Throws ConvertError for a
// text with no digit at all when tenths is false, and for a digit string beyond the 32-bit integer
// range.
QString DecimalToHexWord(const QString& text, bool tenths);

// What a received frame turned out to be, judged as the reply to a function-03 read.
enum class ReplyStatus {
    Good,          // a read reply (function 03) with a right LRC/CRC; words holds its registers
    NotAddressed,  // empty, no ':' (ASCII), or another station's address
    BadFrame,      // our station, but cut short or with a wrong LRC/CRC
    Exception,     // a sound exception reply (function with bit 0x80 set), see exceptionCode
    OtherFunction, // our station, a function that is neither 03 nor an exception; not checked
};

// The outcome of CheckAsciiReply / CheckRtuReply.
struct ReadReply {
    ReplyStatus status = ReplyStatus::NotAddressed;
    int function = -1;     // the function byte received; -1 when the frame ended before it
    int exceptionCode = 0; // the code of an Exception reply (01 illegal function, 02 ...)
    QList<quint16> words;  // Good only: byte count / 2 registers, high byte first
    bool isGood() const { return status == ReplyStatus::Good; }
};

// Checks a received ASCII frame text (":" address function count data LRC, CR LF need not be
// there) against the station that was asked.
ReadReply CheckAsciiReply(const QByteArray& reply, int address);
// Checks a received RTU frame (address function count data CRC-low CRC-high) against the
// station that was asked. Bytes after the CRC are not looked at.
ReadReply CheckRtuReply(const QByteArray& reply, int address);

} // namespace vrx
