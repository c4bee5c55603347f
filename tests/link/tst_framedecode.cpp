// Frames in words, as the traffic window and the tester show them.
#include "framecodec.h"
#include "framedecode.h"
#include "mbap.h"

#include <QTest>

using namespace vrx;

class TestFrameDecode : public QObject {
    Q_OBJECT

private slots:
    void describe_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("sent");
        QTest::addColumn<QString>("text");

        const QByteArray read = ReadRequest(1, 0x4700, 2);
        QTest::newRow("ascii read request")
            << read << true << "address 1, read 0x4700 x2, LRC good";
        QTest::newRow("rtu read request")
            << AsciiToRtu(read) << true << "address 1, read 0x4700 x2, CRC good";
        QTest::newRow("ascii reply with words") << QByteArray(":01030400FA012CD1\r\n") << false
                                                << "address 1, 2 words: 250 300, LRC good";
        QTest::newRow("ascii reply, LRC wrong") << QByteArray(":01030400FA012CD2\r\n") << false
                                                << "address 1, 2 words: 250 300, LRC bad";
        QTest::newRow("reply with one word")
            << AsciiToRtu(":0103020064AA\r\n") << false << "address 1, 1 word: 100, CRC good";
        QTest::newRow("rtu write and its echo")
            << AsciiToRtu(WriteRequest(3, 0x4701, -100)) << false
            << "address 3, write 0x4701 = 65436, CRC good";
        const QByteArray exception = QByteArray::fromHex("0183");
        QTest::newRow("exception 02 in words")
            << exception + '\x02' + ModbusCrc(exception + '\x02') << false
            << "address 1, exception 02: illegal data address, CRC good";
        QTest::newRow("a gateway's target did not answer")
            << exception + '\x0B' + ModbusCrc(exception + '\x0B') << false
            << "address 1, exception 0B: gateway target device failed to respond, CRC good";
        QTest::newRow("an exception without a name")
            << exception + '\x1F' + ModbusCrc(exception + '\x1F') << false
            << "address 1, exception 1F: exception 0x1F, CRC good";
        QTest::newRow("rtu, CRC wrong")
            << AsciiToRtu(read).chopped(1) + 'x' << true << "address 1, read 0x4700 x2, CRC bad";
        QTest::newRow("another function") << AsciiToRtu(":01080000A55A\r\n") << true
                                          << "address 1, function 0x08, 3 data bytes, CRC good";
        QTest::newRow("ascii broken off")
            << QByteArray(":0103470") << false << "not a whole ASCII frame";
        QTest::newRow("noise") << QByteArray("\x13") << false << "too short for a frame";
        QTest::newRow("nothing") << QByteArray() << false << "too short for a frame";
    }
    void describe() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, sent);
        QFETCH(QString, text);
        QCOMPARE(DescribeFrame(DecodeFrame(bytes, sent)), text);
    }

    // On a Modbus TCP line a frame is an MBAP header and a PDU, whatever its first bytes look
    // like: the unit is the address, and there is no LRC or CRC to check.
    void describeModbusTcp_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("sent");
        QTest::addColumn<QString>("text");

        const QByteArray read = QByteArray::fromHex("03470000 02");
        const QByteArray request = EncodeMbap({7, 10, read});
        QTest::newRow("read request to unit 10")
            << request << true << "transaction 7, unit 10, read 0x4700 x2, length good";
        QTest::newRow("reply with words")
            << EncodeMbap({7, 10, QByteArray::fromHex("030400FA012C")}) << false
            << "transaction 7, unit 10, 2 words: 250 300, length good";
        QTest::newRow("write echo")
            << EncodeMbap({65535, 247, QByteArray::fromHex("06470100C8")}) << false
            << "transaction 65535, unit 247, write 0x4701 = 200, length good";
        QTest::newRow("the gateway's target did not answer")
            << EncodeMbap({8, 3, QByteArray::fromHex("830B")}) << false
            << "transaction 8, unit 3, exception 0B: gateway target device failed to respond, "
               "length good";
        QTest::newRow("transaction that reads as ':0'")
            << EncodeMbap({0x3A30, 1, read}) << true
            << "transaction 14896, unit 1, read 0x4700 x2, length good";
        QTest::newRow("cut short") << request.chopped(1) << true
                                   << "transaction 7, unit 10, function 0x03, 3 data bytes, "
                                      "length bad";
        QTest::newRow("a byte after the ADU")
            << request + 'x' << true << "transaction 7, unit 10, read 0x4700 x2, length bad";
        QByteArray otherProtocol = request;
        otherProtocol[3] = 1;
        QTest::newRow("protocol id not 0")
            << otherProtocol << true << "not Modbus TCP (protocol id 1)";
        QTest::newRow("header only")
            << request.first(mbap::HeaderSize) << false << "too short for a Modbus TCP frame";
        QTest::newRow("nothing") << QByteArray() << false << "too short for a Modbus TCP frame";
        QTest::newRow("an RTU frame is not MBAP") << AsciiToRtu(ReadRequest(1, 0x4700, 2)) << true
                                                  << "not Modbus TCP (protocol id 18176)";
    }
    void describeModbusTcp() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, sent);
        QFETCH(QString, text);
        QCOMPARE(DescribeFrame(DecodeFrame(bytes, sent, true)), text);
    }
};

QTEST_GUILESS_MAIN(TestFrameDecode)
#include "tst_framedecode.moc"
