// The trend chart's arithmetic: the geometry on two screens, the scale each range takes, the grid
// and its labels, the band of the incremental drawing, and which samples a full drawing and a new
// sample put where, before and after the history wraps.
#include "monitortrend.h"

#include <QTest>

#include <array>

using namespace vrx;

namespace {

// A history of 721 positions; value(p) fills position p.
template <typename Fill> std::array<int, TrendPositions + 1> History(Fill value) {
    std::array<int, TrendPositions + 1> h{};
    for (int p = 0; p <= TrendPositions; ++p)
        h[std::size_t(p)] = value(p);
    return h;
}

TrendSamples Samples(const std::array<int, TrendPositions + 1>& h, int index, bool wrapped) {
    const auto [low, high] = std::minmax_element(h.begin(), h.begin() + TrendPositions);
    return {std::span<const int>(h.data(), h.size()), index, wrapped, *high, *low, {}};
}

} // namespace

class TestTrendScale : public QObject {
    Q_OBJECT

private slots:
    void geometry_data() {
        QTest::addColumn<int>("screen");
        QTest::addColumn<QList<int>>("lengths"); // W, H, X0, X1, Y1
        QTest::newRow("800") << 800 << QList<int>{785, 240, 50, 770, 200};
        QTest::newRow("1024") << 1024 << QList<int>{1004, 307, 64, 985, 256};
        QTest::newRow("1366") << 1366 << QList<int>{1340, 409, 85, 1314, 341};
    }
    void geometry() {
        QFETCH(int, screen);
        QFETCH(QList<int>, lengths);
        const TrendGeometry g = TrendGeometry::For(screen);
        QCOMPARE((QList<int>{g.W, g.H, g.X0, g.X1, g.Y1}), lengths);
        // The last column of a full chart lands on the plot's right edge.
        QCOMPARE(g.X0 + g.Scaled(TrendPositions), g.X1);
    }

    void scaleOfARange_data() {
        QTest::addColumn<int>("range");
        QTest::addColumn<int>("scale");
        QTest::addColumn<bool>("divides");
        QTest::addColumn<int>("gridStep");
        QTest::newRow("0, a constant value") << 0 << 10 << false << 10;
        QTest::newRow("16") << 16 << 10 << false << 10;
        QTest::newRow("17") << 17 << 9 << false << 10;
        QTest::newRow("32") << 32 << 5 << false << 10;
        QTest::newRow("40") << 40 << 4 << false << 50;
        QTest::newRow("159") << 159 << 1 << false << 50;
        QTest::newRow("160") << 160 << 1 << true << 100;
        QTest::newRow("321") << 321 << 2 << true << 100;
        QTest::newRow("322") << 322 << 3 << true << 100;
        QTest::newRow("dividing by 4") << 4 * 161 - 1 << 4 << true << 100;
        QTest::newRow("dividing by 5") << 4 * 161 << 5 << true << 500;
        QTest::newRow("dividing by 19") << 19 * 161 - 1 << 19 << true << 500;
        QTest::newRow("dividing by 20") << 19 * 161 << 20 << true << 1000;
        QTest::newRow("dividing by 39") << 39 * 161 - 1 << 39 << true << 1000;
        QTest::newRow("dividing by 40") << 39 * 161 << 40 << true << 2000;
        QTest::newRow("the whole 16-bit range") << 65535 << 408 << true << 2000;
    }
    void scaleOfARange() {
        QFETCH(int, range);
        QFETCH(int, scale);
        QFETCH(bool, divides);
        QFETCH(int, gridStep);
        for (const int low : {-2000, 0, 1234}) {
            const TrendScaleChoice choice = ChooseTrendScale(low + range, low);
            QCOMPARE(choice.factor, scale);
            QCOMPARE(choice.divides, divides);
            QCOMPARE(TrendGridStep(choice), gridStep);
            // The middle of the range sits half-way up the plot, the range inside the band.
            const int middle = low + range / 2;
            // (Multiplying, the base is rounded to whole lines: up to two lines lower.)
            QVERIFY(qAbs(TrendDesignLine(middle, choice) - 101) <= 2);
            QVERIFY(!LeavesTrendBand(TrendDesignLine(low, choice)));
            QVERIFY(!LeavesTrendBand(TrendDesignLine(low + range, choice)));
        }
    }

