// The record file byte for byte: header and data lines, the parsers, the first load and block
// reads on files written here (broken, cut off, foreign), and the writer's failures and its
// file taken away.
#include "recordfile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

using namespace vrx;

namespace {

const QTime Afternoon(15, 4, 5);

// A file of `lines` data lines for positions 0 and 1 (addresses 1 and 2, interval 1 s); line r
// holds PV r at position 0 and -r at position 1, stamped at 3:04:05 PM plus r seconds.
QByteArray TwoDeviceRecord(int lines, bool withEnd = true) {
    const Addresses addresses{1, 2, 0, 0, 0, 0, 0, 0};
    QByteArray bytes = HeaderLine(addresses, 1) + "\r\n";
    for (int r = 0; r < lines; ++r) {
        Readings readings{};
        readings[0] = {true, r % 30000, 300};
        readings[1] = {true, -(r % 30000), 0};
        bytes += DataLine(addresses, readings, Afternoon.addSecs(r)) + "\r\n";
    }
    if (withEnd) bytes += "End\r\n";
    return bytes;
}

RecordLoad LoadBytes(const QByteArray& bytes, SampleStore& samples) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return LoadRecord(buffer, samples);
}

} // namespace

class TestRecordFile : public QObject {
    Q_OBJECT

private slots:
    void headerLine_data() {
        QTest::addColumn<QList<int>>("addresses");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("two devices, 5 s") << QList<int>{1, 2, 0, 0, 0, 0, 0, 0} << 5
                                          << QByteArray("01  02  00  00  00  00  00  00  05");
        QTest::newRow("hex addresses, 120 s") << QList<int>{255, 0, 0, 0, 0, 0, 16, 10} << 120
                                              << QByteArray("FF  00  00  00  00  00  10  0A  78");
    }
    void headerLine() {
        QFETCH(QList<int>, addresses);
        QFETCH(int, seconds);
        QFETCH(QByteArray, line);
        Addresses a{};
        std::copy(addresses.begin(), addresses.end(), a.begin());
        QCOMPARE(HeaderLine(a, seconds), line);
        QCOMPARE(line.size(), HeaderLength);
        // Read back: the same addresses and interval.
        const auto header = ParseHeader(line);
        QVERIFY(header);
        QCOMPARE(header->addresses, a);
        QCOMPARE(header->interval, seconds);
    }

    void timeStamps_data() {
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QByteArray>("stamp");
        QTest::newRow("afternoon") << QTime(15, 4, 5) << QByteArray("    3:04:05 PM");
        QTest::newRow("after midnight") << QTime(0, 4, 5) << QByteArray("   12:04:05 AM");
        QTest::newRow("nine in the morning") << QTime(9, 0, 0) << QByteArray("    9:00:00 AM");
        QTest::newRow("noon") << QTime(12, 0, 1) << QByteArray("   12:00:01 PM");
        QTest::newRow("last second") << QTime(23, 59, 59) << QByteArray("   11:59:59 PM");
    }
    void timeStamps() {
        QFETCH(QTime, time);
        QFETCH(QByteArray, stamp);
        QCOMPARE(TimeStamp(time), stamp);
        QCOMPARE(ParseTimeOfDay(stamp.trimmed()), std::optional<QTime>(time));
    }

    void dataLines_data() {
        QTest::addColumn<QList<int>>("addresses");
        QTest::addColumn<QList<int>>("values"); // pv, sv per position; a pv of 99999 = no reply
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("worked example")
            << QList<int>{1, 2, 0, 0, 0, 0, 0, 0} << QList<int>{253, 300, -12, 0}
            << QByteArray("0 253    300    1 -12    0          3:04:05 PM");
        QTest::newRow("widest values at position 7")
            << QList<int>{0, 0, 0, 0, 0, 0, 0, 9} << QList<int>{-32768, 32767}
            << QByteArray("7 -32768 32767      3:04:05 PM");
        QTest::newRow("a dropped device keeps its field")
            << QList<int>{1, 2, 3, 0, 0, 0, 0, 0} << QList<int>{253, 300, 99999, 0, 5, 6}
            << QByteArray("0 253    300    1 ---    ---    2 5      6          3:04:05 PM");
    }
    void dataLines() {
        QFETCH(QList<int>, addresses);
        QFETCH(QList<int>, values);
        QFETCH(QByteArray, line);
        Addresses a{};
        std::copy(addresses.begin(), addresses.end(), a.begin());
        Readings readings{};
        int i = 0;
        for (int p = 0; p < DevicePositions; ++p) {
            if (a[std::size_t(p)] == 0) continue;
            const int pv = values[i++], sv = values[i++];
            if (pv != 99999) readings[std::size_t(p)] = {true, pv, sv};
        }
        const QByteArray written = DataLine(a, readings, Afternoon);
        QCOMPARE(written, line);
        RecordHeader header;
        header.addresses = a;
        QCOMPARE(written.size(), FieldLength * header.StationCount() + TimeStampWidth);
        // The viewer reads the process values back, and a gap where there was none.
        const auto parsed = ParseFields(written, header.StationCount());
        QVERIFY(parsed);
        i = 0;
        int field = 0;
        for (int p = 0; p < DevicePositions; ++p) {
            if (a[std::size_t(p)] == 0) continue;
            const int pv = values[i];
            i += 2;
            QCOMPARE((*parsed)[std::size_t(field++)], pv == 99999 ? MissingSample : pv);
        }
    }

