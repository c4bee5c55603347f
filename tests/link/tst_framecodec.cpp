// Tests of the frame codec: hex pairs, LRC, CRC, RTU conversion, register word texts, the
// typed-value conversion and the read-reply checks. Expected frames were worked out by hand or
// with an independent Modbus tool, never with the code under test.
#include "errors.h"
#include "framecodec.h"

#include <QTest>

namespace vrx {
// Readable QCOMPARE failures for the reply status.
char* toString(ReplyStatus status) {
    static const char* const names[] = {"Good", "NotAddressed", "BadFrame", "Exception",
                                        "OtherFunction"};
    return qstrdup(names[int(status)]);
}
} // namespace vrx

using namespace vrx;

namespace {
// Frames in the tables are written as spaced hex for readability.
QByteArray Hex(const char* spaced) {
    return QByteArray::fromHex(spaced);
}
const QByteArray kCrLf = "\r\n";
} // namespace

class TestFrameCodec : public QObject {
    Q_OBJECT

private slots:
    void byteToHex_data();
    void byteToHex();
    void hexToByte_data();
    void hexToByte();
    void asciiLrc_data();
    void asciiLrc();
    void modbusCrc_data();
    void modbusCrc();
    void asciiToRtu_data();
    void asciiToRtu();
    void wordToSignedText_data();
    void wordToSignedText();
    void tenthsToText_data();
    void tenthsToText();
    void decimalToHexWord_data();
    void decimalToHexWord();
    void decimalToHexWordRefused_data();
    void decimalToHexWordRefused();
    void typedValue_data();
    void typedValue();
    void requestsNeverCutAValue_data();
    void requestsNeverCutAValue();
    void requestsAtTheEdges();
    void checkReply_data();
    void checkReply();
    void corruptedReplyIsNeverGood_data();
    void corruptedReplyIsNeverGood();
};

void TestFrameCodec::byteToHex_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<QByteArray>("hex");
    QTest::newRow("255") << 255 << QByteArray("FF");
    QTest::newRow("256 keeps the low byte") << 256 << QByteArray("00");
    QTest::newRow("10 is padded") << 10 << QByteArray("0A");
    QTest::newRow("0") << 0 << QByteArray("00");
    QTest::newRow("0x1234 keeps 34") << 0x1234 << QByteArray("34");
    QTest::newRow("-1 is FF") << -1 << QByteArray("FF");
}

void TestFrameCodec::byteToHex() {
    QFETCH(int, value);
    QFETCH(QByteArray, hex);
    QCOMPARE(ByteToHex(value), hex);
}

void TestFrameCodec::hexToByte_data() {
    QTest::addColumn<char>("high");
    QTest::addColumn<char>("low");
    QTest::addColumn<int>("byte");
    QTest::newRow("1F") << '1' << 'F' << 0x1F;
    QTest::newRow("FF") << 'F' << 'F' << 255;
    QTest::newRow("00") << '0' << '0' << 0;
    QTest::newRow("A5") << 'A' << '5' << 0xA5;
    QTest::newRow("G0 is above 255") << 'G' << '0' << 0;
    QTest::newRow("space is below 0") << ' ' << '0' << 0;
    QTest::newRow("lowercase high gives 0") << 'a' << '0' << 0;
    QTest::newRow("lowercase low gives a wrong value") << '0' << 'a' << 42;
    QTest::newRow("byte above 127") << char(0xC8) << '0' << 0;
}

void TestFrameCodec::hexToByte() {
    QFETCH(char, high);
    QFETCH(char, low);
    QFETCH(int, byte);
    QCOMPARE(HexToByte(high, low), byte);
}

void TestFrameCodec::asciiLrc_data() {
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("lrc");
    QTest::newRow("read 1 at 1000") << QByteArray(":010310000001") << QByteArray("EB");
    QTest::newRow("read 2 at 0000") << QByteArray(":010300000002") << QByteArray("FA");
    QTest::newRow("status read") << QByteArray(":010347250007") << QByteArray("89");
    QTest::newRow("process values") << QByteArray(":010347000004") << QByteArray("B1");
    QTest::newRow("unlock write") << QByteArray(":0106472A7E5B") << QByteArray("AF");
    QTest::newRow("sum of 0 gives 00") << QByteArray(":0100FF") << QByteArray("00");
    QTest::newRow("lone colon") << QByteArray(":") << QByteArray("00");
    QTest::newRow("empty") << QByteArray() << QByteArray("00");
    QTest::newRow("odd last char ignored") << QByteArray(":0103100000017") << QByteArray("EB");
}

