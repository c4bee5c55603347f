// SerialPort on a fake line and a manual clock: reply timers, notifications, opening on demand,
// reopening on another COM, and the port chooser.
#include "errorlog.h"
#include "errors.h"
#include "fakeline.h"
#include "manualtime.h"
#include "portnotes.h"
#include "serialport.h"

#include <QEventLoop>
#include <QPointer>
#include <QTest>

using namespace vrx;
using namespace vrx::test;

namespace {

// A port open on COM1 over a fake line, with a clock the test moves.
struct FakePort {
    explicit FakePort(quint32 startMs = 0) : clock(startMs) {
        qputenv("VRX_COM1", "sim");
        port.SetComNumber(1);
        port.SetOpen(true);
    }
    FakeLineFactory lines;
    ManualTime clock;
    SerialPort port;
};

} // namespace

class TestSerialPort : public QObject {
    Q_OBJECT

private slots:
    void init() { ForgetComDevices(); }

    void chooserGivesThePortNumber() {
        FakeLineFactory lines;
        qputenv("VRX_COM2", "sim");
        int asked = 0;
        SerialPort::InstallPortChooser([&asked] { return ++asked, 2; });
        SerialPort port;
        port.SetOpen(true);
        QVERIFY(port.Open());
        QCOMPARE(port.ComNumber(), qint16(2));
        QCOMPARE(asked, 1);
        // Nothing chosen: the open fails and the port stays closed.
        SerialPort::InstallPortChooser([] { return 0; });
        SerialPort cancelled;
        QVERIFY_THROWS_EXCEPTION(PortError, cancelled.SetOpen(true));
        QVERIFY(!cancelled.Open());
        SerialPort::InstallPortChooser({});
        QVERIFY_THROWS_EXCEPTION(PortError, cancelled.SetOpen(true));
    }

    void missingDeviceFailsToOpen() {
        UseDevice(3, QStringLiteral("/dev/vrx-no-such-device"));
        SerialPort port;
        port.SetComNumber(3);
        QVERIFY_THROWS_EXCEPTION(PortError, port.SetOpen(true));
        QVERIFY(!port.Open());
        // No timers exist on a port that failed to open.
        QVERIFY_THROWS_EXCEPTION(PortError, port.AddTimer());
    }

