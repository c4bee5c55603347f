// The pseudo-terminal server behind vrx-sim.
#include "ptyserver.h"

#include "clock.h"
#include "controllerbus.h"
#include "demo.h"
#include "framereceiver.h"
#include "ptyline.h"

#include <QFile>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#ifdef __linux__
#include <sys/inotify.h>
#endif

namespace vrx::sim {

namespace {

QString SystemError(const char* what) {
    return QStringLiteral("%1: %2").arg(QString::fromLatin1(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

bool WriteAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        if (n < 0) return false;
        done += n;
    }
    return true;
}

// Owns the pty pair and the link, and gives them back in reverse order.
class Pty {
public:
    ~Pty() {
        if (linked_) ::unlink(link_.constData());
        if (watch_ >= 0) ::close(watch_);
        if (slave_ >= 0) ::close(slave_);
        if (master_ >= 0) ::close(master_);
    }

    bool Open(const QString& linkPath, QString* error) {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0) return Fail(error, "posix_openpt");
        if (::grantpt(master_) != 0) return Fail(error, "grantpt");
        if (::unlockpt(master_) != 0) return Fail(error, "unlockpt");
        const char* name = ::ptsname(master_);
        if (!name) return Fail(error, "ptsname");
        device_ = QString::fromLocal8Bit(name);
        // Holding the slave open keeps the master readable between clients; raw mode so the
        // line discipline neither echoes nor changes a byte.
        slave_ = ::open(name, O_RDWR | O_NOCTTY);
        if (slave_ < 0) return Fail(error, "open slave");
        if (::tcgetattr(slave_, &own_) != 0) return Fail(error, "tcgetattr");
        ::cfmakeraw(&own_);
        ::cfsetspeed(&own_, B9600);
        if (::tcsetattr(slave_, TCSANOW, &own_) != 0) return Fail(error, "tcsetattr");
        const int flags = ::fcntl(master_, F_GETFL);
        ::fcntl(master_, F_SETFL, flags | O_NONBLOCK);
#ifdef __linux__
        // Told of every close of the line by a master; ours stays open, so it is never told of.
        watch_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (watch_ < 0) return Fail(error, "inotify_init1");
        if (::inotify_add_watch(watch_, name, IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0)
            return Fail(error, "inotify_add_watch");
#endif

        link_ = QFile::encodeName(linkPath);
        struct stat st {};
        if (::lstat(link_.constData(), &st) == 0) {
            // A link left by an earlier run is replaced; anything else is not ours to remove.
            if (!S_ISLNK(st.st_mode)) {
                if (error)
                    *error = QStringLiteral("%1 exists and is not a symbolic link").arg(linkPath);
                return false;
            }
            ::unlink(link_.constData());
        }
        if (::symlink(name, link_.constData()) != 0) return Fail(error, "symlink");
        linked_ = true;
        return true;
    }

    int Master() const {
        return master_;
    }
    // Readable when a master has let go of the line; -1 where that cannot be told.
    int Releases() const {
        return watch_;
    }
    const QString& Device() const {
        return device_;
    }
    // The line as the master (the program on the slave side) set it up.
    vrx::sim::MasterLine MasterLine() const {
        termios t{};
        if (::tcgetattr(slave_, &t) != 0) return {};
        return PtyLineOf(unsigned(::cfgetospeed(&t)), unsigned(t.c_cflag));
    }

    // A master let go of the line. One that was killed left its exclusive use, which would
    // refuse every later master but root, and its settings, which a later master asking the same
    // is told it cannot have (nothing changes, so the pty's refusal of 7 bits or parity stands
    // alone). The line goes back to how it was made. A master that opened the line at the very
    // moment loses its exclusive use; the bytes pass raw all the same.
    void Released() {
        char events[4096];
        while (::read(watch_, events, sizeof events) > 0) {
        }
        ::ioctl(slave_, TIOCNXCL);
        ::tcsetattr(slave_, TCSANOW, &own_);
    }

private:
    static bool Fail(QString* error, const char* what) {
        if (error) *error = SystemError(what);
        return false;
    }

    int master_ = -1;
    int slave_ = -1;
    int watch_ = -1;
    termios own_{};
    QString device_;
    QByteArray link_;
    bool linked_ = false;
};

} // namespace

int RunPtyServer(const PtyServerConfig& config, volatile std::sig_atomic_t* stop, QString* printed,
                 QString* error) {
    Pty pty;
    if (!pty.Open(config.linkPath, error)) return 1;
    if (printed) *printed = pty.Device();
    std::printf("%s\n", qPrintable(pty.Device()));
    std::fflush(stdout);

    ControllerBus bus(MakeControllers(config.options), config.options.speed);
    for (const Fault& fault : config.options.faults)
        bus.Faults().Add(fault);
    FrameReceiver receiver(config.options.mode);

    // The master's line as it was when the last bytes came: what they were sent at.
    MasterLine lineOfBytes;
    auto answer = [&](const ReceivedFrame& frame) {
        // A controller pinned to a speed or format meets a master at another as a real line
        // does, as far as the pty tells the master's line.
        const LineFit fit = FitOf(config.options, lineOfBytes);
        if (fit == LineFit::Silent) return;
        bus.CatchUp(SteadyClock::Instance().Micros());
        const std::vector<ReplyPiece> pieces = bus.Respond(frame);
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            const int wait = pieces[i].delayMs + (i == 0 ? config.options.turnaroundMs : 0);
            if (wait > 0) std::this_thread::sleep_for(std::chrono::milliseconds(wait));
            const QByteArray bytes =
                fit == LineFit::Garbled ? Garbled(pieces[i].bytes) : pieces[i].bytes;
            if (!WriteAll(pty.Master(), bytes)) return;
        }
    };

    char buffer[512];
    while (!*stop) {
        pollfd pfd[]{{pty.Master(), POLLIN, 0}, {pty.Releases(), POLLIN, 0}};
        // While a frame is open, wait only for the silence that may end it.
        const int timeout = receiver.Pending() ? config.silenceMs : 100;
        const int ready = ::poll(pfd, pty.Releases() >= 0 ? 2 : 1, timeout);
        if (ready < 0) {
            if (errno == EINTR) continue;
            if (error) *error = SystemError("poll");
            return 1;
        }
        if (ready == 0) {
            if (const auto frame = receiver.Silence()) answer(*frame);
            continue;
        }
        if (pfd[1].revents & POLLIN) pty.Released();
        if ((pfd[0].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
        const ssize_t n = ::read(pty.Master(), buffer, sizeof buffer);
        if (n <= 0) {
            // No client holds the slave (EIO) or nothing after all: try again shortly.
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        lineOfBytes = pty.MasterLine();
        for (const ReceivedFrame& frame : receiver.Feed(QByteArray(buffer, int(n))))
            answer(frame);
    }
    return 0;
}

} // namespace vrx::sim
