// The unattended recorder in-process, on simulated controllers and a manual clock: the status
// line and the events as a silent device is met, "End" at the stop; and the broker queue's
// bound, whose oldest samples make room and are counted.
#include "headlessrecorder.h"
#include "manualtime.h"
#include "simulatedline.h"

#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
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
        QVERIFY(recorder.Start(ComSelections{}, &error));
        clock.Run(10000);
        const QRegularExpression status(
            "^samples (\\d+)  1: ok \\1 t/o 0 pv \\d+\\.\\d  2: ok 0 t/o 4 pv ---$");
        QVERIFY2(status.match(recorder.StatusLine()).hasMatch(), qPrintable(recorder.StatusLine()));
        // The first line, and so the file, waits for the cycle in which address 2 gave up.
        QCOMPARE(events, (QStringList{"COM1 address 2: no answer; written as --- and asked "
                                      "again once a minute",
                                      "recording into " + options.out}));
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
