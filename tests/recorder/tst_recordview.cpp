// Viewing a record: the shown window for track bar places and display intervals, the blocks
// read at byte offsets for records of 1,000 and 10,000 lines, and the place kept when the
// interval changes.
#include "chartgeometry.h"
#include "recordview.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace vrx;

namespace {

const QTime Start(9, 0, 0);

// A record of one device whose line r holds PV r, one second apart.
QString WriteRecord(const QTemporaryDir& dir, int lines) {
    const QString path = dir.filePath(QStringLiteral("rec%1.txt").arg(lines));
    RecordWriter writer;
    const Addresses addresses{7, 0, 0, 0, 0, 0, 0, 0};
    if (!writer.Create(path, addresses, 1)) return {};
    QFile file(path);
    file.open(QIODevice::Append);
    QByteArray bytes;
    for (int r = 0; r < lines; ++r) {
        Readings readings{};
        readings[0] = {true, r % 32000, 0};
        bytes += DataLine(addresses, readings, Start.addSecs(r)) + "\r\n";
    }
    writer.Abandon();
    file.write(bytes + "End\r\n");
    return path;
}

// A record of three devices at positions 1, 3 and 6, their values different on every line and
// the third missing on every 11th; `after` comes after its end line.
QString WriteThreeDevices(const QTemporaryDir& dir, int lines, const QByteArray& after) {
    const QString path = dir.filePath(QStringLiteral("three%1.txt").arg(lines));
    const Addresses addresses{4, 0, 9, 0, 0, 17, 0, 0};
    QByteArray bytes = HeaderLine(addresses, 1) + "\r\n";
    for (int r = 0; r < lines; ++r) {
        Readings readings{};
        readings[0] = {true, r % 32000, 300};
        readings[2] = {true, -(r * 7 % 5000), 0};
        readings[5] = {r % 11 != 0, r / 3, 1200};
        bytes += DataLine(addresses, readings, Start.addSecs(r)) + "\r\n";
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return {};
    file.write(bytes + "End\r\n" + after);
    return path;
}

} // namespace

class TestRecordView : public QObject {
    Q_OBJECT

private slots:
    void window_data() {
        QTest::addColumn<qint64>("records");
        QTest::addColumn<int>("thinning");
        QTest::addColumn<int>("position");
        QTest::addColumn<ViewWindow>("window");
        QTest::newRow("1000 lines, start")
            << qint64(1000) << 1 << 0 << ViewWindow{1000, 0, 600, true};
        QTest::newRow("1000 lines, end")
            << qint64(1000) << 1 << 600 << ViewWindow{1000, 420, 1000, true};
        QTest::newRow("1000 lines, middle")
            << qint64(1000) << 1 << 300 << ViewWindow{1000, 210, 810, true};
        QTest::newRow("580 lines fit") << qint64(580) << 1 << 600 << ViewWindow{580, 0, 580, false};
        QTest::newRow("1000 lines every 2nd")
            << qint64(1000) << 2 << 600 << ViewWindow{500, 0, 500, false};
        QTest::newRow("10000 lines at 185")
            << qint64(10000) << 1 << 185 << ViewWindow{10000, 2904, 3504, true};
        QTest::newRow("10000 lines at 351")
            << qint64(10000) << 1 << 351 << ViewWindow{10000, 5510, 6110, true};
        QTest::newRow("a million lines every 120th")
            << qint64(1000000) << 120 << 600 << ViewWindow{8333, 7753, 8333, true};
    }
    void window() {
        QFETCH(qint64, records);
        QFETCH(int, thinning);
        QFETCH(int, position);
        QFETCH(ViewWindow, window);
        QCOMPARE(ComputeViewWindow(records, thinning, position, 600), window);
    }

