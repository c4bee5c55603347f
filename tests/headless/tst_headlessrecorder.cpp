// The unattended recorder in-process, on simulated controllers and a manual clock: the status
// line and the events as a silent device is met, "End" at the stop; and the broker queue's
// bound, whose oldest samples make room and are counted.
#include "headlessrecorder.h"
#include "manualtime.h"
#include "simulatedline.h"

#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using namespace vrx;

class TestHeadlessRecorder : public QObject {
    Q_OBJECT

private slots:
    void statusAndEvents() {
        test::ManualTime clock{1000};
        sim::InstallSimulatedLine();
        qputenv("VRX_COM1", "sim:addresses=1,2:preset=factory:fault=noanswer:faultaddress=2");
        QTemporaryDir dir;
        RecordOptions options;
        options.com = 1;
        options.addresses = {1, 2, 0, 0, 0, 0, 0, 0};
        options.out = dir.filePath("lab.txt");
        HeadlessRecorder recorder(options, std::nullopt);
        QStringList events;
        connect(&recorder, &HeadlessRecorder::logged, this,
                [&events](const QString& text) { events << text; });
        QSignalSpy finished(&recorder, &HeadlessRecorder::finished);
        QString error;
        QVERIFY(recorder.Start(options.com, LineSettings{}, &error));
        clock.Run(10000);
        // The tries at address 2 outlast the first two seconds: their lines are written as
        // missed, so the file begins at the first tick.
        const QRegularExpression status(
            "^samples 10  1: ok 8 t/o 0 bad 0 pv \\d+\\.\\d  2: ok 0 t/o 4 bad 0 pv ---$");
        QVERIFY2(status.match(recorder.StatusLine()).hasMatch(), qPrintable(recorder.StatusLine()));
        QCOMPARE(events, (QStringList{"recording into " + options.out,
                                      "COM1 address 2: no answer; written as --- and asked "
                                      "again once a minute"}));
        recorder.Stop();
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished[0][0].toInt(), 0);
        QFile file(options.out);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY(text.endsWith("\r\nEnd\r\n"));
        QVERIFY(text.contains("1 ---    ---    "));
        InstallSimulatedLineFactory({});
    }

    // Another master served while the recording goes on: its answers with their transaction
    // ids, a silent station's 0x0B, the counts in the status line, no sample missed, and the
    // master's connection closed by the stop.
    void servedWhileRecording() {
        test::ManualTime clock{1000};
        sim::InstallSimulatedLine();
        qputenv("VRX_COM1", "sim:addresses=1,2:preset=factory");
        QTemporaryDir dir;
        RecordOptions options;
        options.com = 1;
        options.addresses = {1, 2, 0, 0, 0, 0, 0, 0};
        options.out = dir.filePath("lab.txt");
        options.serve = {ServeAddress{QHostAddress(QHostAddress::LocalHost), 0}};
        HeadlessRecorder recorder(options, std::nullopt);
        QStringList events;
        connect(&recorder, &HeadlessRecorder::logged, this,
                [&events](const QString& text) { events << text; });
        QString error;
        QVERIFY2(recorder.Start(options.com, LineSettings{}, &error), qPrintable(error));
        QVERIFY(recorder.Server());
        QTcpSocket master;
        master.connectToHost(QHostAddress::LocalHost, recorder.Server()->Ports().first());
        QVERIFY(master.waitForConnected(10000));
        master.write(EncodeMbap({0x0101, 1, QByteArray::fromHex("0347010001")}) +
                     EncodeMbap({0x0202, 7, QByteArray::fromHex("0347010001")}));
        QByteArray answers;
        // The socket's bytes come through the event loop, the line's through the clock.
        const auto runUntil = [&](const std::function<bool()>& done) {
            for (int i = 0; i < 400 && !done(); ++i) {
                clock.Run(25);
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
                answers += master.readAll();
            }
            return done();
        };
        QVERIFY(runUntil([&] { return answers.size() >= 11 + 9; }));
        QCOMPARE(answers.left(11),
                 EncodeMbap({0x0101, 1, QByteArray::fromHex("0302") + answers.mid(9, 2)}));
        QCOMPARE(answers.mid(11), EncodeMbap({0x0202, 7, QByteArray::fromHex("830B")}));
        QVERIFY(runUntil([&] { return recorder.Sink().LinesWritten() >= 8; }));
        QVERIFY2(recorder.StatusLine().contains("served 2 exc 1 masters 1"),
                 qPrintable(recorder.StatusLine()));
        QVERIFY2(recorder.StatusLine().contains("1: ok 8 t/o 0") &&
                     recorder.StatusLine().contains("2: ok 8 t/o 0"),
                 qPrintable(recorder.StatusLine()));
        QVERIFY(events.first().startsWith("serving COM1 to Modbus TCP masters on 127.0.0.1:"));
        recorder.Stop();
        QVERIFY(runUntil([&] { return master.state() == QAbstractSocket::UnconnectedState; }));
        InstallSimulatedLineFactory({});
    }

    // What an operator reads in the log about a device that answers wrongly or slowly, while
    // the others are recorded every second.
    void faultsSaidInTheLog_data() {
        QTest::addColumn<QByteArray>("sim");
        QTest::addColumn<QString>("event");
        QTest::addColumn<QString>("status");
        QTest::newRow("bad check")
            << QByteArray("addresses=1-3:preset=factory:fault=badcheck:faultaddress=2")
            << "COM1 address 2: no good answer (a bad check, another address or length); "
               "written as --- and asked again once a minute"
            << "  2: ok 0 t/o 0 bad 4 pv ---";
        QTest::newRow("another address")
            << QByteArray("addresses=1-3:preset=factory:fault=wrongaddress:faultaddress=2")
            << "COM1 address 2: no good answer (a bad check, another address or length); "
               "written as --- and asked again once a minute"
            << "  2: ok 0 t/o 0 bad 4 pv ---";
        // Three devices of 0.4 s each: the tick at one second finds the third on the line.
        QTest::newRow("slow") << QByteArray("addresses=1,2,3:preset=factory:turnaround=400")
                              << "COM1 address 3: answers too slowly for the 1 s interval; each "
                                 "sample missed meanwhile is written as ---"
                              << "  2: ok ";
    }
    void faultsSaidInTheLog() {
        QFETCH(QByteArray, sim);
        QFETCH(QString, event);
        QFETCH(QString, status);
        test::ManualTime clock{1000};
        sim::InstallSimulatedLine();
        qputenv("VRX_COM1", "sim:" + sim);
        QTemporaryDir dir;
        RecordOptions options;
        options.com = 1;
        options.addresses = {1, 2, 3, 0, 0, 0, 0, 0};
        options.out = dir.filePath("lab.txt");
        HeadlessRecorder recorder(options, std::nullopt);
        QStringList events;
        connect(&recorder, &HeadlessRecorder::logged, this,
                [&events](const QString& text) { events << text; });
        QString error;
        QVERIFY(recorder.Start(options.com, LineSettings{}, &error));
        clock.Run(20000 - 100);
        QCOMPARE(events.count(event), 1);
        QVERIFY2(recorder.StatusLine().startsWith("samples 20  1: ok "),
                 qPrintable(recorder.StatusLine()));
        QVERIFY2(recorder.StatusLine().contains(status), qPrintable(recorder.StatusLine()));
        recorder.Stop();
        QFile file(options.out);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(lines.size(), 1 + 20 + 2);
        InstallSimulatedLineFactory({});
    }

    // Beyond the bound the oldest waiting samples go, said once with the bound; the newest
    // are kept in order.
    void queueBound() {
        MqttPublisher publisher({MqttTarget{false, "127.0.0.1", 1, "vrx"}, {}, {}, {}, {}, {}, {}});
        publisher.SetCapacity(5);
        QSignalSpy events(&publisher, &MqttPublisher::logged);
        for (int i = 0; i < 12; ++i)
            publisher.Publish({"vrx/COM1/1/state", QByteArray::number(i)});
        QCOMPARE(publisher.Queued(), 5);
        QCOMPARE(publisher.Dropped(), 7u);
        QCOMPARE(events.size(), 1);
        QVERIFY(events[0][0].toString().contains("the queue is full (5 samples)"));
        QVERIFY(MqttPublisher::DefaultCapacity >= 8 * 24 * 3600);
    }
};

QTEST_GUILESS_MAIN(TestHeadlessRecorder)
#include "tst_headlessrecorder.moc"
