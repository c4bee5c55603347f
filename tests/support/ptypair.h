// A pseudo-terminal pair for tests: the port under test opens the slave path, the test plays the
// far end on the master side.
#pragma once

#include <QByteArray>
#include <QString>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace vrx::test {

class PtyPair {
public:
    PtyPair() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
        slave_ = QString::fromLocal8Bit(ptsname(master_));
        termios raw{};
        tcgetattr(master_, &raw);
        cfmakeraw(&raw);
        tcsetattr(master_, TCSANOW, &raw);
    }
    ~PtyPair() { CloseMaster(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool IsValid() const { return master_ >= 0 && !slave_.isEmpty(); }
    const QString& SlavePath() const { return slave_; }

    // Bytes as the far end sends them.
    bool Send(const QByteArray& bytes) {
        return ::write(master_, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }
    // Whatever has arrived from the port so far.
    QByteArray Received() {
        QByteArray all;
        char buffer[512];
        for (;;) {
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0) break;
            all.append(buffer, qsizetype(n));
        }
        return all;
    }
    // The line's settings, as the port on the slave set them: on the master side the terminal
    // calls reach the slave's settings.
    termios Settings() const {
        termios settings{};
        tcgetattr(master_, &settings);
        return settings;
    }
    // The line keeps these settings, as after a program killed while it held them.
    bool Keep(const termios& settings) { return tcsetattr(master_, TCSANOW, &settings) == 0; }
    // The far end goes away, as an unplugged adapter does.
    void CloseMaster() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
    }

private:
    int master_ = -1;
    QString slave_;
};

} // namespace vrx::test