    void blockFirstPoint_data() {
        QTest::addColumn<qint64>("first");
        QTest::addColumn<qint64>("block");
        QTest::newRow("0") << qint64(0) << qint64(0);
        QTest::newRow("2999") << qint64(2999) << qint64(0);
        QTest::newRow("3000") << qint64(3000) << qint64(0);
        QTest::newRow("3001") << qint64(3001) << qint64(3000);
        QTest::newRow("5510") << qint64(5510) << qint64(3000);
        QTest::newRow("9420") << qint64(9420) << qint64(9000);
    }
    void blockFirstPoint() {
        QFETCH(qint64, first);
        QFETCH(qint64, block);
        QCOMPARE(BlockFirstPoint(first), block);
        // The block always holds the whole window that starts there.
        QVERIFY(first + ViewPoints <= block + BlockPoints);
    }

    void thousandLines() {
        QTemporaryDir dir;
        RecordView view;
        QVERIFY(view.Load(WriteRecord(dir, 1000)));
        QCOMPARE(view.RecordCount(), qint64(1000));
        // Opening reads the first window and one line more.
        QCOMPARE(view.LoadedPoints(), FirstLoadPoints);
        QCOMPARE(view.StartTime, std::optional<QTime>(Start));
        // The last window, points 420 .. 999: the block is read once, then served from memory.
        RecordView::Refresh r = view.RefreshView(600, 600, 1);
        QVERIFY(!r.broken);
        QVERIFY(r.blockRead);
        QCOMPARE(view.BlockPointsRead, 1000);
        r = view.RefreshView(0, 600, 1);
        QVERIFY(!r.blockRead);
        QCOMPARE(r.start, 0);
        QCOMPARE(r.sampleCount, 600);
        r = view.RefreshView(600, 600, 1);
        QVERIFY(!r.blockRead);
        QVERIFY(r.trackVisible);
        QCOMPARE(r.start, 420);
        QCOMPARE(r.sampleCount, 580);
        QCOMPARE(view.Samples.At(0, r.start + r.sampleCount - 1), 999);
        QCOMPARE(view.PointTimeText(420, 1), LongTimeText(Start.addSecs(420)));
    }

    void tenThousandLinesScrollAndThin() {
        QTemporaryDir dir;
        RecordView view;
        QVERIFY(view.Load(WriteRecord(dir, 10000)));
        QCOMPARE(view.LoadedPoints(), FirstLoadPoints);

        // Past the first window: the first block is read; within it, no more reads.
        RecordView::Refresh r = view.RefreshView(100, 600, 1);
        QVERIFY(r.blockRead);
        QCOMPARE(view.BlockStart, qint64(0));
        QCOMPARE(view.BlockPointsRead, BlockPoints);
        r = view.RefreshView(185, 600, 1);
        QVERIFY(!r.blockRead);
        QCOMPARE(r.start, 2904);
        QCOMPARE(r.sampleCount, 600);

        // Past its end: the block of points 3000 .. 8999 is read.
        r = view.RefreshView(351, 600, 1);
        QVERIFY(r.blockRead);
        QCOMPARE(view.BlockStart, qint64(3000));
        QCOMPARE(view.BlockPointsRead, BlockPoints);
        QCOMPARE(r.start, 2510);
        QCOMPARE(view.Samples.At(0, r.start), 5510);
        QCOMPARE(view.StartTime, std::optional<QTime>(Start.addSecs(3000)));
        QCOMPARE(view.PointTimeText(r.start, 1), LongTimeText(Start.addSecs(5510)));

        // Doubling the interval halves the points, reads again and keeps the place.
        view.IntervalChanged = true;
        r = view.RefreshView(351, 600, 2);
        QVERIFY(r.blockRead);
        QVERIFY(r.trackPosition);
        QCOMPARE(*r.trackPosition, 600 * (5510 / 2) / (5000 - 580));
        QCOMPARE(view.BlockStart, qint64(0));
        const int shownRecord = view.Samples.At(0, r.start);
        QVERIFY2(qAbs(shownRecord - 5510) < 2 * 10, qPrintable(QString::number(shownRecord)));
        QCOMPARE(view.Samples.At(0, r.start + 1), shownRecord + 2);
        QCOMPARE(view.PointTimeText(r.start + 1, 2), LongTimeText(Start.addSecs(shownRecord + 2)));

        // Back to every line, then to the end of the record.
        view.IntervalChanged = true;
        r = view.RefreshView(0, 600, 1);
        QVERIFY(r.trackPosition);
        QCOMPARE(view.Samples.At(0, r.start), int(view.ViewStart));
        r = view.RefreshView(600, 600, 1);
        QCOMPARE(view.BlockStart, qint64(9000));
        QCOMPARE(r.sampleCount, 580);
        QCOMPARE(view.Samples.At(0, r.start + r.sampleCount - 1), 9999);
    }

