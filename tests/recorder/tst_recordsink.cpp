// The record files of an unattended recording: continued after a restart, a new name for a
// file that holds another recording, one file a day, lines kept while the file cannot be
// written, a file removed with its folder made again, a full disk said once, and every file
// readable by the viewer while it grows.
#include "filesizelimit.h"
#include "recordsink.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace vrx;

namespace {

const Addresses Two{1, 2, 0, 0, 0, 0, 0, 0};

QByteArray Line(int pv, QTime at = QTime(15, 4, 5)) {
    Readings r{};
    r[0] = {true, pv, 300};
    r[1] = {true, pv + 1, 300};
    return DataLine(Two, r, at);
}

QByteArray Read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestRecordSink : public QObject {
    Q_OBJECT

private slots:
    // A restart goes on in the same file: whole lines stay; the end line and a line cut off by
    // a crash go, so every line keeps the viewer's length.
    void continuesTheSameRecording_data() {
        QTest::addColumn<QByteArray>("tail");
        QTest::newRow("ended") << QByteArray("End\r\n");
        QTest::newRow("cut off") << Line(99).left(20);
        QTest::newRow("clean") << QByteArray();
    }
    void continuesTheSameRecording() {
        QFETCH(QByteArray, tail);
        QTemporaryDir dir;
        const QString path = dir.filePath("lab.txt");
        const QByteArray before = HeaderLine(Two, 1) + "\r\n" + Line(250) + "\r\n";
        Write(path, before + tail);
        RecordSink sink(Two, 1, path, {});
        sink.Write(QDate(2026, 3, 14), Line(251));
        sink.End();
        QCOMPARE(Read(path), before + Line(251) + "\r\nEnd\r\n");
    }

    void anotherRecordingGetsANewName() {
        QTemporaryDir dir;
        const QString path = dir.filePath("lab.txt");
        const QByteArray other = HeaderLine({5, 0, 0, 0, 0, 0, 0, 0}, 1) + "\r\nEnd\r\n";
        Write(path, other);
        RecordSink sink(Two, 1, path, {});
        QSignalSpy events(&sink, &RecordSink::logged);
        sink.Write(QDate(2026, 3, 14), Line(250));
        QCOMPARE(Read(path), other);
        QCOMPARE(sink.CurrentPath(), dir.filePath("lab-2.txt"));
        QCOMPARE(Read(dir.filePath("lab-2.txt")), HeaderLine(Two, 1) + "\r\n" + Line(250) + "\r\n");
        QCOMPARE(events.size(), 1);
    }

    // One file a day, named by its date; the day before ends with "End" when the next begins.
    void oneFileADay() {
        QTemporaryDir dir;
        const QString folder = dir.filePath("records");
        RecordSink sink(Two, 1, {}, folder);
        sink.Write(QDate(2026, 3, 14), Line(250, QTime(23, 59, 59)));
        sink.Write(QDate(2026, 3, 15), Line(251, QTime(0, 0, 0)));
        const QByteArray header = HeaderLine(Two, 1) + "\r\n";
        QCOMPARE(Read(folder + "/2026-03-14.txt"),
                 header + Line(250, QTime(23, 59, 59)) + "\r\nEnd\r\n");
        QCOMPARE(Read(folder + "/2026-03-15.txt"), header + Line(251, QTime(0, 0, 0)) + "\r\n");
        // The viewer reads the day's file while it is being written.
        SampleStore samples;
        const RecordLoad load = LoadRecordFile(folder + "/2026-03-15.txt", samples);
        QVERIFY(!load.broken);
        QCOMPARE(load.layout.recordCount, 1);
        QCOMPARE(samples.At(0, 0), 251);
    }

    // A file that cannot be written (here: its folder's name is taken by a file) is said once;
    // the lines wait, and go in order once it can be written again.
    void linesWaitUntilTheFileCanBeWritten() {
        QTemporaryDir dir;
        const QString folder = dir.filePath("records");
        Write(folder, "in the way");
        RecordSink sink(Two, 1, {}, folder);
        QSignalSpy events(&sink, &RecordSink::logged);
        const QDate day(2026, 3, 14);
        for (int pv = 250; pv < 253; ++pv)
            sink.Write(day, Line(pv));
        QCOMPARE(events.size(), 1);
        QVERIFY(events[0][0].toString().startsWith("cannot write " + folder + "/2026-03-14.txt"));
        QCOMPARE(sink.Waiting(), 3);
        QVERIFY(QFile::remove(folder));
        sink.Write(day, Line(253));
        QCOMPARE(sink.Waiting(), 0);
        QCOMPARE(Read(folder + "/2026-03-14.txt"), HeaderLine(Two, 1) + "\r\n" + Line(250) +
                                                       "\r\n" + Line(251) + "\r\n" + Line(252) +
                                                       "\r\n" + Line(253) + "\r\n");
        QCOMPARE(events.size(), 3); // recording into ..., writing ... again
        QVERIFY(events.last()[0].toString().startsWith("writing "));
    }

    // The folder removed while recording (a clean-up, an operator): the open file would take
    // every line and leave nothing on disk. Noticed at the next line: the folder and the file
    // are made again, the line goes there, and it is said once.
    void removedFileIsMadeAgain_data() {
        QTest::addColumn<bool>("daily");
        QTest::addColumn<bool>("folderToo");
        QTest::newRow("the out-dir removed") << true << true;
        QTest::newRow("the day's file removed") << true << false;
        QTest::newRow("the folder of --out removed") << false << true;
    }
    void removedFileIsMadeAgain() {
        QFETCH(bool, daily);
        QFETCH(bool, folderToo);
        QTemporaryDir dir;
        const QString folder = dir.filePath("records");
        const QDate day(2026, 3, 14);
        RecordSink sink(Two, 1, daily ? QString() : folder + "/lab.txt",
                        daily ? folder : QString());
        QSignalSpy events(&sink, &RecordSink::logged);
        QDir().mkpath(folder);
        sink.Write(day, Line(250));
        const QString path = sink.CurrentPath();
        QCOMPARE(events.size(), 1); // recording into ...
        QVERIFY(folderToo ? QDir(folder).removeRecursively() : QFile::remove(path));

        sink.Write(day, Line(251));
        QCOMPARE(sink.Waiting(), 0);
        QCOMPARE(sink.CurrentPath(), path);
        QCOMPARE(Read(path), HeaderLine(Two, 1) + "\r\n" + Line(251) + "\r\n");
        QCOMPARE(events.size(), 2);
        QCOMPARE(events[1][0].toString(),
                 path + " was no longer there; made again, recording goes on in it");
        sink.Write(day, Line(252));
        sink.End();
        QCOMPARE(events.size(), 2);
        QCOMPARE(Read(path),
                 HeaderLine(Two, 1) + "\r\n" + Line(251) + "\r\n" + Line(252) + "\r\nEnd\r\n");
    }

    // Another recording put where the open file was is left alone: the lines go on in a file of
    // their own beside it.
    void anotherRecordingInPlaceOfTheOpenFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath("lab.txt");
        RecordSink sink(Two, 1, path, {});
        QSignalSpy events(&sink, &RecordSink::logged);
        sink.Write(QDate(2026, 3, 14), Line(250));
        const QByteArray other = HeaderLine({5, 0, 0, 0, 0, 0, 0, 0}, 1) + "\r\nEnd\r\n";
        QVERIFY(QFile::remove(path));
        Write(path, other);
        sink.Write(QDate(2026, 3, 14), Line(251));
        QCOMPARE(sink.Waiting(), 0);
        QCOMPARE(Read(path), other);
        QCOMPARE(sink.CurrentPath(), dir.filePath("lab-2.txt"));
        QCOMPARE(Read(dir.filePath("lab-2.txt")), HeaderLine(Two, 1) + "\r\n" + Line(251) + "\r\n");
        QCOMPARE(events.size(), 2);
        QCOMPARE(events.last()[0].toString(), "recording into " + dir.filePath("lab-2.txt"));
    }

#ifdef Q_OS_UNIX
    // A full disk: the file opens again at every sample and refuses the line. Said once, with
    // the system's reason, and once more when writing works again; nothing of it in between.
    void fullDiskSaidOnce() {
        QTemporaryDir dir;
        const QString path = dir.filePath("lab.txt");
        RecordSink sink(Two, 1, path, {});
        QSignalSpy events(&sink, &RecordSink::logged);
        const QDate day(2026, 3, 14);
        sink.Write(day, Line(250));
        {
            const test::FileSizeLimit full(rlim_t(QFileInfo(path).size() + 10));
            QVERIFY(full.Active());
            for (int pv = 251; pv < 256; ++pv)
                sink.Write(day, Line(pv));
        }
        QCOMPARE(sink.Waiting(), 5);
        QStringList said;
        for (const auto& e : events)
            said << e[0].toString();
        QCOMPARE(said, QStringList({"recording into " + path,
                                    "cannot write " + path +
                                        ": File too large; the lines are kept and tried again "
                                        "at every sample"}));
        sink.Write(day, Line(256));
        QCOMPARE(sink.Waiting(), 0);
        QCOMPARE(events.size(), 3);
        QCOMPARE(events.last()[0].toString(), "writing " + path + " again");
        QByteArray lines = HeaderLine(Two, 1) + "\r\n";
        for (int pv = 250; pv < 257; ++pv)
            lines += Line(pv) + "\r\n";
        QCOMPARE(Read(path), lines);
    }
#endif
};

QTEST_GUILESS_MAIN(TestRecordSink)
#include "tst_recordsink.moc"
