// A recording's files on simulated controllers and a manual clock: each cycle's line composed
// once, the same in the window's file and in the files of an unattended run, its day and time
// one reading of the clock; the window's file failing or vanishing said once while the
// recording goes on. And the engine's reply timings.
#include "clock.h"
#include "filesizelimit.h"
#include "manualtime.h"
#include "openline.h"
#include "recording.h"
#include "simulatedline.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace vrx;

namespace {

// Two controllers on COM1, recorded every second from 23:59:57 on 14 March.
struct Rig {
    Rig() {
        sim::InstallSimulatedLine();
        qputenv("VRX_COM1", "sim:addresses=1,2:preset=factory");
        if (!test::OpenLine(line, RecordEngine::LineTool, ComSelections{}))
            qWarning("COM1 did not open");
        recording.SetLineSettings(ToLineSettings(ComSelections{}));
        recording.Engine().SetTimeSource(
            [] { return Base.addMSecs(qint64(Clock::Current().Milliseconds())); });
        QObject::connect(&recording, &Recording::cycleRecorded, &recording,
                         [this](const CycleReport& r) { cycles.append(r); });
    }
    ~Rig() {
        recording.Stop();
        line.Port().SetOpen(false);
        InstallSimulatedLineFactory({});
    }

    static inline const QDateTime Base{QDate(2026, 3, 14), QTime(23, 59, 56)};
    test::ManualTime clock{1000};
    LineOwner line;
    Recording recording{line};
    QList<CycleReport> cycles;
};

const Addresses Two{1, 2, 0, 0, 0, 0, 0, 0};

QList<QByteArray> DataLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QList<QByteArray> lines = file.readAll().split('\n');
    QList<QByteArray> data;
    // The header, then data lines, then "End".
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        if (!line.isEmpty() && line != "End") data << lines[i].chopped(1);
    }
    return data;
}

ComSelections Sel(int baud, int framing) {
    ComSelections s;
    s.baudRate = baud;
    s.bitLen = framing;
    s.modBus = framing;
    return s;
}

} // namespace

class TestRecording : public QObject {
    Q_OBJECT

private slots:
    // The time the first byte of a reply may take, in 55 ms ticks.
    void replyTicks_data() {
        QTest::addColumn<ComSelections>("selections");
        QTest::addColumn<int>("ticks");
        QTest::newRow("ASCII") << Sel(2, 0) << 9;
        QTest::newRow("RTU 2400") << Sel(0, 1) << 2;
        QTest::newRow("RTU 4800") << Sel(1, 1) << 2;
        QTest::newRow("RTU 9600") << Sel(2, 1) << 1;
        QTest::newRow("RTU 38400") << Sel(4, 1) << 1;
    }
    void replyTicks() {
        QFETCH(ComSelections, selections);
        QFETCH(int, ticks);
        QCOMPARE(RecordEngine::ReplyTicks(ToLineSettings(selections)), ticks);
    }

    // The window's file and the daily files get the same lines; a line stamped after midnight
    // goes into the next day's file with its own time, never the day before's.
    void oneLineForEveryFile() {
        Rig rig;
        QTemporaryDir dir;
        const QString days = dir.filePath("days");
        rig.recording.WriteInto(std::make_unique<RecordSink>(Two, 1, QString(), days));
        QVERIFY(rig.recording.CreateFile(dir.filePath("window.txt"), Two, 1));
        QVERIFY(rig.recording.Start(Two, 1));
        rig.clock.Run(6000 - 100);
        rig.recording.Stop();
        QVERIFY(rig.recording.EndFile());
        rig.recording.Sink()->End();

        QCOMPARE(rig.cycles.size(), 6);
        const QList<QByteArray> window = DataLines(dir.filePath("window.txt"));
        const QList<QByteArray> before = DataLines(days + "/2026-03-14.txt");
        const QList<QByteArray> after = DataLines(days + "/2026-03-15.txt");
        QCOMPARE(window.size(), 6);
        QCOMPARE(before + after, window);
        for (qsizetype i = 0; i < rig.cycles.size(); ++i) {
            const CycleReport& r = rig.cycles[i];
            QCOMPARE(window[i], rig.recording.Line(r));
            QCOMPARE(window[i], DataLine(Two, r.readings, r.stamp.time()));
            QVERIFY(r.readings[0].answered && r.readings[1].answered);
            QVERIFY((r.stamp.date() == QDate(2026, 3, 14) ? before : after).contains(window[i]));
        }
        QVERIFY(!before.isEmpty() && !after.isEmpty());
    }

    // The window's file refuses a line (the disk is full): closed without its end line, said
    // once, and the recording goes on.
    void fileFailureSaidOnce() {
        Rig rig;
        QTemporaryDir dir;
        const QString path = dir.filePath("window.txt");
        QSignalSpy failed(&rig.recording, &Recording::fileFailed);
        QVERIFY(rig.recording.CreateFile(path, Two, 1));
        QVERIFY(rig.recording.Start(Two, 1));
        {
            const test::FileSizeLimit full(rlim_t(QFileInfo(path).size() + 10));
            QVERIFY(full.Active());
            rig.clock.Run(3000 - 100);
        }
        QCOMPARE(failed.size(), 1);
        QVERIFY(failed[0][0].toString().contains("large"));
        QVERIFY(!rig.recording.File().IsOpen());
        rig.clock.Run(2000);
        QCOMPARE(rig.cycles.size(), 5);
        QCOMPARE(failed.size(), 1);
        QVERIFY(rig.recording.Engine().Running());
    }

    // The window's file removed while it is written: made again, said once; the lines go on
    // in it.
    void removedFileSaidOnce() {
        Rig rig;
        QTemporaryDir dir;
        const QString path = dir.filePath("window.txt");
        QSignalSpy reopened(&rig.recording, &Recording::fileReopened);
        QSignalSpy failed(&rig.recording, &Recording::fileFailed);
        QVERIFY(rig.recording.CreateFile(path, Two, 1));
        QVERIFY(rig.recording.Start(Two, 1));
        rig.clock.Run(2000 - 100);
        QCOMPARE(DataLines(path).size(), 2);
        QVERIFY(QFile::remove(path));
        rig.clock.Run(3000);
        QCOMPARE(reopened.size(), 1);
        QVERIFY(failed.isEmpty());
        QCOMPARE(DataLines(path).size(), 3);
        QCOMPARE(DataLines(path).last(), rig.recording.Line(rig.cycles.last()));
    }
};

QTEST_GUILESS_MAIN(TestRecording)
#include "tst_recording.moc"