    // Thinned windows at track bar places, one after the other as the track bar moves over the
    // record, each against the lines it shows read one by one from the file.
    void thinnedWindowsShowTheirLines_data() {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("thinning");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QList<int>>("places");
        const QList<int> places{0, 1, 137, 300, 301, 599, 600, 420, 2, 555};
        QTest::newRow("every 2nd, two blocks") << 20000 << 2 << QByteArray() << places;
        QTest::newRow("every 7th") << 20000 << 7 << QByteArray() << places;
        QTest::newRow("every 120th, one window") << 20000 << 120 << QByteArray() << places;
        QTest::newRow("every 3rd, to the last window and back")
            << 4000 << 3 << QByteArray() << QList<int>{600, 0, 599, 600};
        // Bytes after the end line make the file's size promise more lines than it holds.
        QTest::newRow("every 5th, bytes after the end line")
            << 9000 << 5 << QByteArray(64 * 2000, 'x') << QList<int>{0, 480, 600, 599, 300};
    }
    void thinnedWindowsShowTheirLines() {
        QFETCH(int, lines);
        QFETCH(int, thinning);
        QFETCH(QByteArray, after);
        QFETCH(QList<int>, places);
        QTemporaryDir dir;
        const QString path = WriteThreeDevices(dir, lines, after);
        RecordView view;
        QVERIFY(view.Load(path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        view.IntervalChanged = true;
        for (const int place : places) {
            const RecordView::Refresh r = view.RefreshView(place, 600, thinning);
            QVERIFY(!r.broken);
            const ViewWindow w = ComputeViewWindow(view.RecordCount(), thinning,
                                                   r.trackPosition.value_or(place), 600);
            // Every point of the window whose line the record holds, and no other.
            const qint64 held = (lines - view.ViewStart + thinning - 1) / thinning;
            QCOMPARE(r.sampleCount, int(qMin(w.end - w.first, held)));
            for (int k = 0; k < r.sampleCount; ++k) {
                const qint64 record = view.ViewStart + qint64(k) * thinning;
                const auto line = ReadRecordLine(file, view.Layout(), record);
                QVERIFY(line);
                for (int p = 0; p < DevicePositions; ++p) {
                    if (view.FileDeviceAddr()[std::size_t(p)] == 0) continue;
                    if (view.Samples.At(p, r.start + k) != line->pv[std::size_t(p)])
                        QFAIL(
                            qPrintable(QStringLiteral("place %1, line %2, position %3: %4, not %5")
                                           .arg(place)
                                           .arg(record)
                                           .arg(p)
                                           .arg(view.Samples.At(p, r.start + k))
                                           .arg(line->pv[std::size_t(p)])));
                }
                QCOMPARE(view.PointTimeText(r.start + k, thinning), LongTimeText(*line->time));
            }
        }
    }

    void fileBrokenAfterLoading() {
        QTemporaryDir dir;
        const QString path = WriteRecord(dir, 10000);
        RecordView view;
        QVERIFY(view.Load(path));
        // Spoil a line of the second block behind the viewer's back.
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        file.seek(view.Layout().dataOffset + 9500 * view.Layout().lineLength + 2);
        file.write("x");
        file.close();
        const RecordView::Refresh r = view.RefreshView(600, 600, 1);
        QVERIFY(r.blockRead);
        QVERIFY(r.broken);
    }
};

QTEST_GUILESS_MAIN(TestRecordView)
#include "tst_recordview.moc"
