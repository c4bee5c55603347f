// Modbus ASCII/RTU framing, read-reply checks and register word texts.
#include "framecodec.h"

#include "errors.h"

#include <algorithm>
#include <limits>

namespace vrx {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr int kFunctionRead = 0x03;
constexpr int kExceptionFlag = 0x80;

// Character codes are taken as unsigned so that bytes above 127 in an 8-bit string behave the
// same whatever the signedness of char.
int HexDigitValue(char c) {
    const int code = static_cast<unsigned char>(c);
    return code <= '9' ? code - '0' : code - 'A' + 10;
}

int ByteAt(const QByteArray& bytes, qsizetype i) {
    return static_cast<unsigned char>(bytes.at(i));
}

// The byte of the hex pair starting at character i.
int PairAt(const QByteArray& text, qsizetype i) {
    return HexToByte(text.at(i), text.at(i + 1));
}

// The bytes of `pairs` hex pairs after the leading ':' of an ASCII frame.
QByteArray HexPairs(const QByteArray& text, qsizetype pairs) {
    QByteArray bytes;
    bytes.reserve(pairs);
    for (qsizetype k = 0; k < pairs; ++k)
        bytes.append(static_cast<char>(PairAt(text, 1 + 2 * k)));
    return bytes;
}

// Digits as the codec writes them; HexToByte misreads anything else.
bool IsUpperHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

bool IsDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// A register word whatever the caller passed: a signed value or one above 16 bits keeps only
// the 16 bits that would go into the register.
int LowWord(int value) {
    return value & 0xFFFF;
}

} // namespace

QByteArray ByteToHex(int value) {
    const int byte = value & 0xFF;
    const char pair[] = {kHexDigits[byte >> 4], kHexDigits[byte & 0x0F]};
    return QByteArray(pair, 2);
}

int HexToByte(char high, char low) {
    const int value = HexDigitValue(high) * 16 + HexDigitValue(low);
    return value < 0 || value > 255 ? 0 : value;
}

QByteArray AsciiLrc(const QByteArray& frame) {
    const qsizetype pairs = frame.size() > 1 ? (frame.size() - 1) / 2 : 0;
    int sum = 0;
    for (qsizetype k = 0; k < pairs; ++k)
        sum += PairAt(frame, 1 + 2 * k);
    // Two's complement of the 8-bit sum; ByteToHex keeps the low byte, so a sum of 0 gives 00.
    return ByteToHex(256 - (sum & 0xFF));
}

QByteArray ModbusCrc(const QByteArray& bytes) {
    quint16 crc = 0xFFFF;
    for (const char c : bytes) {
        crc ^= static_cast<unsigned char>(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    const char wire[] = {static_cast<char>(crc & 0xFF), static_cast<char>(crc >> 8)};
    return QByteArray(wire, 2);
}

qsizetype FramedBytes(Framing framing, qsizetype pduBytes) {
    return framing == Framing::Rtu ? 1 + pduBytes + 2 : 1 + 2 * (1 + pduBytes + 1) + 2;
}

QByteArray AsciiToRtu(const QByteArray& ascii) {
    // The last four characters are the LRC and CR LF (or placeholders for them): not data.
    const qsizetype pairs = ascii.size() > 5 ? (ascii.size() - 5) / 2 : 0;
    QByteArray rtu = HexPairs(ascii, pairs);
    rtu.append(ModbusCrc(rtu));
    return rtu;
}

namespace {

constexpr qint64 LowestWordValue = -32768;
constexpr qint64 HighestWordValue = 65535;

QByteArray WordToHex(int word) {
    return ByteToHex(word >> 8) + ByteToHex(word);
}

void CheckField(const char* what, qint64 value, qint64 highest) {
    if (value < 0 || value > highest)
        throw FrameRangeError(QStringLiteral("%1 %2 does not fit a frame (0 to %3)")
                                  .arg(QLatin1String(what))
                                  .arg(value)
                                  .arg(highest));
}

QByteArray Request(int address, const char* function, int reg, quint16 word) {
    CheckField("Address", address, 0xFF);
    CheckField("Register", reg, 0xFFFF);
    QByteArray text = ':' + ByteToHex(address) + function + WordToHex(reg) + WordToHex(word);
    return text + AsciiLrc(text) + "\r\n";
}

} // namespace

quint16 RegisterWord(qint64 value) {
    if (value < LowestWordValue || value > HighestWordValue)
        throw FrameRangeError(
            QStringLiteral("Value %1 does not fit a register (-32768 to 65535)").arg(value));
    return quint16(value & 0xFFFF);
}

QByteArray ReadRequest(int address, int firstRegister, int count) {
    CheckField("Count", count, 0xFFFF);
    return Request(address, "03", firstRegister, quint16(count));
}

QByteArray WriteRequest(int address, int reg, qint64 value) {
    return Request(address, "06", reg, RegisterWord(value));
}

QString WordToSignedText(int value) {
    const int word = LowWord(value);
    // The word 8000 hex is shown as 32768, not -32768: the sign starts only above it.
    return word > 32768 ? QStringLiteral("-%1").arg(65536 - word) : QString::number(word);
}

QString TenthsToText(int value, bool showDecimal) {
    int word = LowWord(value);
    QString text;
    if (word > 32768) {
        text = QStringLiteral("-");
        word = 65536 - word;
    }
    text += QString::number(word / 10);
    if (showDecimal) text += u'.' + QString::number(word % 10);
    return text;
}

// Digit strings too long for a 32-bit integer raise ConvertError naming the text as typed: a
// number that large is a typing mistake, and refusing it is better than writing some wrapped
// value to the controller.
std::optional<qint64> TypedValue(const QString& text, int decimals) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == u' ')
        ++i;
    bool negative = false;
    if (i < text.size() && text.at(i) == u'-') {
        negative = true;
        ++i;
    }
    QString digits;
    int decimalsTaken = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (IsDigit(c)) {
            digits += c;
        } else if (c == u'.' && i + 1 < text.size() && IsDigit(text.at(i + 1))) {
            // As many decimals as the register holds (at least one, dropped below for whole
            // numbers); what follows them is ignored.
            const int wanted = std::max(decimals, 1);
            for (++i; i < text.size() && decimalsTaken < wanted && IsDigit(text.at(i)); ++i) {
                digits += text.at(i);
                ++decimalsTaken;
            }
            break;
        } else {
            return std::nullopt;
        }
    }
    for (; decimalsTaken < decimals; ++decimalsTaken)
        digits += u'0';
    digits.chop(decimalsTaken - decimals);
    if (digits.isEmpty()) throw ConvertError(QString());

    // Magnitudes up to 2^31 (with a sign) or 2^31 - 1 fit the 32-bit conversion.
    const qint64 limit = qint64(std::numeric_limits<int>::max()) + (negative ? 1 : 0);
    qint64 magnitude = 0;
    for (const QChar c : std::as_const(digits)) {
        magnitude = magnitude * 10 + (c.unicode() - u'0');
        if (magnitude > limit) throw ConvertError(text);
    }
    return negative ? -magnitude : magnitude;
}

