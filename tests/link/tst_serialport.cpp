// SerialPort on real pseudo-terminals and on a manual clock: opening, exclusivity, byte flow,
// notifications, reply timers, the port selection dialog and a device that vanishes.
#include "comselectform.h"
#include "errors.h"
#include "fakeline.h"
#include "ptypair.h"
#include "scripteddialogs.h"
#include "serialport.h"
#include "testmain.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSignalSpy>
#include <QTest>

using namespace vrx;
using vrx::test::PtyPair;
using vrx::test::ScriptedDialogs;

namespace {

struct Note {
    PortEvent kind;
    quint16 id;
    quint16 count;
};

// Collects the notifications a window's PortTrigger would get.
struct Recorder {
    explicit Recorder(SerialPort& port) {
        QObject::connect(&port, &SerialPort::Notify, &port,
                         [this](PortEvent kind, quint16 id, quint16 count) {
                             notes.append({kind, id, count});
                         });
    }
    int Expiries(quint16 id) const {
        int n = 0;
        for (const auto& note : notes)
            n += note.kind == PortEvent::TimerExpired && note.id == id;
        return n;
    }
    QList<Note> notes;
};

void UseDevice(int com, const QString& path) {
    qputenv(QByteArray("VRX_COM") + QByteArray::number(com), path.toLocal8Bit());
}

// A port open on COM1 over a real pseudo-terminal, with the given character format.
struct PtyPort {
    explicit PtyPort(int dataBits = 7, Parity parity = Parity::Even) {
        UseDevice(1, pty.SlavePath());
        port.SetComNumber(1);
        port.SetDataBits(qint16(dataBits));
        port.SetParity(parity);
        port.SetOpen(true);
    }
    PtyPair pty;
    SerialPort port;
};

// A port open on COM1 over a fake line, with a clock the test moves.
struct FakePort {
    explicit FakePort(quint32 startMs = 0) : clock(startMs) {
        qputenv("VRX_COM1", "sim");
        port.SetClock(&clock);
        port.SetComNumber(1);
        port.SetOpen(true);
    }
    vrx::test::FakeLineFactory lines;
    ManualClock clock;
    SerialPort port;
};

} // namespace

class TestSerialPort : public QObject {
    Q_OBJECT

private slots:
    void init() {
        for (int n = 1; n <= 8; ++n)
            qunsetenv(QByteArray("VRX_COM") + QByteArray::number(n));
    }

