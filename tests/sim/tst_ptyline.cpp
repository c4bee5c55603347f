// What the simulators make of a master's line: the speed and stop bits a pty keeps, how a pinned
// line meets a master (on a pty, and in-process where everything is known), and replies as a
// wrongly framing receiver reads them.
#include "framecodec.h"
#include "ptyline.h"
#include "simoptions.h"

#include <QTest>

#include <termios.h>

using namespace vrx::sim;

Q_DECLARE_METATYPE(LineFit)

class TestPtyLine : public QObject {
    Q_OBJECT

private slots:
    void lineOfTermios_data() {
        QTest::addColumn<unsigned>("speed");
        QTest::addColumn<unsigned>("flags");
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("stopBits");
        QTest::newRow("9600, one stop bit")
            << unsigned(B9600) << unsigned(CS8 | CREAD) << 9600 << 1;
        QTest::newRow("38400, two") << unsigned(B38400) << unsigned(CS8 | CSTOPB) << 38400 << 2;
        QTest::newRow("2400") << unsigned(B2400) << 0u << 2400 << 1;
        QTest::newRow("parity is not a stop bit")
            << unsigned(B4800) << unsigned(PARENB | PARODD) << 4800 << 1;
        QTest::newRow("a code of no rate") << 0xFFFFu << 0u << 0 << 1;
    }
    void lineOfTermios() {
        QFETCH(unsigned, speed);
        QFETCH(unsigned, flags);
        QFETCH(int, baud);
        QFETCH(int, stopBits);
        QCOMPARE(PtyLineOf(speed, flags), (MasterLine{baud, stopBits, {}, {}}));
    }

    void fit_data() {
        QTest::addColumn<QString>("options");
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("stopBits");
        QTest::addColumn<QString>("format"); // data bits and parity where known: "" on a pty
        QTest::addColumn<LineFit>("fit");
        QTest::newRow("nothing pinned") << "addresses=1" << 2400 << 2 << "" << LineFit::Fits;
        QTest::newRow("pinned, met")
            << "baud=19200:format=8E1" << 19200 << 1 << "" << LineFit::Fits;
        QTest::newRow("another speed")
            << "baud=19200:format=8E1" << 9600 << 1 << "" << LineFit::Silent;
        QTest::newRow("another speed and stop bits")
            << "baud=19200:format=8E2" << 9600 << 1 << "" << LineFit::Silent;
        QTest::newRow("other stop bits")
            << "baud=19200:format=8E2" << 19200 << 1 << "" << LineFit::Garbled;
        QTest::newRow("only the format pinned")
            << "format=8N2" << 4800 << 1 << "" << LineFit::Garbled;
        QTest::newRow("parity cannot be told") << "format=7O1" << 4800 << 1 << "" << LineFit::Fits;
        QTest::newRow("unknown rate") << "baud=9600" << 0 << 1 << "" << LineFit::Silent;
        // In-process, data bits and parity are known too.
        QTest::newRow("in-process, met")
            << "baud=9600:format=7E1" << 9600 << 1 << "7E" << LineFit::Fits;
        QTest::newRow("in-process, other parity")
            << "format=7E1" << 9600 << 1 << "7O" << LineFit::Silent;
        QTest::newRow("in-process, other data bits")
            << "format=7E2" << 9600 << 1 << "8E" << LineFit::Silent;
        QTest::newRow("in-process, other stop bits")
            << "format=8N2" << 9600 << 1 << "8N" << LineFit::Garbled;
    }
    void fit() {
        QFETCH(QString, options);
        QFETCH(int, baud);
        QFETCH(int, stopBits);
        QFETCH(QString, format);
        QFETCH(LineFit, fit);
        QString error;
        const auto parsed = ParseLineOptions(options, &error);
        QVERIFY2(parsed, qPrintable(error));
        MasterLine line{baud, stopBits, {}, {}};
        if (!format.isEmpty()) {
            line.dataBits = format[0].digitValue();
            line.parity = format[1].toLatin1();
        }
        QCOMPARE(FitOf(*parsed, line), fit);
    }

    void garbledRepliesMakeNoFrame_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("rtu");
        const QByteArray ascii = ":010302" + vrx::ByteToHex(0x01) + vrx::ByteToHex(0x2C);
        const QByteArray frame = ascii + vrx::AsciiLrc(ascii) + "\r\n";
        QTest::newRow("ascii") << frame << false;
        QTest::newRow("rtu") << vrx::AsciiToRtu(frame) << true;
        for (int a = 1; a <= 247; a += 41)
            QTest::addRow("rtu at %d", a)
                << vrx::AsciiToRtu(vrx::ReadRequest(a, 0x4700, 1)) << true;
    }
    void garbledRepliesMakeNoFrame() {
        QFETCH(QByteArray, reply);
        QFETCH(bool, rtu);
        const QByteArray garbled = Garbled(reply);
        QCOMPARE(garbled.size(), reply.size());
        const int address = rtu ? quint8(reply[0]) : 1;
        const vrx::ReadReply judged =
            rtu ? vrx::CheckRtuReply(garbled, address) : vrx::CheckAsciiReply(garbled, address);
        QCOMPARE(judged.status, vrx::ReplyStatus::NotAddressed);
    }
};

QTEST_GUILESS_MAIN(TestPtyLine)
#include "tst_ptyline.moc"
