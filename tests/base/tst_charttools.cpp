// The mouse on a chart gives the wheel's steps and the drag's moves, and offers its menu; a
// chart's picture carries its legend below the chart's own pixels.
#include "chartmouse.h"
#include "charttools.h"
#include "savedchart.h"
#include "testmain.h"

#include <QAction>
#include <QPainter>
#include <QWidget>

using namespace vrx;
using vrx::test::SavedChartFault;

namespace {

const QList<QColor> EightColours{QColor(128, 128, 0), QColor(0, 0, 128),     QColor(128, 0, 128),
                                 QColor(0, 128, 128), QColor(128, 128, 128), QColor(0, 0, 255),
                                 QColor(128, 0, 0),   QColor(0, 128, 0)};

// A chart of some lines on its paper, so that a strip drawn over it would show.
QImage Chart(int width, QColor paper) {
    QImage image(width, 120, QImage::Format_RGB32);
    image.fill(paper);
    QPainter painter(&image);
    painter.setPen(QColor(200, 30, 30));
    painter.drawLine(0, 119, width - 1, 0);
    painter.drawLine(0, 0, width - 1, 119);
    return image;
}

ChartLegend Legend(const QList<QColor>& colours, QColor paper, QColor ink) {
    ChartLegend legend;
    for (qsizetype i = 0; i < colours.size(); ++i)
        legend.traces.append(
            {QStringLiteral("Device %1 (address %2)").arg(i + 1).arg(i + 17), colours[i]});
    legend.span = QStringLiteral("2026-03-14 8:00:00 AM – 8:09:59 AM, a sample every 1 s");
    legend.paper = paper;
    legend.ink = ink;
    return legend;
}

} // namespace

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

    // The strip below the chart names every trace beside a swatch of its colour, on the
    // chart's own paper, in as many rows as the chart's width needs.
    void legendBelowTheChart_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<QList<QColor>>("colours");
        QTest::addColumn<QColor>("paper");
        QTest::addColumn<QColor>("ink");
        QTest::addColumn<bool>("wraps");
        QTest::newRow("two devices")
            << 650 << EightColours.mid(0, 2) << QColor(Qt::white) << QColor(Qt::black) << false;
        QTest::newRow("eight devices")
            << 650 << EightColours << QColor(Qt::white) << QColor(Qt::black) << true;
        // The Monitor's chart: white PV and green SV on black.
        QTest::newRow("PV and SV on black")
            << 785 << QList<QColor>{QColor(Qt::white), QColor(0, 160, 0)} << QColor(Qt::black)
            << QColor(Qt::white) << false;
        // Narrower than one name: the name is cut short, its swatch stays.
        QTest::newRow("narrow chart")
            << 90 << EightColours.mid(0, 3) << QColor(Qt::white) << QColor(Qt::black) << true;
    }
    void legendBelowTheChart() {
        QFETCH(int, width);
        QFETCH(QList<QColor>, colours);
        QFETCH(QColor, paper);
        QFETCH(QColor, ink);
        QFETCH(bool, wraps);
        const QImage chart = Chart(width, paper);
        const ChartLegend legend = Legend(colours, paper, ink);
        const QImage saved = ImageWithLegend(chart, legend);
        const QList<QColor> absent = EightColours.mid(int(colours.size()));
        const QString fault = SavedChartFault(saved, chart, colours, absent);
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
        // The strip is the chart's paper where nothing is written: its last row.
        const int bottom = saved.height() - 1;
        for (int x = 0; x < width; ++x)
            QCOMPARE(QColor(saved.pixel(x, bottom)), paper);
        // The traces in one row take one text line; wrapped, more.
        ChartLegend oneTrace = legend;
        oneTrace.traces = legend.traces.mid(0, 1);
        const int oneRow = ImageWithLegend(chart, oneTrace).height();
        QCOMPARE(saved.height() > oneRow, wraps);
    }

    // Without anything to say, the picture is the chart alone; a legend of traces without a
    // time (a chart of no samples yet) or of a time alone still gets its strip.
    void emptyLegendLeavesTheChart() {
        const QImage chart = Chart(300, Qt::white);
        QCOMPARE(ImageWithLegend(chart, {}), chart);
        ChartLegend timeOnly;
        timeOnly.span = QStringLiteral("8:00:00 AM – 8:09:59 AM, a sample every 1 s");
        QVERIFY(ImageWithLegend(chart, timeOnly).height() > chart.height());
        ChartLegend namesOnly;
        namesOnly.traces.append({QStringLiteral("Device 1 (address 1)"), QColor(128, 128, 0)});
        const QString fault =
            SavedChartFault(ImageWithLegend(chart, namesOnly), chart, {QColor(128, 128, 0)});
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }

    // The span names its dates where they are known (an invalid date here: not known), the
    // end's only on another day.
    void spanText_data() {
        QTest::addColumn<QDate>("fromDate");
        QTest::addColumn<QDate>("toDate");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("text");
        const QDate day(2026, 3, 14);
        QTest::newRow("one day") << day << day << 5 << "2026-03-14 A – B, a sample every 5 s";
        QTest::newRow("across midnight")
            << day << day.addDays(1) << 1 << "2026-03-14 A – 2026-03-15 B, a sample every 1 s";
        QTest::newRow("no dates") << QDate() << QDate() << 120 << "A – B, a sample every 120 s";
    }
    void spanText() {
        QFETCH(QDate, fromDate);
        QFETCH(QDate, toDate);
        QFETCH(int, seconds);
        QFETCH(QString, text);
        const auto known = [](QDate d) { return d.isValid() ? std::optional(d) : std::nullopt; };
        QCOMPARE(ChartSpanText({known(fromDate), QStringLiteral("A"), known(toDate),
                                QStringLiteral("B"), seconds}),
                 text);
    }
};

VRX_TEST_MAIN(TestChartTools)
#include "tst_charttools.moc"
