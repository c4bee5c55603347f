// The trend chart on the pixels of its image: axes, grid, curve and minute markers of a full
// drawing, the same chart grown one sample at a time, a sample off the band, and the scrolling
// that the 721st sample starts, on an 800- and a 1024-pixel screen.
#include "testmain.h"
#include "trendcanvas.h"

#include <QTest>

#include <array>

using namespace vrx;

namespace {

const QRgb White = qRgb(255, 255, 255);
const QRgb Silver = qRgb(192, 192, 192);
const QRgb Black = qRgb(0, 0, 0);

using History = std::array<int, TrendPositions + 1>;

// A trace that wanders around 25.0 inside 24.7 to 25.3, so one scale holds all of it.
History Wandering() {
    History h{};
    for (int p = 0; p <= TrendPositions; ++p)
        h[std::size_t(p)] = 250 + (p * 5 % 7) - 3;
    return h;
}

TrendSamples Samples(const History& h, int index, bool wrapped, int max = 253, int min = 247) {
    return {std::span<const int>(h.data(), h.size()), index, wrapped, max, min, {}};
}

// Pixels of text: its glyphs are smoothed into the background.
int CountBright(const QImage& image, const QRect& rect) {
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            n += qGray(image.pixel(x, y)) > 160;
    return n;
}

// Pixels of one colour in a rectangle of the image.
int CountColour(const QImage& image, const QRect& rect, QRgb colour) {
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            n += image.pixel(x, y) == colour;
    return n;
}

} // namespace

class TestTrendCanvas : public QObject {
    Q_OBJECT

private slots:
    void screens_data() {
        QTest::addColumn<int>("screen");
        QTest::newRow("800") << 800;
        QTest::newRow("1024") << 1024;
    }

    void constantValue_data() { screens_data(); }
    void constantValue() {
        QFETCH(int, screen);
        TrendCanvas canvas(screen);
        const TrendGeometry& g = canvas.Geometry();
        QCOMPARE(canvas.Image().size(), QSize(g.W, g.H));
        History h{};
        h.fill(250);
        canvas.DrawTrend(Samples(h, 50, false, 250, 250));
        const QImage& image = canvas.Image();
        QCOMPARE(canvas.TrendScale, 10);
        QVERIFY(!canvas.ScaleDivides);
        QCOMPARE(canvas.TrendBase, 240);
        QCOMPARE(canvas.TrendStart, 1);
        const int row = g.Scaled(101);
        QCOMPARE(canvas.PreviousPoint, QPoint(g.X0 + g.Scaled(50), row));
        // The axes.
        QCOMPARE(image.pixel(g.X0 - 1, 5), White);
        QCOMPARE(image.pixel(g.X0 - 1, g.H - 11), White);
        QCOMPARE(image.pixel(g.X0 - 1, g.H - 9), Black);
        QCOMPARE(image.pixel(g.X0 + 400, g.Y1 + 1), White);
        QCOMPARE(image.pixel(g.X0 - 20, g.Y1 + 1), White);
        // The curve on the middle line, over the grid line of 25.0 that runs on to the right.
        QCOMPARE(image.pixel(g.X0 + g.Scaled(40), row), White);
        QCOMPARE(image.pixel(g.X0 + g.Scaled(50) + 5, row), Silver);
        QCOMPARE(image.pixel(g.X1 + 3, row), Silver);
        QCOMPARE(image.pixel(g.X1 + 4, row), Black);
        // The grid line of 26.0 at the top; the empty plot between them.
        QCOMPARE(image.pixel(g.X0 + 300, g.Scaled(1)), Silver);
        QCOMPARE(CountColour(image, {g.X0, g.Scaled(30), g.X1 - g.X0, 20}, Black),
                 (g.X1 - g.X0) * 20);
        // Their labels left of the axis, and the first sample's value on the curve.
        QVERIFY(CountBright(image, {g.X0 - 32, row - 4, 30, 12}) > 10);
        QVERIFY(CountBright(image, {g.X0 + 2, row + 3, 30, 12}) > 10);
        QCOMPARE(CountBright(image, {0, row - 20, g.X0 - 2, 10}), 0);
    }

