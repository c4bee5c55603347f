// The chart's arithmetic: geometry at two screen widths, the scale search, the grid, value
// heights and the band, and the range of a window with gaps.
#include "chartgeometry.h"

#include <QTest>

using namespace vrx;

class TestChartGeometry : public QObject {
    Q_OBJECT

private slots:
    void geometry_data() {
        QTest::addColumn<int>("screenWidth");
        QTest::addColumn<QList<int>>("lengths"); // left, right, bottom, image height, column 50
        QTest::newRow("800") << 800 << QList<int>{50, 650, 402, 450, 100};
        QTest::newRow("1024") << 1024 << QList<int>{64, 832, 514, 576, 128};
        QTest::newRow("1366") << 1366 << QList<int>{85, 1109, 686, 768, 170};
    }
    void geometry() {
        QFETCH(int, screenWidth);
        QFETCH(QList<int>, lengths);
        const ChartGeometry g = ChartGeometry::For(screenWidth);
        QCOMPARE(
            (QList<int>{g.ChartLeft, g.ChartRight, g.ChartBottom, g.ImageHeight, g.ColumnX(50)}),
            lengths);
        QCOMPARE(g.ChartTop, 0);
    }

    void scale_data() {
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("max");
        QTest::addColumn<QString>("rate");
        QTest::addColumn<int>("base");
        QTest::addColumn<int>("step");
        QTest::newRow("range 0") << 250 << 250 << "1 : 10" << 230 << 50;
        QTest::newRow("range 50") << 200 << 250 << "1 : 7" << 225 - 200 / 7 << 50;
        QTest::newRow("range 359") << 0 << 359 << "1 : 1" << 179 - 200 << 50;
        QTest::newRow("range 360") << 0 << 360 << "1 : 1" << 180 - 200 << 100;
        QTest::newRow("range 1000") << -500 << 500 << "3 : 1" << 0 - 600 << 100;
        QTest::newRow("range 1500") << 0 << 1500 << "5 : 1" << 750 - 1000 << 500;
        QTest::newRow("range 5400") << 0 << 5400 << "15 : 1" << 2700 - 3000 << 1000;
        QTest::newRow("full 16 bits") << -32768 << 32767 << "182 : 1" << -1 - 36400 << 1000;
    }
    void scale() {
        QFETCH(int, min);
        QFETCH(int, max);
        QFETCH(QString, rate);
        QFETCH(int, base);
        QFETCH(int, step);
        const ChartScale s = ChooseScale({max, min});
        QCOMPARE(RateText(s), rate);
        QCOMPARE(s.base, base);
        QCOMPARE(GridStep(s), step);
        // Both ends of the range land on the plot, between its top and the time axis.
        for (const int v : {min, max}) {
            const qint64 yd = DesignHeight(v, s);
            QVERIFY2(yd > 1 && yd < PlotHeight, qPrintable(QString::number(yd)));
        }
    }

    void constantSignalIsFlatInTheMiddle() {
        const ChartScale s = ChooseScale({250, 250});
        QCOMPARE(DesignHeight(250, s), qint64(201));
    }

    void gridOfQuarterDegreeWindow() {
        // 25.0 to 25.5: factor 10, mid 252, base 232, one grid line at 25.0.
        const ChartScale s = ChooseScale({255, 250});
        QCOMPARE(s.factor, 10);
        QVERIFY(!s.divides);
        QCOMPARE(s.base, 232);
        const ChartGeometry g = ChartGeometry::For(800);
        QCOMPARE(GridLines(g, s), (QList<GridLine>{{250, 221}}));
        QCOMPARE(TenthsText(250), "25.0");
    }

    void gridBelowZeroRoundsDown() {
        // A base below zero starts the grid at the multiple under it, not above.
        const ChartScale s = ChooseScale({-20, -60});
        QCOMPARE(s.base, -40 - 200 / 9);
        const QList<GridLine> lines = GridLines(ChartGeometry::For(800), s);
        QVERIFY(!lines.isEmpty());
        QCOMPARE(lines.first().value, -50);
        for (const GridLine& line : lines)
            QVERIFY(line.y > 0 && line.y <= 402);
    }

    void band_data() {
        QTest::addColumn<int>("designHeight");
        QTest::addColumn<bool>("leaves");
        QTest::newRow("bottom margin edge") << 380 << false;
        QTest::newRow("into the bottom margin") << 381 << true;
        QTest::newRow("just below the top") << 2 << false;
        QTest::newRow("top") << 1 << true;
        QTest::newRow("above") << -40 << true;
    }
    void band() {
        QFETCH(int, designHeight);
        QFETCH(bool, leaves);
        QCOMPARE(LeavesBand(designHeight), leaves);
    }

    void windowRange() {
        SampleStore s;
        UsedPositions used{true, true, false, false, false, false, false, false};
        // A first value of 0 counts like any other: the range is 0 .. 100, not 100 .. 100.
        s.At(0, 0) = 0;
        s.At(1, 0) = 100;
        QCOMPARE(FindWindowRange(s, used, 0, 1), (WindowRange{100, 0}));
        // Gaps and hidden positions do not count.
        s.At(0, 1) = MissingSample;
        s.At(1, 1) = 40;
        s.At(2, 1) = -999;
        QCOMPARE(FindWindowRange(s, used, 1, 1), (WindowRange{40, 40}));
        s.At(1, 1) = MissingSample;
        QCOMPARE(FindWindowRange(s, used, 1, 1), (WindowRange{0, 0}));
        QCOMPARE(FindWindowRange(s, UsedPositions{}, 0, 2), (WindowRange{0, 0}));
    }
};

QTEST_GUILESS_MAIN(TestChartGeometry)
#include "tst_chartgeometry.moc"
