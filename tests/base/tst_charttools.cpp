// The mouse on a chart gives the wheel's steps and the drag's moves, and offers its menu.
#include "chartmouse.h"
#include "charttools.h"
#include "testmain.h"

#include <QAction>
#include <QWidget>

using namespace vrx;

class TestChartTools : public QObject {
    Q_OBJECT

private slots:
    void mouse() {
        QWidget chart;
        chart.resize(200, 100);
        ChartMouse mouse(&chart);
        QList<double> steps;
        QList<int> moves;
        connect(&mouse, &ChartMouse::zoomed, [&](QPoint, double s) { steps << s; });
        connect(&mouse, &ChartMouse::panned, [&](int dx) { moves << dx; });
        test::WheelOver(&chart, 50, -2);
        QTest::mousePress(&chart, Qt::LeftButton, {}, {100, 50});
        QTest::mouseMove(&chart, {80, 50});
        QTest::mouseMove(&chart, {90, 50});
        QTest::mouseRelease(&chart, Qt::LeftButton, {}, {90, 50});
        QTest::mouseMove(&chart, {120, 50}); // no button: only the cursor
        QCOMPARE(steps, QList<double>{-2.0});
        QCOMPARE(moves, (QList<int>{-20, 10}));
        QCOMPARE(chart.findChild<QAction*>(QStringLiteral("ResetViewAction"))->text(), "Reset");
        QCOMPARE(chart.findChild<QAction*>(QStringLiteral("SaveImageAction"))->text(),
                 "Save image");
    }
};

VRX_TEST_MAIN(TestChartTools)
#include "tst_charttools.moc"
