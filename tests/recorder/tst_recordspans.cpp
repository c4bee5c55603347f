// Zoomed views of a record: the summary's extremes against the lines themselves over records of
// one to several levels, a single-line spike in a view of the whole record, spans read whole,
// and lines that fail.
#include "recordspans.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <vector>

using namespace vrx;

namespace {

const Addresses TwoDevices{3, 0, 9, 0, 0, 0, 0, 0}; // positions 0 and 2

// A record's lines as written: PV of positions 0 and 2 (MissingSample for "---").
struct Lines {
    std::vector<qint32> first, third;
};

// Writes `lines` lines of two devices from the generator and returns the layout read back.
RecordLayout Write(const QString& path, int lines, Lines& values,
                   const std::function<std::pair<qint32, qint32>(int)>& pv) {
    QByteArray bytes = HeaderLine(TwoDevices, 1) + "\r\n";
    for (int r = 0; r < lines; ++r) {
        const auto [a, b] = pv(r);
        values.first.push_back(a);
        values.third.push_back(b);
        Readings readings{};
        readings[0] = {a != MissingSample, a == MissingSample ? 0 : a, 300};
        readings[2] = {b != MissingSample, b == MissingSample ? 0 : b, 300};
        bytes += DataLine(TwoDevices, readings, QTime(0, 0).addSecs(r % 86400)) + "\r\n";
    }
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes + "End\r\n");
    file.close();
    SampleStore samples;
    return LoadRecordFile(path, samples, 1).layout;
}

TraceRange Expected(const std::vector<qint32>& values, qint64 first, qint64 end) {
    TraceRange range;
    for (qint64 r = first; r < end && r < qint64(values.size()); ++r)
        range.Add(values[std::size_t(r)]);
    return range;
}

} // namespace

class TestRecordSpans : public QObject {
    Q_OBJECT

private slots:
    void summaryMatchesTheLines_data() {
        QTest::addColumn<int>("lines");
        QTest::newRow("one line") << 1;
        QTest::newRow("less than a run") << 15;
        QTest::newRow("one run and one line") << 17;
        QTest::newRow("two levels") << 1000;
        QTest::newRow("five levels") << 70001;
    }
    // Any range, taken by whole runs, gives the extremes of exactly those runs' lines.
    void summaryMatchesTheLines() {
        QFETCH(int, lines);
        QTemporaryDir dir;
        Lines values;
        QRandomGenerator random(lines);
        const RecordLayout layout =
            Write(dir.filePath("r.txt"), lines, values, [&](int r) -> std::pair<qint32, qint32> {
                const bool dropped = random.bounded(50) == 0;
                return {int(random.bounded(-500, 3000)),
                        dropped ? MissingSample : qint32(r % 1000 - 200)};
            });
        RecordSummary summary(dir.filePath("r.txt"), layout);
        summary.BuildNow();
        QVERIFY(summary.Done());
        QCOMPARE(summary.BuiltLines(), qint64(lines));
        constexpr qint64 Run = RecordSummary::RunLines;
        for (int i = 0; i < 300; ++i) {
            qint64 first = random.bounded(lines);
            qint64 end = first + 1 + random.bounded(lines - first);
            if (i == 0) std::tie(first, end) = std::pair<qint64, qint64>{0, lines};
            TraceRanges got;
            QVERIFY(summary.Range(first, end, got));
            const qint64 from = first / Run * Run;
            const qint64 to = (end + Run - 1) / Run * Run;
            QCOMPARE(got[0], Expected(values.first, from, to));
            QCOMPARE(got[2], Expected(values.third, from, to));
            QVERIFY(got[1].Empty());
        }
    }