void TestFrameCodec::asciiLrc() {
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, lrc);
    QCOMPARE(AsciiLrc(frame), lrc);
}

void TestFrameCodec::modbusCrc_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("crc");
    QTest::newRow("empty is the start value") << QByteArray() << Hex("FF FF");
    QTest::newRow("read 1 at 1000, low byte first") << Hex("01 03 10 00 00 01") << Hex("80 CA");
    QTest::newRow("read 2 at 0000") << Hex("01 03 00 00 00 02") << Hex("C4 0B");
    QTest::newRow("standard check string") << QByteArray("123456789") << Hex("37 4B");
    QTest::newRow("bytes above 127") << Hex("FF 03 02 AB CD") << Hex("2F 35");
}

void TestFrameCodec::modbusCrc() {
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, crc);
    QCOMPARE(ModbusCrc(bytes), crc);
}

void TestFrameCodec::asciiToRtu_data() {
    QTest::addColumn<QByteArray>("ascii");
    QTest::addColumn<QByteArray>("rtu");
    QTest::newRow("read 1 at 1000") << ":010310000001EB" + kCrLf << Hex("01 03 10 00 00 01 80 CA");
    QTest::newRow("read 2 at 0000") << ":010300000002FA" + kCrLf << Hex("01 03 00 00 00 02 C4 0B");
    QTest::newRow("status read") << ":01034725000789" + kCrLf << Hex("01 03 47 25 00 07 01 77");
    QTest::newRow("process values") << ":010347000004B1" + kCrLf << Hex("01 03 47 00 00 04 50 BD");
    QTest::newRow("placeholders instead of LRC") << QByteArray(":0103????") << Hex("01 03 40 21");
    QTest::newRow("no data: CRC of nothing") << QByteArray(":00\r\n") << Hex("FF FF");
    QTest::newRow("lone colon") << QByteArray(":") << Hex("FF FF");
    QTest::newRow("empty") << QByteArray() << Hex("FF FF");
}

void TestFrameCodec::asciiToRtu() {
    QFETCH(QByteArray, ascii);
    QFETCH(QByteArray, rtu);
    QCOMPARE(AsciiToRtu(ascii), rtu);
}

void TestFrameCodec::wordToSignedText_data() {
    QTest::addColumn<int>("word");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << "0";
    QTest::newRow("32767") << 32767 << "32767";
    QTest::newRow("32768 stays positive") << 32768 << "32768";
    QTest::newRow("32769") << 32769 << "-32767";
    QTest::newRow("65535") << 65535 << "-1";
}

void TestFrameCodec::wordToSignedText() {
    QFETCH(int, word);
    QFETCH(QString, text);
    QCOMPARE(WordToSignedText(word), text);
}

void TestFrameCodec::tenthsToText_data() {
    QTest::addColumn<int>("word");
    QTest::addColumn<bool>("showDecimal");
    QTest::addColumn<QString>("text");
    QTest::newRow("253 with decimal") << 253 << true << "25.3";
    QTest::newRow("253 without decimal") << 253 << false << "25";
    QTest::newRow("259 cut, not rounded") << 259 << false << "25";
    QTest::newRow("65533 with decimal") << 65533 << true << "-0.3";
    QTest::newRow("65533 keeps its sign") << 65533 << false << "-0";
    QTest::newRow("65526") << 65526 << true << "-1.0";
    QTest::newRow("0") << 0 << true << "0.0";
    QTest::newRow("32768 stays positive") << 32768 << true << "3276.8";
    QTest::newRow("32769") << 32769 << true << "-3276.7";
}

void TestFrameCodec::tenthsToText() {
    QFETCH(int, word);
    QFETCH(bool, showDecimal);
    QFETCH(QString, text);
    QCOMPARE(TenthsToText(word, showDecimal), text);
}