    void opensPtyAndRefusesSecondOpen() {
        PtyPair pty;
        QVERIFY(pty.IsValid());
        UseDevice(1, pty.SlavePath());
        SerialPort first, second;
        first.SetComNumber(1);
        second.SetComNumber(1);
        first.SetOpen(true);
        QVERIFY(first.Open());
        QVERIFY_THROWS_EXCEPTION(PortError, second.SetOpen(true));
        QVERIFY(!second.Open());
        first.SetOpen(false);
        QVERIFY(!first.Open());
        // Once released, the device is free again.
        second.SetOpen(true);
        QVERIFY(second.Open());
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

    void bytesArrivingTogetherMakeOneNotification() {
        PtyPort line;
        auto& [pty, port] = line;
        Recorder recorder(port);
        QVERIFY(pty.Send(QByteArray("\x01\x83", 2)));
        QTRY_COMPARE(recorder.notes.size(), 1);
        QCOMPARE(recorder.notes.at(0).kind, PortEvent::DataAvailable);
        QCOMPARE(recorder.notes.at(0).count, quint16(2));
        QCOMPARE(port.ReadChar(), quint8(0x01));
        QCOMPARE(port.ReadChar(), quint8(0x83));
        QVERIFY_THROWS_EXCEPTION(PortError, port.ReadChar());
    }

    void bytesPassUnchangedBothWays_data() {
        QTest::addColumn<int>("dataBits");
        QTest::addColumn<int>("parity");
        QTest::newRow("8N1") << 8 << int(Parity::None);
        QTest::newRow("7E1") << 7 << int(Parity::Even);
    }
    void bytesPassUnchangedBothWays() {
        QFETCH(int, dataBits);
        QFETCH(int, parity);
        PtyPort line(dataBits, Parity(parity));
        auto& [pty, port] = line;
        Recorder recorder(port);
        // Line ends, XON/XOFF, NUL and high bytes: nothing may be translated or eaten.
        const QByteArray frame("\x00\x0D\x0A\x11\x13\xFF\x7F\x80:0103\r\n", 17);
        port.SendText(frame);
        QByteArray out;
        QTRY_VERIFY((out += pty.Received()).size() >= frame.size());
        QCOMPARE(out, frame);

        QVERIFY(pty.Send(frame));
        QByteArray in;
        QTRY_VERIFY([&] {
            for (const auto& note : std::exchange(recorder.notes, {}))
                for (int i = 0; i < note.count; ++i)
                    in.append(char(port.ReadChar()));
            return in.size() >= frame.size();
        }());
        QCOMPARE(in, frame);
    }

    void timerExpiresAfterItsTicks() {
        PtyPort line;
        auto& [pty, port] = line;
        Recorder recorder(port);
        const quint16 id = port.AddTimer();
        QElapsedTimer clock;
        port.SetTimer(id, 18, true);
        clock.start();
        QTRY_COMPARE_WITH_TIMEOUT(recorder.Expiries(id), 1, 5000);
        const qint64 elapsed = clock.elapsed();
        // 18 ticks of 55 ms, at most one tick more, plus the time to handle the event.
        QVERIFY2(elapsed >= 990, qPrintable(QString::number(elapsed)));
        QVERIFY2(elapsed < 1045 + 400, qPrintable(QString::number(elapsed)));
        // A timer expires once.
        QTest::qWait(200);
        QCOMPARE(recorder.Expiries(id), 1);
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
        auto& [lines, clock, port] = fake;
        Recorder recorder(port);
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
        auto& [lines, clock, port] = fake;
        Recorder recorder(port);
        const quint16 id = port.AddTimer();
        port.SetTimer(id, 10, true);
        clock.Advance(300); // past the wrap, well short of 10 ticks
        port.CheckTimers();
        QCoreApplication::processEvents();
        QCOMPARE(recorder.Expiries(id), 0);
        clock.Advance(11 * 55 + 55);
        port.CheckTimers();
        QTRY_COMPARE(recorder.Expiries(id), 1);
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
        auto& [lines, clock, port] = fake;
        Recorder recorder(port);
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
        auto& [lines, clock, port] = fake;
        Recorder recorder(port);
        const quint16 id = port.AddTimer();
        port.SetTimer(id, 1, true);
        clock.Advance(200);
        port.CheckTimers(); // expiry queued, not yet delivered
        lines.last->Reply("abc");
        port.SetOpen(false);
        QTest::qWait(50);
        QVERIFY(recorder.notes.isEmpty());
    }

    void notificationsAreInOrderAndNeverNested() {
        FakePort fake;
        auto& [lines, clock, port] = fake;
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
                QTimer::singleShot(50, &loop, &QEventLoop::quit);
                loop.exec();
            }
            inside = false;
        });
        lines.last->Reply("ab");
        QTRY_COMPARE(seen.size(), 3);
        QVERIFY(!nested);
        QCOMPARE(seen, (QStringList{"data2", "timer", "data2"}));
    }

    void selectionDialogChoosesPort() {
        PtyPair pty;
        UseDevice(2, pty.SlavePath());
        for (int n : {1, 3, 4, 5, 6, 7, 8})
            UseDevice(n, QStringLiteral("/dev/vrx-missing"));
        ScriptedDialogs dialogs;
        QStringList offered;
        dialogs.onExec = [&](QDialog& dialog) {
            auto* list = dialog.findChild<QComboBox*>(QStringLiteral("PortsComboBox"));
            for (int i = 0; i < list->count(); ++i)
                offered << list->itemText(i);
            list->setCurrentIndex(list->findText(QStringLiteral("COM2")));
            return int(QDialog::Accepted);
        };
        SerialPort port;
        QCOMPARE(port.ComNumber(), qint16(0));
        port.SetOpen(true);
        QVERIFY(port.Open());
        QCOMPARE(port.ComNumber(), qint16(2));
        QCOMPARE(dialogs.execCount, 1);
        QVERIFY(offered.contains(QStringLiteral("COM2")));
        QVERIFY(!offered.contains(QStringLiteral("COM1")));

        port.SetOpen(false);
        SerialPort cancelled;
        dialogs.onExec = [](QDialog&) { return int(QDialog::Rejected); };
        QVERIFY_THROWS_EXCEPTION(PortError, cancelled.SetOpen(true));
        QVERIFY(!cancelled.Open());
    }

    void selectionDialogListsPortsInUse() {
        PtyPair pty;
        UseDevice(12, pty.SlavePath());
        SerialPort holder;
        holder.SetComNumber(12);
        holder.SetOpen(true);
        ComSelectForm form(QStringList{}, nullptr);
        auto* list = form.findChild<QComboBox*>(QStringLiteral("PortsComboBox"));
        QVERIFY(list->findText(QStringLiteral("COM12")) >= 0);
        list->setCurrentIndex(list->findText(QStringLiteral("COM12")));
        QCOMPARE(form.ChosenNumber(QDialog::Accepted), 12);
        QCOMPARE(form.ChosenNumber(QDialog::Rejected), 0);
        qunsetenv("VRX_COM12");
    }

    void vanishingDeviceClosesThePort() {
        ScriptedDialogs dialogs;
        auto pty = std::make_unique<PtyPair>();
        UseDevice(1, pty->SlavePath());
        SerialPort port;
        port.SetComNumber(1);
        port.SetOpen(true);
        pty->CloseMaster();
        QTRY_VERIFY_WITH_TIMEOUT(!port.Open(), 5000);
        QTRY_COMPARE(dialogs.messages.size(), 1);
        QVERIFY(dialogs.messages.at(0).text.startsWith(QStringLiteral("COM1")));
        // The window can open its port again once a device is there.
        PtyPair fresh;
        UseDevice(1, fresh.SlavePath());
        port.SetOpen(true);
        QVERIFY(port.Open());
        QTest::qWait(100);
        QCOMPARE(dialogs.messages.size(), 1);
    }
};

VRX_TEST_MAIN(TestSerialPort)
#include "tst_serialport.moc"