    void headerRejects_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("lowercase hex") << QByteArray("0a  02  00  00  00  00  00  00  05");
        QTest::newRow("33 characters") << QByteArray("01  02  00  00  00  00  00  00  5");
        QTest::newRow("35 characters") << QByteArray("01  02  00  00  00  00  00  00  05 ");
        QTest::newRow("tab") << QByteArray("01\t 02  00  00  00  00  00  00  05");
        QTest::newRow("binary") << QByteArray("\x01\xFF  02  00  00  00  00  00  00  05", 34);
        QTest::newRow("empty") << QByteArray();
        // Well-formed, and no device to show: nothing of such a file could be drawn.
        QTest::newRow("only spaces") << QByteArray(34, ' ');
        QTest::newRow("no device") << QByteArray("00  00  00  00  00  00  00  00  05");
        QTest::newRow("blank pairs, interval only")
            << QByteArray("                                05");
    }
    void headerRejects() {
        QFETCH(QByteArray, line);
        QVERIFY(!ParseHeader(line));
    }

    void headerReadings_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("interval");
        QTest::addColumn<int>("stations");
        QTest::newRow("blank pairs read as 0")
            << QByteArray("    02  00  00  00  00  00  00  07") << 0 << 7 << 1;
        QTest::newRow("separators not tested")
            << QByteArray("01AB02CD00  00  00  00  00  00  03") << 1 << 3 << 2;
        QTest::newRow("interval 0 becomes 1")
            << QByteArray("01  00  00  00  00  00  00  00  00") << 1 << 1 << 1;
        QTest::newRow("interval FF becomes 120")
            << QByteArray("01  00  00  00  00  00  00  00  FF") << 1 << 120 << 1;
    }
    void headerReadings() {
        QFETCH(QByteArray, line);
        QFETCH(int, first);
        QFETCH(int, interval);
        QFETCH(int, stations);
        const auto header = ParseHeader(line);
        QVERIFY(header);
        QCOMPARE(header->addresses[0], first);
        QCOMPARE(header->interval, interval);
        QCOMPARE(header->StationCount(), stations);
    }

    void fieldRejects_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("stations");
        QTest::newRow("no space after the digit")
            << QByteArray("0X253    300       3:04:05 PM") << 1;
        QTest::newRow("empty value") << QByteArray("0  253   300       3:04:05 PM") << 1;
        QTest::newRow("letters") << QByteArray("0 25a    300       3:04:05 PM") << 1;
        QTest::newRow("lone minus") << QByteArray("0 -      300       3:04:05 PM") << 1;
        QTest::newRow("beyond 16 bits") << QByteArray("0 40000  300       3:04:05 PM") << 1;
        QTest::newRow("runs out of its field")
            << QByteArray("0 1234567890123456789012345678901234567890 3:04:05 PM") << 1;
        QTest::newRow("too short for two fields") << QByteArray("0 253    300    1 -12") << 2;
    }
    void fieldRejects() {
        QFETCH(QByteArray, line);
        QFETCH(int, stations);
        QVERIFY(!ParseFields(line, stations));
    }

    void times_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QTime>("time"); // invalid: not a time
        QTest::newRow("24-hour") << QByteArray("15:04:05") << QTime(15, 4, 5);
        QTest::newRow("lowercase pm") << QByteArray("3:04:05 pm") << QTime(15, 4, 5);
        QTest::newRow("no seconds") << QByteArray("3:04 PM") << QTime(15, 4, 0);
        QTest::newRow("13 PM") << QByteArray("13:04:05 PM") << QTime();
        QTest::newRow("61 minutes") << QByteArray("3:61:05") << QTime();
        QTest::newRow("words") << QByteArray("noon") << QTime();
        QTest::newRow("empty") << QByteArray() << QTime();
    }
    void times() {
        QFETCH(QByteArray, text);
        QFETCH(QTime, time);
        const auto parsed = ParseTimeOfDay(text);
        QCOMPARE(parsed.has_value(), time.isValid());
        if (parsed) QCOMPARE(*parsed, time);
    }

    // The first load: counts, the first block, and what is broken.
    void loads_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("broken");
        QTest::addColumn<int>("points");
        QTest::addColumn<qint64>("records");
        const QByteArray header = "01  02  00  00  00  00  00  00  01\r\n";
        const QByteArray end = "End\r\n";
        QTest::newRow("600 lines") << TwoDeviceRecord(600) << false << 600 << qint64(600);
        QTest::newRow("601 lines") << TwoDeviceRecord(601) << false << 601 << qint64(601);
        QTest::newRow("6001 lines: 6000 read, all counted")
            << TwoDeviceRecord(6001) << false << 6000 << qint64(6001);
        QTest::newRow("STOP before the first cycle") << header + end << true << 0 << qint64(0);
        QTest::newRow("header only") << header << true << 0 << qint64(0);
        QTest::newRow("empty file") << QByteArray() << true << 0 << qint64(0);
        // Cut off by a crash: every complete line counts, the one being written does not.
        QTest::newRow("no end line") << TwoDeviceRecord(10, false) << false << 10 << qint64(10);
        QTest::newRow("part-written last line")
            << TwoDeviceRecord(10, false) + "0 253    300   " << false << 10 << qint64(10);
        QTest::newRow("lines ending in LF only")
            << QByteArray(TwoDeviceRecord(3)).replace("\r\n", "\n") << false << 3 << qint64(3);
        // As another recorder leaves it: later lines lose the dropped device's field.
        QByteArray shorter = TwoDeviceRecord(3, false);
        shorter += "0 253    300          3:04:08 PM\r\nEnd\r\n";
        QTest::newRow("a dropped device's shorter lines") << shorter << true << 0 << qint64(0);
        QTest::newRow("huge value")
            << header + "0 99999999 300    1 1      0          3:04:05 PM\r\n" + end << true << 0
            << qint64(0);
        QTest::newRow("a very long line")
            << header + QByteArray(1 << 20, '7') + "\r\n" + end << true << 0 << qint64(0);
        QByteArray junk(4096, '\0');
        for (int i = 0; i < junk.size(); ++i)
            junk[i] = char((i * 37) & 0xFF);
        QTest::newRow("binary junk") << junk << true << 0 << qint64(0);
        QTest::newRow("junk after good lines")
            << TwoDeviceRecord(4, false) + QByteArray(200, '\x7F') << true << 0 << qint64(0);
        QTest::newRow("bytes after the end line") << TwoDeviceRecord(4) + "trailing words\r\n"
                                                  << false << 4 << qint64(4);
        QTest::newRow("unreadable time")
            << header + "0 1      2      1 3      4          tea time\r\n" + end << false << 1
            << qint64(1);
    }
    void loads() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, broken);
        QFETCH(int, points);
        QFETCH(qint64, records);
        SampleStore samples;
        const RecordLoad load = LoadBytes(bytes, samples);
        QCOMPARE(load.broken, broken);
        if (broken) return;
        QCOMPARE(load.first.points, points);
        QCOMPARE(load.layout.recordCount, records);
        QCOMPARE(load.layout.header.StationCount(), 2);
        if (QTest::currentDataTag() == QByteArray("unreadable time")) {
            QVERIFY(!load.first.startTime);
            return;
        }
        QCOMPARE(load.first.startTime, std::optional<QTime>(Afternoon));
        QCOMPARE(samples.At(0, points - 1), points - 1);
        QCOMPARE(samples.At(1, points - 1), -(points - 1));
    }

    // Block reads at byte offsets: thinned, from the middle, at the end, and a gap.
    void blocks_data() {
        QTest::addColumn<qint64>("first");
        QTest::addColumn<int>("thinning");
        QTest::addColumn<int>("points");
        QTest::newRow("from the start") << qint64(0) << 1 << 6000;
        QTest::newRow("from record 3000") << qint64(3000) << 1 << 6000;
        QTest::newRow("near the end") << qint64(9500) << 1 << 500;
        QTest::newRow("every 7th") << qint64(14) << 7 << (10000 - 14 + 6) / 7;
        QTest::newRow("past the end") << qint64(10000) << 1 << 0;
    }
    void blocks() {
        QFETCH(qint64, first);
        QFETCH(int, thinning);
        QFETCH(int, points);
        QTemporaryDir dir;
        const QString path = dir.filePath("big.txt");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(TwoDeviceRecord(10000));
        file.close();
        SampleStore samples;
        const RecordLoad load = LoadRecordFile(path, samples);
        QVERIFY(!load.broken);
        QCOMPARE(load.layout.dataOffset, qint64(36));
        QCOMPARE(load.layout.lineLength, qint64(16 * 2 + 14 + 2));
        QCOMPARE(load.layout.recordCount, qint64(10000));
        const BlockRead block = ReadRecordBlock(path, load.layout, first, thinning, samples);
        QVERIFY(!block.broken);
        QCOMPARE(block.points, points);
        for (int k : {0, points / 2, points - 1}) {
            if (k < 0 || points == 0) continue;
            QCOMPARE(samples.At(0, k), int(first + qint64(k) * thinning));
        }
        if (points > 0)
            QCOMPARE(block.startTime, std::optional<QTime>(Afternoon.addSecs(int(first))));
    }

    // A recording with a dropped device stays readable; the dropped values are gaps.
    void droppedDeviceStaysReadable() {
        const Addresses addresses{1, 2, 0, 0, 0, 0, 0, 0};
        QByteArray bytes = HeaderLine(addresses, 1) + "\r\n";
        for (int r = 0; r < 4; ++r) {
            Readings readings{};
            readings[0] = {true, 100 + r, 300};
            if (r < 2) readings[1] = {true, 200 + r, 300};
            bytes += DataLine(addresses, readings, Afternoon.addSecs(r)) + "\r\n";
        }
        bytes += "End\r\n";
        SampleStore samples;
        const RecordLoad load = LoadBytes(bytes, samples);
        QVERIFY(!load.broken);
        QCOMPARE(load.first.points, 4);
        QCOMPARE(samples.At(1, 1), 201);
        QCOMPARE(samples.At(1, 2), MissingSample);
        QCOMPARE(samples.At(0, 3), 103);
    }

    // Written, flushed line by line, and read back the same.
    void writerRoundTrip() {
        QTemporaryDir dir;
        const QString path = dir.filePath("rec.txt");
        // An older, longer file there is replaced whole.
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(5000, 'x'));
        old.close();

        const Addresses addresses{1, 0, 0, 2, 0, 0, 0, 0};
        RecordWriter writer;
        QVERIFY(writer.Create(path, addresses, 5));
        QFile reader(path);
        QVERIFY(reader.open(QIODevice::ReadOnly));
        QCOMPARE(reader.readAll(), QByteArray("01  00  00  02  00  00  00  00  05\r\n"));
        Readings readings{};
        readings[0] = {true, 253, 300};
        readings[3] = {true, -5, 1000};
        QVERIFY(writer.WriteLine(DataLine(addresses, readings, Afternoon)));
        // On disk as soon as it is written, before the recording ends.
        reader.seek(0);
        QCOMPARE(reader.readAll().size(), 36 + 46 + 2);
        QVERIFY(writer.End());
        QVERIFY(!writer.IsOpen());
        reader.seek(0);
        QCOMPARE(reader.readAll(), QByteArray("01  00  00  02  00  00  00  00  05\r\n"
                                              "0 253    300    3 -5     1000       3:04:05 PM\r\n"
                                              "End\r\n"));
        SampleStore samples;
        const RecordLoad load = LoadRecordFile(path, samples);
        QVERIFY(!load.broken);
        QCOMPARE(load.layout.header.addresses, addresses);
        QCOMPARE(load.layout.header.interval, 5);
        QCOMPARE(samples.At(0, 0), 253);
        QCOMPARE(samples.At(3, 0), -5);
    }

    void writerCannotCreate() {
        QTemporaryDir dir;
        RecordWriter writer;
        QVERIFY(!writer.Create(dir.filePath("no/such/folder/rec.txt"), {1}, 1));
        QVERIFY(!writer.IsOpen());
        QVERIFY(!writer.ErrorText().isEmpty());
        QVERIFY(!writer.WriteLine("0 1      2          3:04:05 PM"));
        // A folder is no file either.
        QVERIFY(!writer.Create(dir.path(), {1}, 1));
        QVERIFY(!writer.IsOpen());
    }

    // The open file taken from its path while it is written: the next line goes to a file made
    // again at the path, never into one nobody can read any more, and never over another.
    void writerFollowsItsPath_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("madeAgain");
        QTest::newRow("file removed") << "remove" << true;
        QTest::newRow("folder removed") << "remove folder" << true;
        QTest::newRow("file moved away") << "move" << true;
        QTest::newRow("another recording in its place") << "replace" << false;
    }
    void writerFollowsItsPath() {
        QFETCH(QString, change);
        QFETCH(bool, madeAgain);
        QTemporaryDir dir;
        const QString folder = dir.filePath("records");
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + "/rec.txt";
        const Addresses addresses{1, 0, 0, 0, 0, 0, 0, 0};
        Readings readings{};
        readings[0] = {true, 250, 300};
        const QByteArray line = DataLine(addresses, readings, Afternoon);
        const QByteArray header = HeaderLine(addresses, 7) + "\r\n";
        const QByteArray other = HeaderLine({2, 0, 0, 0, 0, 0, 0, 0}, 7) + "\r\nEnd\r\n";
        RecordWriter writer;
        QVERIFY(writer.Create(path, addresses, 7));
        QVERIFY(writer.WriteLine(line));
        QVERIFY(!writer.TakeReopened());
        if (change == "remove") QVERIFY(QFile::remove(path));
        if (change == "remove folder") QVERIFY(QDir(folder).removeRecursively());
        if (change == "move") QVERIFY(QFile::rename(path, dir.filePath("kept.txt")));
        if (change == "replace") {
            QVERIFY(QFile::remove(path));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(other);
        }
        QCOMPARE(writer.WriteLine(line), madeAgain);
        QCOMPARE(writer.TakeReopened(), madeAgain);
        QVERIFY(!writer.TakeReopened());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        if (madeAgain) {
            QVERIFY(writer.WriteLine(line));
            QVERIFY(writer.End());
            QCOMPARE(file.readAll(), header + line + "\r\n" + line + "\r\nEnd\r\n");
        } else {
            QVERIFY(writer.Mismatch());
            QVERIFY(!writer.IsOpen());
            QCOMPARE(file.readAll(), other);
        }
        if (change == "move") {
            QFile kept(dir.filePath("kept.txt"));
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QCOMPARE(kept.readAll(), header + line + "\r\n");
        }
    }

