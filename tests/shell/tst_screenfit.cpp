// Every window on the screen it is shown on, as a user meets it: the window within the screen's
// available room and every control it shows within the window and within its own parent. CTest
// runs this once per screen of tests/shell/screens (laptops, wide and tall screens, a device
// pixel ratio of 2) and once on the plain offscreen screen, the design's own size.
#include "screenwidth.h"
#include "statswindow.h"
#include "testmain.h"
#include "windowtour.h"

#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>

using namespace vrx;
using vrx::test::Tour;

namespace {

QString Described(const QWidget* w) {
    QString path;
    for (const QObject* o = w;
         o && !(o->isWidgetType() && static_cast<const QWidget*>(o)->isWindow()); o = o->parent())
        path.prepend(u'/' + (o->objectName().isEmpty()
                                 ? QString::fromLatin1(o->metaObject()->className())
                                 : o->objectName()));
    return path;
}

QString Rect(const QRect& r) {
    return QStringLiteral("(%1,%2 %3x%4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

} // namespace

class TestScreenFit : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        const QScreen* screen = QGuiApplication::primaryScreen();
        qInfo("screen %dx%d, available %dx%d, device pixel ratio %g", screen->geometry().width(),
              screen->geometry().height(), screen->availableGeometry().width(),
              screen->availableGeometry().height(), screen->devicePixelRatio());
    }

    void windowLiesOnTheScreen_data() {
        QTest::addColumn<QString>("stop");
        for (const QString& stop : vrx::test::TourStops())
            QTest::newRow(qPrintable(stop)) << stop;
    }
    void windowLiesOnTheScreen() {
        QFETCH(QString, stop);
        Tour tour;
        QWidget* window = tour.Visit(stop);
        QVERIFY2(window, "the stop was not reached");
        QVERIFY(QTest::qWaitForWindowExposed(window));
        const QRect room = window->screen()->availableGeometry();
        QVERIFY2(room.contains(window->frameGeometry()),
                 qPrintable(window->objectName() + Rect(window->frameGeometry()) +
                            QStringLiteral(" off the screen's ") + Rect(room)));
        QStringList outside;
        for (QWidget* w : window->findChildren<QWidget*>()) {
            if (w->isWindow() || !w->isVisibleTo(window)) continue;
            const QRect inWindow(w->mapTo(window, QPoint(0, 0)), w->size());
            // A control beyond its parent's edge is cut off there, even inside the window.
            if (!window->rect().contains(inWindow) ||
                !w->parentWidget()->rect().contains(w->geometry()))
                outside << Described(w) + Rect(inWindow);
        }
        QVERIFY2(outside.isEmpty(), qPrintable(QStringLiteral("%1 %2: ").arg(window->objectName(),
                                                                             Rect(window->rect())) +
                                               outside.join(QStringLiteral(", "))));
    }

    // The statistics table is seen whole across: its last column ends within the view.
    void statisticsShowEveryColumn() {
        Tour tour;
        auto* stats = qobject_cast<StatsForm*>(tour.Visit(QStringLiteral("monitor, statistics")));
        QVERIFY2(stats, "the statistics were not reached");
        QVERIFY(QTest::qWaitForWindowExposed(stats));
        const QHeaderView* header = stats->Table->horizontalHeader();
        const int last = header->count() - 1;
        const int right = header->sectionViewportPosition(last) + header->sectionSize(last);
        QVERIFY2(right <= stats->Table->viewport()->width(),
                 qPrintable(QStringLiteral("the last column ends at %1 of a view %2 wide")
                                .arg(right)
                                .arg(stats->Table->viewport()->width())));
        QCOMPARE(stats->Table->horizontalScrollBar()->maximum(), 0);
    }

    // The design's 800 pixels keep their size on a screen of the design's width.
    void designSizeUnscaled() {
        if (QGuiApplication::primaryScreen()->availableGeometry().width() != DesignWidth)
            QSKIP("for the design's own screen");
        Tour tour;
        QCOMPARE(ScreenWidth, DesignWidth);
        QCOMPARE(tour.monitor->size(), QSize(800, 560));
    }
};

VRX_TEST_MAIN(TestScreenFit)
#include "tst_screenfit.moc"