    void timerRules_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("expiresAtMs"); // -1: never
        // Steps: "arm N" (SetTimer id,N,true), "stop N" (SetTimer id,N,false), "wait MS".
        QTest::newRow("expires after 18 ticks") << "arm 18" << 18 * 55 + 55;
        QTest::newRow("re-arm after 10 ticks postpones")
            << "arm 18;wait 550;arm 18" << 550 + 18 * 55 + 55;
        QTest::newRow("0 re-arms with the last length") << "arm 5;stop 0;arm 0" << 5 * 55 + 55;
        QTest::newRow("stop keeps the length") << "arm 5;stop 36;arm 0" << 5 * 55 + 55;
        QTest::newRow("inactive never expires") << "arm 5;stop 36" << -1;
        QTest::newRow("never armed never expires") << "" << -1;
        QTest::newRow("longest length is cut") << "arm 2000000000" << -1;
    }

    void timerRules() {
        QFETCH(QString, script);
        QFETCH(int, expiresAtMs);
        FakePort fake;
        auto& clock = fake.clock;
        auto& port = fake.port;
        NoteRecorder recorder(port);
        const quint16 id = port.AddTimer();
        quint32 elapsed = 0;
        for (const QString& step : script.split(u';', Qt::SkipEmptyParts)) {
            const QStringList words = step.split(u' ');
            if (words[0] == u"arm") port.SetTimer(id, words[1].toInt(), true);
            if (words[0] == u"stop") port.SetTimer(id, words[1].toInt(), false);
            if (words[0] == u"wait") {
                clock.Advance(words[1].toUInt());
                elapsed += words[1].toUInt();
            }
        }
        // Walk the clock in 5 ms steps and find the first check at which the timer expired.
        int firedAt = -1;
        for (int ms = int(elapsed); ms <= 3000; ms += 5) {
            clock.Set(quint32(ms));
            port.CheckTimers();
            QCoreApplication::processEvents();
            if (recorder.Expiries(id) > 0) {
                firedAt = ms;
                break;
            }
        }
        if (expiresAtMs < 0) {
            QCOMPARE(firedAt, -1);
        } else {
            // Fires more than length ticks after arming and at the latest one tick later.
            QVERIFY2(firedAt > expiresAtMs - 55 && firedAt <= expiresAtMs,
                     qPrintable(QString::number(firedAt)));
        }
    }

    void timerSurvivesClockWrap() {
        FakePort fake(0xFFFFFFFFu - 200);
        auto& clock = fake.clock;
        auto& port = fake.port;
        NoteRecorder recorder(port);
        const quint16 id = port.AddTimer();
        port.SetTimer(id, 10, true);
        clock.Advance(300); // past the wrap, well short of 10 ticks
        port.CheckTimers();
        QCoreApplication::processEvents();
        QCOMPARE(recorder.Expiries(id), 0);
        clock.Advance(11 * 55 + 55);
        port.CheckTimers();
        QTRY_COMPARE(recorder.Expiries(id), 1);
        // A timer expires once.
        clock.Run(5000);
        QCOMPARE(recorder.Expiries(id), 1);
    }

    void timerErrors() {
        vrx::test::FakeLineFactory lines;
        qputenv("VRX_COM1", "sim");
        SerialPort port;
        port.SetComNumber(1);
        QVERIFY_THROWS_EXCEPTION(PortError, port.SendText("x"));
        port.SetOpen(true);
        QVERIFY_THROWS_EXCEPTION(PortError, port.SetTimer(999, 5, true));
        QVERIFY_THROWS_EXCEPTION(PortError,
                                 port.SendText(QByteArray(SerialPort::BufferSize + 1, 'x')));
        const quint16 a = port.AddTimer();
        const quint16 b = port.AddTimer();
        QVERIFY(a > 0 && b > 0 && a != b);
        // Timers belong to one opening of the port.
        port.SetOpen(false);
        port.SetOpen(true);
        QVERIFY_THROWS_EXCEPTION(PortError, port.SetTimer(a, 5, true));
    }

    void newComNumberReopensKeepingTimers() {
        FakePort fake;
        auto& lines = fake.lines;
        auto& clock = fake.clock;
        auto& port = fake.port;
        NoteRecorder recorder(port);
        const quint16 id = port.AddTimer();
        port.SetTimer(id, 2, true);
        QPointer<vrx::test::FakeLine> first = lines.last;
        qputenv("VRX_COM2", "sim");
        port.SetComNumber(2);
        QVERIFY(port.Open());
        QVERIFY(!first);
        QVERIFY(lines.last && lines.last->IsOpen());
        clock.Advance(200);
        port.CheckTimers();
        QTRY_COMPARE(recorder.Expiries(id), 1);
        qunsetenv("VRX_COM2");
    }

    void openOnDemand() {
        vrx::test::FakeLineFactory lines;
        qputenv("VRX_COM1", "sim");
        SerialPort port;
        port.SetComNumber(1);
        port.SetOpenOnDemand(true);
        port.SendText(":01\r\n");
        QVERIFY(port.Open());
        QCOMPARE(lines.last->written, QList<QByteArray>{":01\r\n"});
    }

    void noNotificationAfterClose() {
        FakePort fake;
        auto& lines = fake.lines;
        auto& clock = fake.clock;
        auto& port = fake.port;
        NoteRecorder recorder(port);
        const quint16 id = port.AddTimer();
        port.SetTimer(id, 1, true);
        clock.Advance(200);
        port.CheckTimers(); // expiry queued, not yet delivered
        lines.last->Reply("abc");
        port.SetOpen(false);
        clock.Run(50);
        QVERIFY(recorder.notes.isEmpty());
    }

    void notificationsAreInOrderAndNeverNested() {
        FakePort fake;
        auto& lines = fake.lines;
        auto& clock = fake.clock;
        auto& port = fake.port;
        const quint16 id = port.AddTimer();
        QStringList seen;
        bool inside = false;
        bool nested = false;
        connect(&port, &SerialPort::Notify, this, [&](PortEvent kind, quint16, quint16 count) {
            nested = nested || inside;
            inside = true;
            seen << (kind == PortEvent::DataAvailable ? QStringLiteral("data%1").arg(count)
                                                      : QStringLiteral("timer"));
            for (int i = 0; i < count; ++i)
                port.ReadChar();
            if (seen.size() == 1) {
                // A handler that spins the event loop, as a message box does.
                port.SetTimer(id, 1, true);
                clock.Advance(200);
                port.CheckTimers();
                lines.last->Reply("zz");
                QEventLoop loop;
                QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
                loop.exec();
            }
            inside = false;
        });
        lines.last->Reply("ab");
        QTRY_COMPARE(seen.size(), 3);
        QVERIFY(!nested);
        QCOMPARE(seen, (QStringList{"data2", "timer", "data2"}));
    }
};

QTEST_GUILESS_MAIN(TestSerialPort)
#include "tst_serialport.moc"