void TestFrameCodec::decimalToHexWord_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("tenths");
    QTest::addColumn<QString>("word");
    QTest::newRow("space, negative tenths") << " -12.5" << true << "FF83";
    QTest::newRow("second decimal ignored") << "12.34" << true << "007B";
    QTest::newRow("decimal dropped, not rounded") << "12.9" << false << "000C";
    QTest::newRow("whole number in tenths") << "25" << true << "00FA";
    QTest::newRow("whole number") << "25" << false << "0019";
    QTest::newRow("letter") << "1a" << true << "Err";
    QTest::newRow("point at the end") << "5." << true << "Err";
    QTest::newRow("point then letter") << "5.x" << false << "Err";
    QTest::newRow("trailing space") << "12 " << false << "Err";
    QTest::newRow("space after sign") << "- 5" << false << "Err";
    QTest::newRow("plus sign") << "+5" << false << "Err";
    QTest::newRow("two signs") << "--5" << false << "Err";
    QTest::newRow("comma") << "1,5" << true << "Err";
    QTest::newRow("non-ASCII digit") << QString::fromUtf8("\u0661") << false << "Err";
    QTest::newRow("junk after the decimal ignored") << "1.5x" << true << "000F";
    QTest::newRow("point first") << ".5" << true << "0005";
    QTest::newRow("empty in tenths") << "" << true << "0000";
    QTest::newRow("spaces in tenths") << "   " << true << "0000";
    QTest::newRow("sign only in tenths") << "-" << true << "0000";
    QTest::newRow("minus zero") << "-0" << false << "0000";
    QTest::newRow("-1") << "-1" << false << "FFFF";
    QTest::newRow("-32768") << "-32768" << false << "8000";
    QTest::newRow("65535") << "65535" << false << "FFFF";
    // No register holds these: cut to 16 bits they would be other values (1170, EE90).
    QTest::newRow("above 16 bits") << "70000" << false << "Err";
    QTest::newRow("negative above 16 bits") << "-70000" << false << "Err";
    QTest::newRow("65536") << "65536" << false << "Err";
    QTest::newRow("-32769") << "-32769" << false << "Err";
    QTest::newRow("6553.6 in tenths") << "6553.6" << true << "Err";
    QTest::newRow("leading zeros") << "000000000000000000001" << false << "0001";
    QTest::newRow("largest 32-bit") << "2147483647" << false << "Err";
    QTest::newRow("smallest 32-bit") << "-2147483648" << false << "Err";
}

void TestFrameCodec::decimalToHexWord() {
    QFETCH(QString, typed);
    QFETCH(bool, tenths);
    QFETCH(QString, word);
    QCOMPARE(DecimalToHexWord(typed, tenths), word);
}

void TestFrameCodec::decimalToHexWordRefused_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("tenths");
    QTest::addColumn<QString>("message");
    const QString empty = "'' is not a valid integer value";
    QTest::newRow("empty") << "" << false << empty;
    QTest::newRow("spaces") << "  " << false << empty;
    QTest::newRow("sign only") << " -" << false << empty;
    QTest::newRow("only a dropped decimal") << ".5" << false << empty;
    QTest::newRow("beyond 32 bits")
        << "2147483648" << false << "'2147483648' is not a valid integer value";
    QTest::newRow("beyond 32 bits once in tenths")
        << "214748365" << true << "'214748365' is not a valid integer value";
    // A message quotes only a short excerpt of what was typed or pasted.
    QTest::newRow("huge") << QString(400, u'9') << false
                          << "'" + QString(40, u'9') + "...' is not a valid integer value";
}

void TestFrameCodec::decimalToHexWordRefused() {
    QFETCH(QString, typed);
    QFETCH(bool, tenths);
    QFETCH(QString, message);
    try {
        const QString word = DecimalToHexWord(typed, tenths);
        QFAIL(qPrintable("no error, got " + word));
    } catch (const ConvertError& e) {
        QCOMPARE(e.text(), message);
    }
}

// A value, an address or a register that does not fit its field is refused by the composer
// itself, so that no caller can send a value cut to 16 bits (or 8 for an address).
void TestFrameCodec::requestsNeverCutAValue_data() {
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("reg");
    QTest::addColumn<qint64>("value");
    QTest::addColumn<QString>("message");
    QTest::newRow("70000") << 1 << 0x4780 << qint64(70000)
                           << "Value 70000 does not fit a register (-32768 to 65535)";
    QTest::newRow("65536") << 1 << 0x4780 << qint64(65536)
                           << "Value 65536 does not fit a register (-32768 to 65535)";
    QTest::newRow("-32769") << 1 << 0x4780 << qint64(-32769)
                            << "Value -32769 does not fit a register (-32768 to 65535)";
    QTest::newRow("address 256") << 256 << 0x4701 << qint64(1)
                                 << "Address 256 does not fit a frame (0 to 255)";
    QTest::newRow("address -1") << -1 << 0x4701 << qint64(1)
                                << "Address -1 does not fit a frame (0 to 255)";
    QTest::newRow("register 0x10000")
        << 1 << 0x10000 << qint64(1) << "Register 65536 does not fit a frame (0 to 65535)";
}

