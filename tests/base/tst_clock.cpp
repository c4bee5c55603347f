// The clock seam: timers on the manual clock fall due in order, at their own moment, and Run
// delivers what they post; the same timers on the machine's clock.
#include "clock.h"
#include "manualtime.h"

#include <QTest>

using namespace vrx;
using vrx::test::ManualTime;

class TestClock : public QObject {
    Q_OBJECT

private slots:
    void timersFireInOrderAtTheirMoment() {
        ManualTime clock;
        ClockTimer late, early, periodic;
        late.setSingleShot(true);
        early.setSingleShot(true);
        QStringList fired;
        const auto note = [&](const char* name) {
            return [&fired, &clock, name] {
                fired << QStringLiteral("%1@%2").arg(name).arg(clock.Micros() / 1000);
            };
        };
        connect(&late, &ClockTimer::timeout, this, note("late"));
        connect(&early, &ClockTimer::timeout, this, note("early"));
        connect(&periodic, &ClockTimer::timeout, this, note("tick"));
        late.start(250);
        early.start(100);
        periodic.start(100);
        clock.Advance(99);
        QVERIFY(fired.isEmpty());
        clock.Advance(201);
        QCOMPARE(fired, (QStringList{"early@100", "tick@100", "tick@200", "late@250", "tick@300"}));
        QVERIFY(!early.isActive());
        QVERIFY(periodic.isActive());
        periodic.stop();
        clock.Advance(1000);
        QCOMPARE(fired.size(), 5);
    }

    // A timer started from a handler on the way is timed from that handler's moment.
    void chainsPlayOutInSimulatedTime() {
        ManualTime clock;
        ClockTimer first, second;
        first.setSingleShot(true);
        second.setSingleShot(true);
        qint64 secondAt = -1;
        connect(&first, &ClockTimer::timeout, this, [&] {
            // Posted, as a port's notification is: Run delivers it before time goes on.
            QMetaObject::invokeMethod(
                this, [&] { second.start(30); }, Qt::QueuedConnection);
        });
        connect(&second, &ClockTimer::timeout, this, [&] { secondAt = clock.Micros() / 1000; });
        first.start(20);
        clock.Run(100);
        QCOMPARE(secondAt, qint64(50));
        QCOMPARE(clock.Micros(), qint64(100'000));
    }

    void millisecondsWrapButTimeGoesOn() {
        ManualTime clock(0xFFFFFFFFu - 10);
        ClockTimer timer;
        timer.setSingleShot(true);
        int fired = 0;
        connect(&timer, &ClockTimer::timeout, this, [&fired] { ++fired; });
        timer.start(20);
        clock.Advance(20);
        QCOMPARE(fired, 1);
        QCOMPARE(clock.Milliseconds(), quint32(9));
    }

    void timersOnTheMachineClock() {
        ClockTimer timer;
        timer.setSingleShot(true);
        int fired = 0;
        connect(&timer, &ClockTimer::timeout, this, [&fired] { ++fired; });
        timer.start(10);
        QVERIFY(timer.isActive());
        QTRY_COMPARE(fired, 1);
        QVERIFY(!timer.isActive());
    }
};

QTEST_GUILESS_MAIN(TestClock)
#include "tst_clock.moc"