    void constantValueLiesOnLine101() {
        const TrendScaleChoice choice = ChooseTrendScale(250, 250);
        QCOMPARE(choice.base, 240);
        QCOMPARE(TrendDesignLine(250, choice), 101);
        // A degree is 100 lines: the grid has 25.0 in the middle and 26.0 at the top.
        QCOMPARE(TrendGrid(choice), (QList<TrendGridLine>{{250, 101}, {260, 1}}));
    }

    void designLinesTruncateTowardZero_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<qint64>("line");
        // Dividing by 3 from base 0: a third of a line either way is no line.
        QTest::newRow("base") << 0 << qint64(201);
        QTest::newRow("one tenth above") << 1 << qint64(201);
        QTest::newRow("three tenths above") << 3 << qint64(200);
        QTest::newRow("one tenth below") << -1 << qint64(201);
        QTest::newRow("four tenths below") << -4 << qint64(202);
    }
    void designLinesTruncateTowardZero() {
        QFETCH(int, value);
        QFETCH(qint64, line);
        QCOMPARE(TrendDesignLine(value, {3, true, 0}), line);
    }

    void gridBelowZero() {
        // -6.0 to -4.0 degrees: multiplying by 8, base -62, a line every degree.
        const TrendScaleChoice choice = ChooseTrendScale(-40, -60);
        QCOMPARE(choice, (TrendScaleChoice{8, false, -62}));
        QCOMPARE(TrendGrid(choice), (QList<TrendGridLine>{{-60, 185}, {-50, 105}, {-40, 25}}));
        QCOMPARE(TrendGridText(-60), "-6.0");
        QCOMPARE(TrendGridText(250), "25.0");
    }

    void gridOfAWideRange() {
        // 0.0 to 1000.0 degrees: dividing by 63, a line every 200 degrees, bottom to top.
        const TrendScaleChoice choice = ChooseTrendScale(10000, 0);
        QCOMPARE(choice.factor, 63);
        const QList<TrendGridLine> grid = TrendGrid(choice);
        QVERIFY(!grid.isEmpty());
        QCOMPARE(grid.first().value % 2000, 0);
        QVERIFY(grid.first().value > choice.base);
        for (qsizetype i = 1; i < grid.size(); ++i) {
            QCOMPARE(grid.at(i).value - grid.at(i - 1).value, 2000);
            QVERIFY(grid.at(i).designLine < grid.at(i - 1).designLine);
        }
        QVERIFY(grid.last().designLine > 0);
        QVERIFY(TrendDesignLine(grid.last().value + 2000, choice) <= 0);
    }

    void band_data() {
        QTest::addColumn<qint64>("line");
        QTest::addColumn<bool>("leaves");
        QTest::newRow("186") << qint64(186) << true;
        QTest::newRow("185") << qint64(185) << false;
        QTest::newRow("2") << qint64(2) << false;
        QTest::newRow("1") << qint64(1) << true;
        QTest::newRow("-50") << qint64(-50) << true;
    }
    void band() {
        QFETCH(qint64, line);
        QFETCH(bool, leaves);
        QCOMPARE(LeavesTrendBand(line), leaves);
    }

    void fullDrawingBeforeTheWrap() {
        const auto h = History([](int p) { return 1000 + p; });
        const TrendGeometry g = TrendGeometry::For(1024);
        const TrendSamples s = Samples(h, 120, false);
        QCOMPARE(TrendStartOf(s), 1);
        const TrendScaleChoice choice = ChooseTrendScale(1120, 1001);
        const QList<TrendPoint> points = TrendPlot(s, choice, g);
        // Positions 1 to 120; the first sample taken (position 0) is not drawn.
        QCOMPARE(points.size(), 120);
        QCOMPARE(points.first().value, 1001);
        QCOMPARE(points.first().x, g.X0 + 1);
        QCOMPARE(points.last().value, 1120);
        QCOMPARE(points.last().x, g.X0 + g.Scaled(120));
        QCOMPARE(points.last().row, g.Scaled(TrendDesignLine(1120, choice)));
        QList<int> markers;
        for (const TrendPoint& point : points)
            if (point.marker) markers << point.value - 1000;
        QCOMPARE(markers, (QList<int>{60, 120}));
    }

    void fullDrawingAfterTheWrap_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("oldest");
        QTest::newRow("newest at 0") << 0 << 1;
        QTest::newRow("newest at 300") << 300 << 301;
        // The oldest sample is at 0 again; counting from 720 would run off the ring.
        QTest::newRow("newest at 719") << 719 << 0;
    }
    void fullDrawingAfterTheWrap() {
        QFETCH(int, index);
        QFETCH(int, oldest);
        // Each position holds its own number; position 720 holds what was copied to 0.
        auto h = History([](int p) { return p; });
        h[TrendPositions] = -1;
        const TrendSamples s = Samples(h, index, true);
        QCOMPARE(TrendStartOf(s), oldest);
        const TrendGeometry g = TrendGeometry::For(800);
        const QList<TrendPoint> points = TrendPlot(s, ChooseTrendScale(719, 0), g);
        QCOMPARE(points.size(), TrendPositions);
        for (int c = 0; c < TrendPositions; ++c) {
            QCOMPARE(points.at(c).value, (oldest + c) % TrendPositions);
            QCOMPARE(points.at(c).x, g.X0 + c + 1);
            QCOMPARE(points.at(c).marker, points.at(c).value % 60 == 0);
        }
        QCOMPARE(points.last().value, index);
        QCOMPARE(points.last().x, g.X1);
    }

    void newSample_data() {
        QTest::addColumn<int>("screen");
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("wrapped");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("scroll");
        QTest::newRow("800, before the wrap") << 800 << 10 << false << 60 << 0;
        QTest::newRow("1024, before the wrap") << 1024 << 10 << false << 64 + 12 << 0;
        QTest::newRow("800, wrapped") << 800 << 10 << true << 770 << 1;
        QTest::newRow("1024, wrapped, one pixel") << 1024 << 0 << true << 985 << 1;
        QTest::newRow("1024, wrapped, two pixels") << 1024 << 3 << true << 985 << 2;
        QTest::newRow("600, wrapped, no pixel") << 600 << 0 << true << 577 << 0;
    }
    void newSample() {
        QFETCH(int, screen);
        QFETCH(int, index);
        QFETCH(bool, wrapped);
        QFETCH(int, x);
        QFETCH(int, scroll);
        const auto h = History([](int) { return 500; });
        const TrendGeometry g = TrendGeometry::For(screen);
        const TrendStep step = NextTrendStep(Samples(h, index, wrapped), {10, false, 490}, g);
        QVERIFY(!step.redraw);
        QCOMPARE(step.point.x, x);
        QCOMPARE(step.scroll, scroll);
        QCOMPARE(step.point.row, g.Scaled(101));
        QCOMPARE(step.point.marker, index % 60 == 0);
    }

    void newSampleOffTheBandAsksForARedraw_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("redraw");
        // Constant 25.0 on the chart: 201 - (v - 240) x 10.
        QTest::newRow("on line 101") << 250 << false;
        QTest::newRow("on line 181") << 242 << false;
        QTest::newRow("on line 191") << 241 << true;
        QTest::newRow("on line 11") << 259 << false;
        QTest::newRow("on line 1") << 260 << true;
    }
    void newSampleOffTheBandAsksForARedraw() {
        QFETCH(int, value);
        QFETCH(bool, redraw);
        auto h = History([](int) { return 250; });
        h[30] = value;
        const TrendStep step = NextTrendStep(Samples(h, 30, false), ChooseTrendScale(250, 250),
                                             TrendGeometry::For(800));
        QCOMPARE(step.redraw, redraw);
    }
};

QTEST_GUILESS_MAIN(TestTrendScale)
#include "tst_trendscale.moc"