void TestFrameCodec::requestsNeverCutAValue() {
    QFETCH(int, address);
    QFETCH(int, reg);
    QFETCH(qint64, value);
    QFETCH(QString, message);
    try {
        const QByteArray frame = WriteRequest(address, reg, value);
        QFAIL(qPrintable("composed " + QString::fromLatin1(frame)));
    } catch (const FrameRangeError& e) {
        QCOMPARE(e.text(), message);
    }
}

void TestFrameCodec::requestsAtTheEdges() {
    QCOMPARE(WriteRequest(1, 0x4780, -100), ":01064780FF9C" + AsciiLrc(":01064780FF9C") + "\r\n");
    QCOMPARE(WriteRequest(1, 0x4780, -32768).mid(9, 4), "8000");
    QCOMPARE(WriteRequest(255, 0xFFFF, 65535).mid(1, 12), "FF06FFFFFFFF");
    QCOMPARE(ReadRequest(1, 0x1000, 1), ":010310000001EB\r\n");
    QVERIFY_THROWS_EXCEPTION(FrameRangeError, ReadRequest(1, 0x1000, 65536));
}

void TestFrameCodec::typedValue_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<bool>("number");
    QTest::addColumn<qint64>("value");
    QTest::newRow("whole") << "25" << 0 << true << qint64(25);
    QTest::newRow("tenths") << "-12.5" << 1 << true << qint64(-125);
    QTest::newRow("hundredths of a whole number") << "2" << 2 << true << qint64(200);
    QTest::newRow("hundredths of one decimal") << "1.2" << 2 << true << qint64(120);
    QTest::newRow("hundredths") << "1.05" << 2 << true << qint64(105);
    QTest::newRow("a third decimal ignored") << "1.059" << 2 << true << qint64(105);
    QTest::newRow("junk after the decimals ignored") << "1.0x" << 2 << true << qint64(100);
    QTest::newRow("empty in hundredths") << "" << 2 << true << qint64(0);
    QTest::newRow("point at the end") << "1." << 2 << false << qint64(0);
    QTest::newRow("letter") << "1a" << 2 << false << qint64(0);
    // Beyond a register word: the caller decides, the value is exact.
    QTest::newRow("99999 in tenths") << "99999" << 1 << true << qint64(999990);
    QTest::newRow("-70000") << "-70000" << 0 << true << qint64(-70000);
}

void TestFrameCodec::typedValue() {
    QFETCH(QString, typed);
    QFETCH(int, decimals);
    QFETCH(bool, number);
    QFETCH(qint64, value);
    const std::optional<qint64> typedValue = TypedValue(typed, decimals);
    QCOMPARE(typedValue.has_value(), number);
    if (number) QCOMPARE(*typedValue, value);
}

