// Zooming and moving a chart's span: the point under the mouse stays put, and the span never
// leaves the series nor shrinks below its least.
#include "chartspan.h"

#include <QTest>

using namespace vrx;

Q_DECLARE_METATYPE(vrx::ChartSpan)

class TestChartSpan : public QObject {
    Q_OBJECT

private slots:
    void zoom_data() {
        QTest::addColumn<ChartSpan>("span");
        QTest::addColumn<double>("anchor");
        QTest::addColumn<double>("steps");
        QTest::addColumn<ChartSpan>("expected");
        // Series of 1000 points, at least 10 shown.
        QTest::newRow("in about the middle")
            << ChartSpan{0, 1000} << 0.5 << 1.0 << ChartSpan{100, 800};
        QTest::newRow("in about the left edge")
            << ChartSpan{200, 500} << 0.0 << 1.0 << ChartSpan{200, 400};
        QTest::newRow("out again") << ChartSpan{100, 800} << 0.5 << -1.0 << ChartSpan{0, 1000};
        QTest::newRow("out stops at the whole")
            << ChartSpan{0, 900} << 0.5 << -5.0 << ChartSpan{0, 1000};
        QTest::newRow("out at the end stays inside")
            << ChartSpan{900, 100} << 1.0 << -1.0 << ChartSpan{875, 125};
        QTest::newRow("in stops at the least")
            << ChartSpan{500, 20} << 0.5 << 10.0 << ChartSpan{505, 10};
        QTest::newRow("anchor beyond the plot")
            << ChartSpan{0, 1000} << 3.0 << 1.0 << ChartSpan{200, 800};
    }
    void zoom() {
        QFETCH(ChartSpan, span);
        QFETCH(double, anchor);
        QFETCH(double, steps);
        QFETCH(ChartSpan, expected);
        const ChartSpan got = ZoomSpan(span, anchor, steps, 10, 1000);
        QVERIFY2(qAbs(got.first - expected.first) < 1e-6 && qAbs(got.count - expected.count) < 1e-6,
                 qPrintable(QStringLiteral("%1 + %2").arg(got.first).arg(got.count)));
    }

    void pan_data() {
        QTest::addColumn<double>("points");
        QTest::addColumn<double>("first");
        QTest::newRow("later") << 50.0 << 350.0;
        QTest::newRow("earlier") << -50.0 << 250.0;
        QTest::newRow("past the end") << 5000.0 << 800.0;
        QTest::newRow("before the start") << -5000.0 << 0.0;
    }
    void pan() {
        QFETCH(double, points);
        QFETCH(double, first);
        QCOMPARE(PanSpan({300, 200}, points, 1000), (ChartSpan{first, 200}));
    }

    // A series shorter than the least span shows whole.
    void shortSeries() { QCOMPARE(ZoomSpan({0, 5}, 0.5, 3, 10, 5), (ChartSpan{0, 5})); }
};

QTEST_GUILESS_MAIN(TestChartSpan)
#include "tst_chartspan.moc"