    void minuteMarker_data() { screens_data(); }
    void minuteMarker() {
        QFETCH(int, screen);
        TrendCanvas canvas(screen);
        const TrendGeometry& g = canvas.Geometry();
        History h{};
        h.fill(250);
        canvas.DrawTrend(Samples(h, 59, false, 250, 250));
        const int x = g.X0 + g.Scaled(60);
        const QRect column(x, g.Scaled(20), 1, g.Scaled(60));
        QCOMPARE(CountColour(canvas.Image(), column, White), 0);
        // The sample at 60 is a minute's: a dotted line down the plot, and its value.
        QVERIFY(canvas.AddTrendPoint(Samples(h, 60, false, 250, 250)));
        const int dots = CountColour(canvas.Image(), column, White);
        QVERIFY2(dots > column.height() / 4 && dots < column.height() * 3 / 4,
                 qPrintable(QString::number(dots)));
        QCOMPARE(canvas.Image().pixel(x, g.Y1 + 1), White); // the axis, not the marker
        QVERIFY(CountBright(canvas.Image(), {x - 33, g.Scaled(101) + 3, 30, 12}) > 10);
    }

    void growingEqualsDrawingInFull_data() { screens_data(); }
    void growingEqualsDrawingInFull() {
        QFETCH(int, screen);
        const History h = Wandering();
        TrendCanvas grown(screen);
        grown.DrawTrend(Samples(h, 1, false));
        for (int a = 2; a <= 700; ++a)
            QVERIFY(grown.AddTrendPoint(Samples(h, a, false)));
        TrendCanvas full(screen);
        full.DrawTrend(Samples(h, 700, false));
        QCOMPARE(grown.Image(), full.Image());
        QCOMPARE(grown.PreviousPoint, full.PreviousPoint);
    }

    // The set value is a second line, green, under the process value; grown a sample at a time
    // (and through the scroll past the 720th) it gives the pixels of a full drawing, crossings
    // included. A set value off the scale stays off the chart's frame and labels.
    void setValueLine_data() {
        QTest::addColumn<int>("screen");
        QTest::addColumn<int>("setValue");
        QTest::newRow("800, crossing") << 800 << 250;
        QTest::newRow("1024, crossing") << 1024 << 250;
        QTest::newRow("800, far above") << 800 << 900;
    }
    void setValueLine() {
        QFETCH(int, screen);
        QFETCH(int, setValue);
        const History h = Wandering();
        History sv{};
        sv.fill(setValue);
        const auto samples = [&](int index, bool wrapped) {
            TrendSamples s = Samples(h, index, wrapped);
            s.sv = std::span<const int>(sv.data(), sv.size());
            return s;
        };
        TrendCanvas grown(screen);
        grown.DrawTrend(samples(1, false));
        for (int a = 2; a <= 700; ++a)
            QVERIFY(grown.AddTrendPoint(samples(a, false)));
        TrendCanvas full(screen);
        full.DrawTrend(samples(700, false));
        QCOMPARE(grown.Image(), full.Image());
        const TrendGeometry& g = full.Geometry();
        const QRgb green = qRgb(0, 160, 0);
        const int greens = CountColour(full.Image(), {g.X0, 0, g.X1 - g.X0 + 1, g.Y1}, green);
        const QImage all = full.Image();
        QCOMPARE(CountColour(all, all.rect(), green), greens); // none outside the plot
        if (setValue == 250)
            QVERIFY2(greens > g.Scaled(200), qPrintable(QString::number(greens)));
        else
            QCOMPARE(greens, 0);
        // Without set values the chart is the process value's alone, as before.
        TrendCanvas plain(screen);
        plain.DrawTrend(Samples(h, 700, false));
        QCOMPARE(CountColour(plain.Image(), plain.Image().rect(), green), 0);
    }