void TestFrameCodec::checkReply_data() {
    QTest::addColumn<bool>("rtu");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("address");
    QTest::addColumn<ReplyStatus>("status");
    QTest::addColumn<int>("function");
    QTest::addColumn<int>("exceptionCode");
    QTest::addColumn<QList<quint16>>("words");
    using S = ReplyStatus;
    using W = QList<quint16>;

    // ASCII
    QTest::newRow("ascii two words")
        << false << ":01030400FAFF837C" + kCrLf << 1 << S::Good << 3 << 0 << W{0x00FA, 0xFF83};
    QTest::newRow("ascii without CR LF")
        << false << QByteArray(":01030400FAFF837C") << 1 << S::Good << 3 << 0 << W{0x00FA, 0xFF83};
    QTest::newRow("ascii address 255")
        << false << ":FF0302ABCD84" + kCrLf << 255 << S::Good << 3 << 0 << W{0xABCD};
    QTest::newRow("ascii no data") << false << ":010300FC" + kCrLf << 1 << S::Good << 3 << 0 << W{};
    QTest::newRow("ascii odd count drops the last byte")
        << false << ":010303AABBCCC8" + kCrLf << 1 << S::Good << 3 << 0 << W{0xAABB};
    QTest::newRow("ascii bad LRC")
        << false << ":01030400FAFF837D" + kCrLf << 1 << S::BadFrame << 3 << 0 << W{};
    QTest::newRow("ascii data changed")
        << false << ":01030400FBFF837C" + kCrLf << 1 << S::BadFrame << 3 << 0 << W{};
    QTest::newRow("ascii another station")
        << false << ":0203020001F8" + kCrLf << 1 << S::NotAddressed << -1 << 0 << W{};
    QTest::newRow("ascii no colon")
        << false << "01030400FAFF837C" + kCrLf << 1 << S::NotAddressed << -1 << 0 << W{};
    QTest::newRow("ascii empty") << false << QByteArray() << 1 << S::NotAddressed << -1 << 0 << W{};
    QTest::newRow("ascii colon only")
        << false << QByteArray(":") << 1 << S::NotAddressed << -1 << 0 << W{};
    QTest::newRow("ascii ends after address")
        << false << QByteArray(":01") << 1 << S::BadFrame << -1 << 0 << W{};
    QTest::newRow("ascii ends after function")
        << false << QByteArray(":0103") << 1 << S::BadFrame << 3 << 0 << W{};
    QTest::newRow("ascii count beyond the frame")
        << false << ":010308" + QByteArray("00FAFF83") + kCrLf << 1 << S::BadFrame << 3 << 0 << W{};
    QTest::newRow("ascii cut before LRC")
        << false << QByteArray(":01030400FAFF83") << 1 << S::BadFrame << 3 << 0 << W{};
    // The bytes present already sum to 0, so only the length check can refuse it.
    QTest::newRow("ascii cut where the LRC would be 00")
        << false << QByteArray(":01030200FA") << 1 << S::BadFrame << 3 << 0 << W{};
    QTest::newRow("ascii write echo")
        << false << ":0106472A7E5BAF" + kCrLf << 1 << S::OtherFunction << 6 << 0 << W{};
    QTest::newRow("ascii read refused")
        << false << ":0183027A" + kCrLf << 1 << S::Exception << 0x83 << 2 << W{};
    QTest::newRow("ascii write refused")
        << false << ":01860376" + kCrLf << 1 << S::Exception << 0x86 << 3 << W{};
    QTest::newRow("ascii exception, unknown code")
        << false << ":01834F2D" + kCrLf << 1 << S::Exception << 0x83 << 0x4F << W{};
    QTest::newRow("ascii exception with bad LRC")
        << false << ":0183027B" + kCrLf << 1 << S::BadFrame << 0x83 << 0 << W{};
    QTest::newRow("ascii exception cut short")
        << false << QByteArray(":0183\r\n") << 1 << S::BadFrame << 0x83 << 0 << W{};
    // Characters that are not hex digits are never read as digits, even where the LRC would
    // agree ("G" would be 16).
    QTest::newRow("ascii G as a digit")
        << false << ":010302000GEA" + kCrLf << 1 << S::BadFrame << 3 << 0 << W{};
    QTest::newRow("ascii lowercase digit")
        << false << ":01030200faFF" + kCrLf << 1 << S::BadFrame << 3 << 0 << W{};
    QTest::newRow("ascii blank inside")
        << false << ":0103020 00AF0" + kCrLf << 1 << S::BadFrame << 3 << 0 << W{};
    QTest::newRow("ascii address not hex")
        << false << ":0G0302000AF0" + kCrLf << 1 << S::NotAddressed << -1 << 0 << W{};

    // RTU
    QTest::newRow("rtu two words")
        << true << Hex("01 03 04 00 FA FF 83 DA 53") << 1 << S::Good << 3 << 0 << W{0x00FA, 0xFF83};
    QTest::newRow("rtu address 255")
        << true << Hex("FF 03 02 AB CD 2F 35") << 255 << S::Good << 3 << 0 << W{0xABCD};
    QTest::newRow("rtu no data") << true << Hex("01 03 00 20 F0") << 1 << S::Good << 3 << 0 << W{};
    QTest::newRow("rtu odd count drops the last byte")
        << true << Hex("01 03 03 AA BB CC 17 0B") << 1 << S::Good << 3 << 0 << W{0xAABB};
    QTest::newRow("rtu bytes after the CRC ignored")
        << true << Hex("01 03 02 01 02 38 15 00") << 1 << S::Good << 3 << 0 << W{0x0102};
    QTest::newRow("rtu CRC bytes swapped")
        << true << Hex("01 03 04 00 FA FF 83 53 DA") << 1 << S::BadFrame << 3 << 0 << W{};
    QTest::newRow("rtu data changed")
        << true << Hex("01 03 04 00 FB FF 83 DA 53") << 1 << S::BadFrame << 3 << 0 << W{};
    QTest::newRow("rtu another station")
        << true << Hex("02 03 02 00 01 3D 84") << 1 << S::NotAddressed << -1 << 0 << W{};
    QTest::newRow("rtu empty") << true << QByteArray() << 1 << S::NotAddressed << -1 << 0 << W{};
    QTest::newRow("rtu address only") << true << Hex("01") << 1 << S::BadFrame << -1 << 0 << W{};
    QTest::newRow("rtu ends after function")
        << true << Hex("01 03") << 1 << S::BadFrame << 3 << 0 << W{};
    QTest::newRow("rtu count beyond the frame")
        << true << Hex("01 03 08 00 FA FF 83 DA 53") << 1 << S::BadFrame << 3 << 0 << W{};
    QTest::newRow("rtu one CRC byte missing")
        << true << Hex("01 03 04 00 FA FF 83 DA") << 1 << S::BadFrame << 3 << 0 << W{};
    QTest::newRow("rtu write echo")
        << true << Hex("01 06 47 2A 7E 5B DC ED") << 1 << S::OtherFunction << 6 << 0 << W{};
    QTest::newRow("rtu read refused")
        << true << Hex("01 83 02 C0 F1") << 1 << S::Exception << 0x83 << 2 << W{};
    QTest::newRow("rtu write refused")
        << true << Hex("01 86 03 02 61") << 1 << S::Exception << 0x86 << 3 << W{};
    QTest::newRow("rtu exception with bad CRC")
        << true << Hex("01 83 02 C0 F0") << 1 << S::BadFrame << 0x83 << 0 << W{};
    QTest::newRow("rtu exception cut short")
        << true << Hex("01 83 02 C0") << 1 << S::BadFrame << 0x83 << 0 << W{};
}

