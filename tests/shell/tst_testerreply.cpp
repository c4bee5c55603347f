// The command tester's reply in values, as tables of request, reply and the lines shown.
#include "framecodec.h"
#include "registers.h"
#include "testerreply.h"

#include <QTest>

using namespace vrx;

namespace {

// An RTU frame of the hex text, with its CRC.
QByteArray Rtu(const char* hex) {
    const QByteArray body = QByteArray::fromHex(hex);
    return body + ModbusCrc(body);
}

// An ASCII frame of the hex text, with its LRC and CR LF.
QByteArray Ascii(const char* hex) {
    const QByteArray text = ':' + QByteArray(hex);
    return text + AsciiLrc(text) + "\r\n";
}

} // namespace

class TestTesterReply : public QObject {
    Q_OBJECT

private slots:
    void registerHoldsTenths_data() {
        QTest::addColumn<int>("reg");
        QTest::addColumn<bool>("tenths");
        QTest::newRow("process value") << reg::ProcessValue << true;
        QTest::newRow("set value") << reg::SetValue << true;
        QTest::newRow("output 1 in tenths of a percent") << reg::Output1 << true;
        QTest::newRow("alarm 3 lower limit") << reg::Alarm3Low << true;
        QTest::newRow("proportional band") << reg::ProportionalBand << true;
        QTest::newRow("integral offset") << reg::IntegralOffset << true;
        QTest::newRow("integral time is whole") << reg::IntegralTime << false;
        QTest::newRow("coefficient is hundredths") << reg::PCoefficient << false;
        QTest::newRow("tuning output is signed") << reg::TuneOutHigh << false;
        QTest::newRow("cold-junction offset") << reg::ColdJunctionOffset << true;
        QTest::newRow("linear gain is signed") << reg::LinearGain << false;
        QTest::newRow("input type is an item") << reg::InputType << false;
        QTest::newRow("decimal point is an item") << reg::DecimalPoint << false;
        QTest::newRow("outside the map") << 0x1000 << false;
    }
    void registerHoldsTenths() {
        QFETCH(int, reg);
        QFETCH(bool, tenths);
        QCOMPARE(RegisterHoldsTenths(reg), tenths);
    }

    void replyValueLines_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QStringList>("lines");

        const QByteArray readPv = ReadRequest(1, 0x4700, 3);
        QTest::newRow("process values in tenths, negative too")
            << readPv << Ascii("01030600FAFF9C03E8")
            << QStringList{"REGISTER  DECIMAL   HEX  SIGNED  TENTHS",
                           "4700          250  00FA     250    25.0",
                           "4701        65436  FF9C    -100   -10.0",
                           "4702         1000  03E8    1000   100.0"};
        QTest::newRow("rtu reply to an rtu read")
            << AsciiToRtu(readPv) << Rtu("01030600FAFF9C03E8")
            << QStringList{"REGISTER  DECIMAL   HEX  SIGNED  TENTHS",
                           "4700          250  00FA     250    25.0",
                           "4701        65436  FF9C    -100   -10.0",
                           "4702         1000  03E8    1000   100.0"};
        QTest::newRow("tenths only where the register holds them")
            << ReadRequest(1, 0x470C, 6) << Rtu("01030C01DC00F0003C00070000FFFF")
            << QStringList{"REGISTER  DECIMAL   HEX  SIGNED  TENTHS",
                           "470C          476  01DC     476    47.6",
                           "470D          240  00F0     240",
                           "470E           60  003C      60",
                           "470F            7  0007       7     0.7",
                           "4710            0  0000       0",
                           "4711        65535  FFFF      -1"};
        QTest::newRow("an unsigned offset stays positive")
            << ReadRequest(1, reg::IntegralOffset, 1) << Rtu("010302FFFF")
            << QStringList{"REGISTER  DECIMAL   HEX  SIGNED  TENTHS",
                           "470F        65535  FFFF      -1  6553.5"};
        QTest::newRow("no tenths outside the map: no column")
            << ReadRequest(1, 0x1000, 2) << Rtu("010304000A8000")
            << QStringList{"REGISTER  DECIMAL   HEX  SIGNED", "1000           10  000A      10",
                           "1001        32768  8000   32768"};
        QTest::newRow("input registers are not the controller's map")
            << AsciiToRtu(":010447000001XXXX") << Rtu("01040200FA")
            << QStringList{"REGISTER  DECIMAL   HEX  SIGNED", "4700          250  00FA     250"};
        QTest::newRow("a reply to another read numbers its words")
            << ReadRequest(2, 0x4700, 1) << Rtu("01030200FA")
            << QStringList{"REGISTER  DECIMAL   HEX  SIGNED", "#1            250  00FA     250"};
        QTest::newRow("a typed line that is not a read")
            << QByteArray("hello\r\n") << Rtu("01030200FA")
            << QStringList{"REGISTER  DECIMAL   HEX  SIGNED", "#1            250  00FA     250"};
        QTest::newRow("exception in words")
            << readPv << Ascii("018302") << QStringList{"exception 02: illegal data address"};
        QTest::newRow("rtu exception") << AsciiToRtu(readPv) << Rtu("018303")
                                       << QStringList{"exception 03: illegal data value"};
        QTest::newRow("single write echo") << WriteRequest(1, 0x4701, 300) << Ascii("01064701012C")
                                           << QStringList{"written: 4701 = 012C"};
        QTest::newRow("multiple write echo")
            << AsciiToRtu(":0110100000020400010012XXXX") << Rtu("011010000002")
            << QStringList{"written: 2 words from 1000"};
        QTest::newRow("write bit echo")
            << AsciiToRtu(":01050810FF00XXXX") << Rtu("01050810FF00") << QStringList{"written"};
        QTest::newRow("LRC wrong") << readPv << Ascii("01030600FAFF9C03E8").replace("E8", "E9")
                                   << QStringList{"LRC wrong: the reply was damaged on the line"};
        QTest::newRow("CRC wrong")
            << AsciiToRtu(readPv) << Rtu("01030600FAFF9C03E8").chopped(1) + '\x00'
            << QStringList{"CRC wrong: the reply was damaged on the line"};
        QTest::newRow("another function in words")
            << QByteArray() << Rtu("01080000A55A") << QStringList{"function 0x08, 4 data bytes"};
        QTest::newRow("a read reply whose byte count does not fit")
            << readPv << Rtu("01030600FA") << QStringList{"function 0x03, 3 data bytes"};
        QTest::newRow("noise") << readPv << QByteArray("\x13") << QStringList{};
        QTest::newRow("nothing") << readPv << QByteArray() << QStringList{};
    }
    void replyValueLines() {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, reply);
        QFETCH(QStringList, lines);
        QCOMPARE(ReplyValueLines(request, reply), lines);
    }
};

QTEST_GUILESS_MAIN(TestTesterReply)
#include "tst_testerreply.moc"