    // A single line far above the rest shows in a view of the whole record once the summary
    // is built; before, the columns are lines sampled from their middles and the picture says
    // it is not complete.
    void spikeInTheWholeRecord() {
        QTemporaryDir dir;
        Lines values;
        constexpr int Count = 100000;
        const RecordLayout layout =
            Write(dir.filePath("r.txt"), Count, values, [](int r) -> std::pair<qint32, qint32> {
                return {r == 54321 ? 900 : 250, 100};
            });
        RecordSpans spans;
        spans.Open(dir.filePath("r.txt"), layout);
        const UsedPositions used{true, false, true};
        const SpanPlace whole{0, Count, 50, 600};
        std::atomic<int> progressed = 0;
        SpanPicture picture = spans.Picture(whole, 50, used, [&] { ++progressed; });
        QVERIFY(picture.summary);
        QVERIFY(!picture.complete);
        QCOMPARE(int(picture.columns.size()), 600);
        QTRY_VERIFY(spans.Summary()->Done());
        QVERIFY(progressed > 0);
        picture = spans.Picture(whole, 50, used, {});
        QVERIFY(picture.complete);
        QCOMPARE(picture.range, (WindowRange{900, 100}));
        const SpanColumn& spike = picture.columns[std::size_t(54321 * 600 / Count)];
        QCOMPARE(spike.ranges[0], (TraceRange{250, 900}));
        QCOMPARE(spike.x, 50 + 54321 * 600 / Count);
        // The ticks read their lines: the time labels are those of the lines at 50, 100, ...
        QCOMPARE(int(picture.ticks.size()), 11);
        QCOMPARE(picture.ticks[0].x, 100);
        QCOMPARE(picture.ticks[0].line->time, QTime(0, 0).addSecs(Count * 50 / 600));
    }

    // A span of a block of lines or fewer is read whole: a column a line when lines are wider
    // than pixels, else the extremes of each pixel's lines.
    void spansReadWhole_data() {
        QTest::addColumn<double>("first");
        QTest::addColumn<double>("count");
        QTest::newRow("100 lines, 6 pixels each") << 1000.0 << 100.0;
        QTest::newRow("3000 lines, 5 to a pixel") << 2000.0 << 3000.0;
        QTest::newRow("at the record's end") << 9800.0 << 200.0;
    }
    void spansReadWhole() {
        QFETCH(double, first);
        QFETCH(double, count);
        QTemporaryDir dir;
        Lines values;
        QRandomGenerator random(7);
        const RecordLayout layout =
            Write(dir.filePath("r.txt"), 10000, values, [&](int) -> std::pair<qint32, qint32> {
                return {int(random.bounded(1000)), int(random.bounded(1000))};
            });
        RecordSpans spans;
        spans.Open(dir.filePath("r.txt"), layout);
        const SpanPlace place{first, count, 50, 600};
        const SpanPicture picture = spans.Picture(place, 50, {true, false, true}, {});
        QVERIFY(!picture.summary);
        QVERIFY(picture.complete);
        const double perPixel = count / 600;
        if (perPixel <= 1) {
            // One line either side beyond the plot.
            const qint64 lines =
                qMin<qint64>(qint64(first + count) + 1, 10000) - (qint64(first) - 1);
            QCOMPARE(qint64(picture.columns.size()), lines);
            const SpanColumn& column = picture.columns[1];
            QCOMPARE(column.x, 50);
            QCOMPARE(column.ranges[2], Expected(values.third, qint64(first), qint64(first) + 1));
        } else {
            QCOMPARE(int(picture.columns.size()), 600);
            for (int c = 0; c < 600; c += 37) {
                const qint64 from = qint64(first + c * perPixel);
                const qint64 to = qint64(first + (c + 1) * perPixel);
                QCOMPARE(picture.columns[std::size_t(c)].ranges[0],
                         Expected(values.first, from, to));
            }
        }
    }

    // A line that fails gives nothing, to the summary as to the cursor; the rest stays.
    void failingLines() {
        QTemporaryDir dir;
        Lines values;
        const QString path = dir.filePath("r.txt");
        const RecordLayout layout = Write(path, 40, values, [](int r) -> std::pair<qint32, qint32> {
            return {r == 20 ? 5000 : r, 0};
        });
        QFile file(path);
        file.open(QIODevice::ReadWrite);
        file.seek(layout.dataOffset + 20 * layout.lineLength + 3);
        file.write("x"); // line 20's value, 5000, is no number now
        file.close();
        RecordSpans spans;
        spans.Open(path, layout);
        QVERIFY(!spans.Line(20));
        QCOMPARE(spans.Line(21)->pv[0], 21);
        QVERIFY(!spans.Line(40));
        QVERIFY(!spans.Line(-1));
        RecordSummary summary(path, layout);
        summary.BuildNow();
        TraceRanges ranges;
        QVERIFY(summary.Range(0, 40, ranges));
        QCOMPARE(ranges[0], (TraceRange{0, 39}));
    }
};

QTEST_GUILESS_MAIN(TestRecordSpans)
#include "tst_recordspans.moc"
