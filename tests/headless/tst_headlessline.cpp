// The line `vrxcom record` opens: COMn as the options name it, with the settings it is given,
// and its first request framed by them.
#include "fakeline.h"
#include "headlessrecorder.h"
#include "manualtime.h"

#include <QTemporaryDir>
#include <QTest>

using namespace vrx;

class TestHeadlessLine : public QObject {
    Q_OBJECT

private slots:
    void opensWithTheSettingsGiven_data() {
        QTest::addColumn<LineSettings>("settings");
        QTest::addColumn<QByteArray>("request");
        const QByteArray ascii(":010347000002B3\r\n");
        const QByteArray rtu = QByteArray::fromHex("010347000002D0BF");
        QTest::newRow("defaults") << LineSettings{} << ascii;
        QTest::newRow("ascii 2400 none 2 stop")
            << LineSettings{2400, Parity::None, 7, 2, Framing::Ascii} << ascii;
        QTest::newRow("rtu 38400 odd")
            << LineSettings{38400, Parity::Odd, 8, 1, Framing::Rtu} << rtu;
        QTest::newRow("rtu 4800 even 2 stop")
            << LineSettings{4800, Parity::Even, 8, 2, Framing::Rtu} << rtu;
        QTest::newRow("rtu 19200 none")
            << LineSettings{19200, Parity::None, 8, 1, Framing::Rtu} << rtu;
    }
    void opensWithTheSettingsGiven() {
        QFETCH(LineSettings, settings);
        QFETCH(QByteArray, request);
        test::ManualTime clock{1000};
        test::FakeLineFactory lines;
        qputenv("VRX_COM3", "sim");
        QTemporaryDir dir;
        RecordOptions options;
        options.com = 3;
        options.addresses = {1, 0, 0, 0, 0, 0, 0, 0};
        options.out = dir.filePath("lab.txt");
        HeadlessRecorder recorder(options, std::nullopt);
        QString error;
        QVERIFY2(recorder.Start(options.com, settings, &error), qPrintable(error));
        QVERIFY(lines.last);
        QCOMPARE(lines.last->Settings(), settings);
        QCOMPARE(recorder.Line().Port().ComNumber(), 3);
        QCOMPARE(lines.last->written, QList<QByteArray>{request});
        recorder.Stop();
        qunsetenv("VRX_COM3");
    }
};

QTEST_GUILESS_MAIN(TestHeadlessLine)
#include "tst_headlessline.moc"