    // A span of the samples fills the plot: its first sample at the left edge, its last at the
    // right, on a scale for both lines of what it shows; the cursor finds its samples.
    void spanFillsThePlot() {
        TrendCanvas canvas(800);
        const TrendGeometry& g = canvas.Geometry();
        History h{}, sv{};
        for (int p = 0; p <= TrendPositions; ++p) {
            h[std::size_t(p)] = 200 + p; // rising a tenth a sample
            sv[std::size_t(p)] = 150;
        }
        TrendSamples samples = Samples(h, 500, false, 700, 201);
        samples.sv = std::span<const int>(sv.data(), sv.size());
        canvas.DrawSpan(samples, {100, 60});
        QCOMPARE(canvas.XOf(100), g.X0);
        QCOMPARE(canvas.XOf(160), g.X1);
        QCOMPARE(canvas.SampleAt(samples, g.X0), 100);
        QCOMPARE(canvas.SampleAt(samples, (g.X0 + g.X1) / 2), 130);
        QCOMPARE(canvas.SampleAt(samples, g.X1 + 5), -1);
        // Sample 130 (position 131, PV 33.1) lies on the white line, and the set value 15.0 is
        // on the chart too: the scale holds 15.0 to 36.1.
        const TrendScaleChoice scale{canvas.TrendScale, canvas.ScaleDivides, canvas.TrendBase};
        QCOMPARE(canvas.Image().pixel(canvas.XOf(130), g.Scaled(TrendDesignLine(331, scale))),
                 White);
        QVERIFY(CountColour(canvas.Image(), {g.X0, 0, g.X1 - g.X0, g.Y1}, qRgb(0, 160, 0)) >
                (g.X1 - g.X0) / 2);
        QCOMPARE(scale, ChooseTrendScale(361, 150));
        // The first view comes back with DrawTrend: samples at their own columns.
        canvas.DrawTrend(samples);
        QCOMPARE(canvas.XOf(100), g.X0 + g.Scaled(101));
    }

    void sampleOffTheBandDrawsNothing() {
        TrendCanvas canvas(800);
        History h{};
        h.fill(250);
        canvas.DrawTrend(Samples(h, 10, false, 250, 250));
        const QImage before = canvas.Image().copy();
        h[11] = 300; // five degrees up: far above the plot at ten lines a tenth
        QVERIFY(!canvas.AddTrendPoint(Samples(h, 11, false, 300, 250)));
        QCOMPARE(canvas.Image(), before);
        // Drawn again in full, it takes a scale that holds the new value.
        canvas.DrawTrend(Samples(h, 11, false, 300, 250));
        QCOMPARE(canvas.TrendScale, 3);
        QVERIFY(canvas.AddTrendPoint(Samples(h, 11, false, 300, 250)));
    }

    void scrollingStartsWithThe721stSample_data() { screens_data(); }
    void scrollingStartsWithThe721stSample() {
        QFETCH(int, screen);
        TrendCanvas canvas(screen);
        const TrendGeometry& g = canvas.Geometry();
        History h = Wandering();
        // 720 samples, at 0 to 719: the chart is full, nothing has scrolled yet.
        canvas.DrawTrend(Samples(h, 719, false));
        QCOMPARE(canvas.PreviousPoint.x(), g.X0 + g.Scaled(719));
        // The 721st lands at 720 and is copied to 0: the ring has wrapped. Each new sample moves
        // the plot left by its own width, the oldest leaving it at the left edge.
        h[0] = h[TrendPositions];
        for (int a = 0; a < 6; ++a) {
            const QImage before = canvas.Image().copy();
            QVERIFY(canvas.AddTrendPoint(Samples(h, a, true)));
            const QImage& after = canvas.Image();
            const int w = g.Scaled(a + 1) - g.Scaled(a);
            const int row = g.Scaled(201 - (h[a] - 240) * 10);
            // A minute's sample writes its value left of the right edge, over what moved there.
            const QRect label = a % 60 == 0 ? QRect(g.X1 - 33, row + 3, 33, 20) : QRect();
            for (int y = 0; y < g.Y1; ++y) {
                for (int x = g.X0; x < g.X1 - w; ++x)
                    if (!label.contains(x, y) && after.pixel(x, y) != before.pixel(x + w, y))
                        QFAIL(qPrintable(QStringLiteral("sample %1: (%2, %3) not moved by %4")
                                             .arg(a)
                                             .arg(x)
                                             .arg(y)
                                             .arg(w)));
                // Right of the newest point: the background and the grid lines' ends again.
                QCOMPARE(after.pixel(g.X1 + 1, y), before.pixel(g.X1 + 3, y));
            }
            // The axis and the labels left of it stay.
            QCOMPARE(after.copy(0, 0, g.X0, g.H), before.copy(0, 0, g.X0, g.H));
            // The newest sample on the right edge, joined to the one before it.
            QCOMPARE(canvas.PreviousPoint, QPoint(g.X1, row));
            QCOMPARE(after.pixel(canvas.PreviousPoint), White);
        }
    }
};

VRX_TEST_MAIN(TestTrendCanvas)
#include "tst_trendcanvas.moc"
