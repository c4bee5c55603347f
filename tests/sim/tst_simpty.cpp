// vrx-sim on its pseudo-terminal, in real time: a master killed while it held the line leaves
// nothing behind that keeps the next one out; a line pinned to a speed and format meets a master
// at other settings as a real line does.
#include "framecodec.h"
#include "helperprocess.h"

#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

using namespace vrx;
using namespace vrx::test;

namespace {

// A master as the program opens the line: 9600 baud, 7 data bits, even parity.
void Configure(QSerialPort& port) {
    port.setBaudRate(9600);
    port.setDataBits(QSerialPort::Data7);
    port.setParity(QSerialPort::EvenParity);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
}

// A master that holds the line for exclusive use with `settings`, in a process of its own that
// is killed before it can give anything back.
bool KillMasterHolding(const QString& link, const termios& settings) {
    int ready[2];
    if (::pipe(ready) != 0) return false;
    const QByteArray path = link.toLocal8Bit();
    const pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) {
        // Only system calls between fork and the end.
        const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY);
        if (fd >= 0) {
            ::ioctl(fd, TIOCEXCL);
            ::tcsetattr(fd, TCSANOW, &settings);
        }
        const char said = fd >= 0 ? 'y' : 'n';
        (void)!::write(ready[1], &said, 1);
        for (;;)
            ::pause();
    }
    ::close(ready[1]);
    pollfd wait{ready[0], POLLIN, 0};
    char said = 'n';
    const bool held = ::poll(&wait, 1, HelperBound) == 1 && ::read(ready[0], &said, 1) == 1;
    ::close(ready[0]);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    return held && said == 'y';
}

// Whether some program still holds the line for exclusive use.
int Exclusive(const QString& link) {
    const int fd = ::open(link.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return -1;
    int exclusive = -1;
    if (::ioctl(fd, TIOCGEXCL, &exclusive) != 0) exclusive = -1;
    ::close(fd);
    return exclusive;
}

} // namespace

class TestSimPty : public QObject {
    Q_OBJECT

private slots:
    void serveTheMasterAfterOneWasKilled() {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("vrx"));
        HelperProcess sim;
        QVERIFY(sim.Start(QStringLiteral(VRXSIM_PATH),
                          {"--link", link, "--mode", "ascii", "--addresses", "1"}));
        QVERIFY(WaitForFiles({link}));

        // The settings the program's line gives the pty, as it leaves them when it is killed.
        termios held{};
        {
            QSerialPort port(link);
            Configure(port);
            QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
            QCOMPARE(::tcgetattr(int(port.handle()), &held), 0);
        }
        QCOMPARE(Exclusive(link), 0);
        QVERIFY(KillMasterHolding(link, held));

        // The line is free again for anyone, and a master asking the same settings opens it and
        // is answered.
        QTRY_COMPARE_WITH_TIMEOUT(Exclusive(link), 0, 5000);
        QSerialPort port(link);
        Configure(port);
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
        const QByteArray request = ReadRequest(1, 0x4700, 2);
        QCOMPARE(port.write(request), request.size());
        QByteArray reply;
        QTRY_VERIFY_WITH_TIMEOUT((reply += port.readAll()).endsWith('\n'), HelperBound);
        QVERIFY2(reply.startsWith(":010304"), reply.constData());
    }

    // At another speed the line is silent; that the scan finds the controllers only at their own
    // speed shows it (tst_scan_sim), a wait for nothing here would only be a fixed sleep.
    void pinnedLineMeetsOtherSettings_data() {
        QTest::addColumn<int>("stopBits");
        QTest::addColumn<bool>("garbled");
        QTest::newRow("its own settings") << 1 << false;
        QTest::newRow("other stop bits") << 2 << true;
    }
    void pinnedLineMeetsOtherSettings() {
        QFETCH(int, stopBits);
        QFETCH(bool, garbled);
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("vrx"));
        HelperProcess sim;
        QVERIFY(sim.Start(QStringLiteral(VRXSIM_PATH),
                          {"--link", link, "--mode", "ascii", "--addresses", "1", "--options",
                           "baud=19200:format=7E1"}));
        QVERIFY(WaitForFiles({link}));
        QSerialPort port(link);
        Configure(port);
        port.setBaudRate(19200);
        port.setStopBits(stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
        const QByteArray request = ReadRequest(1, 0x4700, 1);
        QCOMPARE(port.write(request), request.size());
        QByteArray reply;
        QTRY_VERIFY_WITH_TIMEOUT((reply += port.readAll()).size() >= 15, HelperBound);
        if (!garbled) {
            QVERIFY2(reply.startsWith(":010302"), reply.constData());
        } else {
            QVERIFY2(!reply.contains(':') && !reply.contains('\n'), reply.toHex().constData());
            QVERIFY(CheckAsciiReply(reply, 1).status != ReplyStatus::Good);
        }
    }
};

QTEST_GUILESS_MAIN(TestSimPty)
#include "tst_simpty.moc"
