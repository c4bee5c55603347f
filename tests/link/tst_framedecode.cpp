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

    // What the command tester reads out of frames: a request's register and count, a reply's
    // words, a write's register and value.
    void registersAndWords_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("sent");
        QTest::addColumn<int>("firstRegister");
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<quint16>>("words");

        const QList<quint16> none;
        QTest::newRow("read request") << ReadRequest(1, 0x4700, 12) << true << 0x4700 << 12 << none;
        QTest::newRow("read of input registers")
            << AsciiToRtu(":010410000003XXXX") << true << 0x1000 << 3 << none;
        QTest::newRow("reply words, high ones whole")
            << QByteArray(":01030600FAFF9C8000E4\r\n") << false << -1 << -1
            << QList<quint16>{250, 0xFF9C, 0x8000};
        QTest::newRow("input register reply")
            << AsciiToRtu(":0104020064XXXX") << false << -1 << -1 << QList<quint16>{100};
        QTest::newRow("byte count beyond the bytes")
            << AsciiToRtu(":01030600FAXXXX") << false << -1 << -1 << none;
        QTest::newRow("odd data bytes")
            << AsciiToRtu(":01030300FA01XXXX") << false << -1 << -1 << none;
        QTest::newRow("single write echo") << AsciiToRtu(WriteRequest(3, 0x4701, -100)) << false
                                           << 0x4701 << -1 << QList<quint16>{0xFF9C};
        QTest::newRow("multiple write echo")
            << AsciiToRtu(":011010000002XXXX") << false << 0x1000 << 2 << none;
        QTest::newRow("exception") << AsciiToRtu(":018302XXXX") << false << -1 << -1 << none;
        QTest::newRow("a read request is not a reply")
            << ReadRequest(1, 0x4700, 2) << false << -1 << -1 << none;
        QTest::newRow("too short") << QByteArray("\x13") << false << -1 << -1 << none;
    }
    void registersAndWords() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, sent);
        QFETCH(int, firstRegister);
        QFETCH(int, count);
        QFETCH(QList<quint16>, words);
        const DecodedFrame frame = DecodeFrame(bytes, sent);
        QCOMPARE(frame.firstRegister, firstRegister);
        QCOMPARE(frame.count, count);
        QCOMPARE(frame.words, words);
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
