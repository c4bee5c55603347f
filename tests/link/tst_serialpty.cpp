// SerialPort on real pseudo-terminals, in real time: exclusive opening, bytes passing unchanged,
// notifications as bytes arrive, the reply timer on the machine's clock, a vanishing device.
#include "errorlog.h"
#include "errors.h"
#include "portnotes.h"
#include "ptypair.h"
#include "serialport.h"

#include <QElapsedTimer>
#include <QScopeGuard>
#include <QSerialPort>
#include <QTest>

using namespace vrx;
using namespace vrx::test;

namespace {

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

} // namespace

class TestSerialPty : public QObject {
    Q_OBJECT

private slots:
    void init() { ForgetComDevices(); }

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

    // A device another program holds is named as such at once, not as a missing port.
    void busyDeviceIsSaidToBeInUse() {
        PtyPair pty;
        QVERIFY(pty.IsValid());
        QSerialPort other(pty.SlavePath());
        QVERIFY2(other.open(QIODevice::ReadWrite), qPrintable(other.errorString()));
        UseDevice(1, pty.SlavePath());
        SerialPort port;
        port.SetComNumber(1);
        try {
            port.SetOpen(true);
            QFAIL("a held device opened");
        } catch (const PortBusyError& busy) {
            QCOMPARE(busy.text(), "COM1 (" + pty.SlavePath() + ") is in use by another program");
        }
        QVERIFY(!port.Open());
        other.close();
        port.SetOpen(true);
        QVERIFY(port.Open());
    }

    void bytesArrivingTogetherMakeOneNotification() {
        PtyPort line;
        auto& pty = line.pty;
        auto& port = line.port;
        NoteRecorder recorder(port);
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
        auto& pty = line.pty;
        auto& port = line.port;
        NoteRecorder recorder(port);
        // Line ends, XON/XOFF, NUL and high bytes: nothing may be translated or eaten.
        static const char bytes[] = "\x00\x0D\x0A\x11\x13\xFF\x7F\x80:0103\r\n";
        const QByteArray frame(bytes, sizeof bytes - 1); // the NUL at the start is data
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

    // A pty has only 8 data bits and no parity, and says so (EINVAL) when nothing else changes,
    // as when it still holds the settings of a program killed while it had the line open with
    // the same format. The line opens all the same with whatever the pty takes, says once what
    // it refused, and bytes pass unchanged.
    void ptyOpensWhateverItRefuses_data() {
        QTest::addColumn<bool>("leftByKilled");
        QTest::addColumn<int>("dataBits");
        QTest::addColumn<int>("parity");
        QTest::addColumn<QString>("refused");
        for (const bool left : {false, true}) {
            const QByteArray where = left ? ", left by a killed master" : ", fresh";
            QTest::newRow("7E1" + where)
                << left << 7 << int(Parity::Even) << "7 data bits, even parity";
            QTest::newRow("7O1" + where)
                << left << 7 << int(Parity::Odd) << "7 data bits, odd parity";
            QTest::newRow("8E1" + where) << left << 8 << int(Parity::Even) << "even parity";
            QTest::newRow("8N1" + where) << left << 8 << int(Parity::None) << "";
        }
    }
    void ptyOpensWhateverItRefuses() {
        QFETCH(bool, leftByKilled);
        QFETCH(int, dataBits);
        QFETCH(int, parity);
        QFETCH(QString, refused);
        PtyPair pty;
        QVERIFY(pty.IsValid());
        if (leftByKilled) {
            QSerialPort killed(pty.SlavePath());
            killed.setDataBits(QSerialPort::DataBits(dataBits));
            killed.setParity(parity == int(Parity::Even)  ? QSerialPort::EvenParity
                             : parity == int(Parity::Odd) ? QSerialPort::OddParity
                                                          : QSerialPort::NoParity);
            QVERIFY2(killed.open(QIODevice::ReadWrite), qPrintable(killed.errorString()));
            const termios held = pty.Settings();
            killed.close();
            QVERIFY(pty.Keep(held));
        }
        static QStringList logged;
        logged.clear();
        const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext& context, const QString& text) {
                if (QByteArray(context.category) == "vrx.line") logged << text;
            });
        const auto restore = qScopeGuard([previous] { qInstallMessageHandler(previous); });
        UseDevice(1, pty.SlavePath());
        SerialPort port;
        port.SetComNumber(1);
        port.SetDataBits(qint16(dataBits));
        port.SetParity(Parity(parity));
        port.SetOpen(true);
        QVERIFY(port.Open());
        // Settings applied again to the open line add nothing to what was said.
        port.SetStopBits(2);
        port.SetBaud(19200);
        const QStringList said =
            refused.isEmpty()
                ? QStringList()
                : QStringList{pty.SlavePath() + " is a pseudo-terminal and does not take " +
                              refused + "; it carries the bytes unchanged all the same"};
        QCOMPARE(logged, said);

        const QByteArray frame("\x00\xFF\x80:0103\r\n", 10);
        port.SendText(frame);
        QByteArray out;
        QTRY_VERIFY((out += pty.Received()).size() >= frame.size());
        QCOMPARE(out, frame);
    }

    void timerExpiresAfterItsTicks() {
        PtyPort line;
        auto& port = line.port;
        NoteRecorder recorder(port);
        const quint16 id = port.AddTimer();
        QElapsedTimer clock;
        port.SetTimer(id, 18, true);
        clock.start();
        QTRY_COMPARE_WITH_TIMEOUT(recorder.Expiries(id), 1, 5000);
        const qint64 elapsed = clock.elapsed();
        // 18 ticks of 55 ms, at most one tick more, plus the time to handle the event.
        QVERIFY2(elapsed >= 990, qPrintable(QString::number(elapsed)));
        QVERIFY2(elapsed < 1045 + 400, qPrintable(QString::number(elapsed)));
    }

    void vanishingDeviceClosesThePort() {
        ErrorLog errors;
        auto pty = std::make_unique<PtyPair>();
        UseDevice(1, pty->SlavePath());
        SerialPort port;
        port.SetComNumber(1);
        port.SetOpen(true);
        pty->CloseMaster();
        QTRY_VERIFY_WITH_TIMEOUT(!port.Open(), 5000);
        QTRY_COMPARE(errors.texts.size(), 1);
        QVERIFY(errors.texts.at(0).startsWith(QStringLiteral("COM1")));
        // The window can open its port again once a device is there.
        PtyPair fresh;
        UseDevice(1, fresh.SlavePath());
        port.SetOpen(true);
        QVERIFY(port.Open());
        QCoreApplication::processEvents();
        ManualClock::DeliverPostedEvents();
        QCOMPARE(errors.texts.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestSerialPty)
#include "tst_serialpty.moc"