#ifdef Q_OS_UNIX
    // The disk fills up midway: the write fails, the file keeps every line before it and the
    // viewer still opens it.
    void writerDiskFullMidway() {
        QTemporaryDir dir;
        const QString path = dir.filePath("rec.txt");
        const Addresses addresses{1, 0, 0, 0, 0, 0, 0, 0};
        RecordWriter writer;
        QVERIFY(writer.Create(path, addresses, 1));
        Readings readings{};
        readings[0] = {true, 250, 300};
        for (int i = 0; i < 3; ++i)
            QVERIFY(writer.WriteLine(DataLine(addresses, readings, Afternoon)));

        // A file size limit fails writes beyond it as a full disk does.
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit limited = saved;
        limited.rlim_cur = rlim_t(QFileInfo(path).size() + 10);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        const bool written = writer.WriteLine(DataLine(addresses, readings, Afternoon));
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);

        QVERIFY(!written);
        QVERIFY(!writer.IsOpen());
        // The system's reason, not "Unknown error": the line was cut after its first bytes.
        QCOMPARE(writer.ErrorText(), "File too large");
        SampleStore samples;
        const RecordLoad load = LoadRecordFile(path, samples);
        QVERIFY(!load.broken);
        QCOMPARE(load.layout.recordCount, qint64(3));
        QCOMPARE(load.first.points, 3);
    }
#endif
};

QTEST_GUILESS_MAIN(TestRecordFile)
#include "tst_recordfile.moc"