void TestFrameCodec::checkReply() {
    QFETCH(bool, rtu);
    QFETCH(QByteArray, reply);
    QFETCH(int, address);
    QFETCH(ReplyStatus, status);
    QFETCH(int, function);
    QFETCH(int, exceptionCode);
    QFETCH(QList<quint16>, words);

    const ReadReply checked = rtu ? CheckRtuReply(reply, address) : CheckAsciiReply(reply, address);
    QCOMPARE(checked.status, status);
    QCOMPARE(checked.isGood(), status == ReplyStatus::Good);
    QCOMPARE(checked.function, function);
    QCOMPARE(checked.exceptionCode, exceptionCode);
    QCOMPARE(checked.words, words);
}

// Any single damaged byte of a good reply must be caught: a wrong word shown or recorded is
// worse than a lost reply. Every position and several damage patterns are tried.
void TestFrameCodec::corruptedReplyIsNeverGood_data() {
    QTest::addColumn<bool>("rtu");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("ascii") << false << ":01030400FAFF837C" + kCrLf;
    QTest::newRow("rtu") << true << Hex("01 03 04 00 FA FF 83 DA 53");
}

void TestFrameCodec::corruptedReplyIsNeverGood() {
    QFETCH(bool, rtu);
    QFETCH(QByteArray, reply);
    const auto check = [rtu](const QByteArray& frame) {
        return rtu ? CheckRtuReply(frame, 1) : CheckAsciiReply(frame, 1);
    };
    QVERIFY(check(reply).isGood());

    // ASCII damage stays within hex digits, as a flipped bit on the line mostly would not, so
    // that the LRC alone has to catch it; CR LF carry nothing checked.
    const QByteArray hexDigits = "0123456789ABCDEF";
    const qsizetype checkedLength = rtu ? reply.size() : reply.size() - 2;
    for (qsizetype i = 0; i < checkedLength; ++i) {
        QList<char> replacements;
        if (rtu) {
            for (const int mask : {0x01, 0x10, 0x80, 0xFF})
                replacements.append(char(reply[i] ^ mask));
        } else if (i > 0) {
            for (const char c : hexDigits)
                if (c != reply[i]) replacements.append(c);
        }
        for (const char c : std::as_const(replacements)) {
            QByteArray damaged = reply;
            damaged[i] = c;
            const ReadReply result = check(damaged);
            QVERIFY2(!result.isGood(), qPrintable(QStringLiteral("byte %1 changed to %2 passed")
                                                      .arg(i)
                                                      .arg(quint8(c), 2, 16, QChar(u'0'))));
        }
    }
}

QTEST_GUILESS_MAIN(TestFrameCodec)
#include "tst_framecodec.moc"