QString DecimalToHexWord(const QString& text, bool tenths) {
    const std::optional<qint64> value = TypedValue(text, tenths ? 1 : 0);
    // Cut to 16 bits, 70000 would become 1170: a value no register holds is no word at all.
    if (!value || *value < LowestWordValue || *value > HighestWordValue)
        return QStringLiteral("Err");
    return QString::fromLatin1(WordToHex(RegisterWord(*value)));
}

namespace {

// The shape both framings share once the frame is bytes: address, function, count or code,
// data, then `checkSize` bytes that `checked` verifies over everything before them.
template <typename Verify>
ReadReply CheckReplyBytes(const QByteArray& bytes, int address, qsizetype checkSize,
                          Verify checked) {
    ReadReply result;
    if (bytes.isEmpty() || ByteAt(bytes, 0) != address) return result;
    result.status = ReplyStatus::BadFrame;
    if (bytes.size() < 2) return result;
    result.function = ByteAt(bytes, 1);

    // Both shapes we judge carry one more byte after the function (count or code), then data.
    const bool isRead = result.function == kFunctionRead;
    const bool isException = (result.function & kExceptionFlag) != 0;
    if (!isRead && !isException) {
        result.status = ReplyStatus::OtherFunction;
        return result;
    }
    if (bytes.size() < 3) return result;
    const int third = ByteAt(bytes, 2);
    const int dataBytes = isRead ? third : 0;
    const qsizetype body = 3 + dataBytes;
    if (bytes.size() < body + checkSize || !checked(bytes.first(body), bytes.mid(body, checkSize)))
        return result;

    if (isException) {
        result.status = ReplyStatus::Exception;
        result.exceptionCode = third;
        return result;
    }
    result.status = ReplyStatus::Good;
    result.words.reserve(dataBytes / 2);
    for (int w = 0; w < dataBytes / 2; ++w)
        result.words.append(quint16(ByteAt(bytes, 3 + 2 * w) << 8 | ByteAt(bytes, 4 + 2 * w)));
    return result;
}

} // namespace

ReadReply CheckAsciiReply(const QByteArray& reply, int address) {
    if (reply.isEmpty() || reply.at(0) != ':') return {};
    // Only the hex digits after the ':' are frame: the frame ends where they end, so a reply
    // with any other character inside (even one that HexToByte would read as a digit, "G" as
    // 16) is cut short there and fails. A trailing CR LF ends the digits after the LRC.
    qsizetype digits = 0;
    while (1 + digits < reply.size() && IsUpperHexDigit(reply.at(1 + digits)))
        ++digits;
    return CheckReplyBytes(HexPairs(reply, digits / 2), address, 1,
                           [](const QByteArray& body, const QByteArray& lrc) {
                               int sum = ByteAt(lrc, 0);
                               for (const char c : body)
                                   sum += static_cast<unsigned char>(c);
                               return (sum & 0xFF) == 0;
                           });
}

ReadReply CheckRtuReply(const QByteArray& reply, int address) {
    return CheckReplyBytes(reply, address, 2, [](const QByteArray& body, const QByteArray& crc) {
        return crc == ModbusCrc(body);
    });
}

} // namespace vrx
