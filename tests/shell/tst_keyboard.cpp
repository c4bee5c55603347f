// The keyboard's ways through the program: Tab in the order of the layout in every window,
// Ctrl+1 .. Ctrl+4 for the Monitor's stations, Alt and a letter for the Main window's items.
#include "mainwindow.h"
#include "statswindow.h"
#include "testmain.h"
#include "trafficwindow.h"
#include "windowtour.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QShortcut>
#include <QTableWidget>
#include <QToolButton>

using namespace vrx;
using vrx::test::Tour;

namespace {

// Where Tab goes from `from`: the next control in the window's chain that a user can reach.
QString NextByTab(QWidget* window, const QString& from) {
    auto* start = window->findChild<QWidget*>(from);
    if (!start) return QStringLiteral("(no %1)").arg(from);
    for (QWidget* w = start->nextInFocusChain(); w && w != start; w = w->nextInFocusChain()) {
        if (w->window() != window || !w->isVisible() || !w->isEnabled()) continue;
        if ((w->focusPolicy() & Qt::TabFocus) != Qt::TabFocus || w->focusProxy()) continue;
        if (start->isAncestorOf(w)) continue; // a control's own parts
        return w->objectName();
    }
    return {};
}

} // namespace

class TestKeyboard : public QObject {
    Q_OBJECT

private slots:
    void tabFollowsTheLayout_data() {
        QTest::addColumn<QString>("stop");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::newRow("monitor: the address row") << "monitor"
                                                  << "ComAddr1"
                                                  << "ComAddr2";
        QTest::newRow("monitor: last address to the first Connect") << "monitor"
                                                                    << "ComAddr4"
                                                                    << "RunBt1";
        QTest::newRow("monitor: Connect to Cancel") << "monitor"
                                                    << "RunBt1"
                                                    << "StopBt1";
        QTest::newRow("monitor: down the PID box") << "monitor"
                                                   << "KP"
                                                   << "KI";
        QTest::newRow("recorder: down the devices") << "recorder"
                                                    << "ComAddr1"
                                                    << "ComAddr2";
        QTest::newRow("recorder: last device to the sample time") << "recorder"
                                                                  << "ComAddr8"
                                                                  << "SampleTime";
        QTest::newRow("tester: along the request") << "tester"
                                                   << "SFunc"
                                                   << "SDataLen";
    }
    void tabFollowsTheLayout() {
        QFETCH(QString, stop);
        QFETCH(QString, from);
        QFETCH(QString, to);
        Tour tour;
        QWidget* window = tour.Visit(stop);
        QVERIFY(window);
        QCOMPARE(NextByTab(window, from), to);
    }

    void ctrlNumberSelectsAStation() {
        Tour tour;
        QVERIFY(tour.Visit(QStringLiteral("monitor")));
        TVRW2* m = tour.monitor;
        QCOMPARE(m->Engine.State().SelStation, 1);
        emit m->findChild<QShortcut*>(QStringLiteral("SelectKey3"))->activated();
        QCOMPARE(m->Engine.State().SelStation, 3);
        QCOMPARE(m->findChild<QShortcut*>(QStringLiteral("SelectKey3"))->key(),
                 QKeySequence(Qt::CTRL | Qt::Key_3));
    }

    // The traffic window from the Main window's tool bar and from the Monitor's and the
    // Recorder's Ctrl+T: one window; the Monitor's statistics from Ctrl+I, a row a station.
    void trafficAndStatisticsWindows() {
        Tour tour;
        TVRW0* main = tour.forms->VRW0.get();
        TrafficForm* traffic = tour.forms->Traffic.get();
        QTest::mouseClick(main->findChild<QToolButton*>(QStringLiteral("TrafficButton")),
                          Qt::LeftButton);
        QVERIFY(traffic->isVisible());
        traffic->close();
        QVERIFY(tour.Visit(QStringLiteral("monitor")));
        TVRW2* m = tour.monitor;
        QAction* trafficAction = m->findChild<QAction*>(QStringLiteral("TrafficAction"));
        QCOMPARE(trafficAction->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_T));
        trafficAction->trigger();
        QVERIFY(traffic->isVisible());
        traffic->RefreshNow();
        QVERIFY(traffic->Model->rowCount() > 10); // the polling of the four stations

        QAction* statsAction = m->findChild<QAction*>(QStringLiteral("StatsAction"));
        QCOMPARE(statsAction->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_I));
        statsAction->trigger();
        QVERIFY(m->Stats->isVisible());
        QCOMPARE(m->Stats->Table->rowCount(), 4);
        QCOMPARE(m->Stats->Table->verticalHeaderItem(1)->text(), "Station 2 (address 2)");
        QCOMPARE(m->Stats->Table->item(0, 0)->text(), QString::number(m->Engine.Stats(1).requests));
        QVERIFY(m->contextMenuPolicy() == Qt::ActionsContextMenu);
    }

    void altLetterOpensAnItem() {
        Tour tour;
        TVRW0* main = tour.forms->VRW0.get();
        QStringList mnemonics;
        for (QAction* action : main->MainMenu1->actions())
            mnemonics << QKeySequence::mnemonic(action->text()).toString();
        QCOMPARE(mnemonics, (QStringList{"Alt+P", "Alt+C", "Alt+E", "Alt+A"}));
    }
};

VRX_TEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
