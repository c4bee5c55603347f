// What keeping the traffic costs each frame: a request and its reply (in two chunks) through a
// port's log into the traffic feed, with the traffic window closed and the vrx.line log off, as
// on every exchange of every tool; and the same with the window's model taking the frames in.
// Then the event loop's stalls while a peer streams 10,000 frames a second into a `tcp:` line,
// with the traffic window closed and open (--stall_seconds=N each, 5 by default; 0 skips it);
// and the program's resident size while a peer streams 200 MiB without a frame end into a
// `tcp:` line (--stream_mib=N; 0 skips it).
#include "framecodec.h"
#include "linelog.h"
#include "serialport.h"
#include "trafficwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSpinBox>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const QByteArray Request = vrx::ReadRequest(1, 0x4700, 2);
const QByteArray ReplyHead = ":01030400";
const QByteArray ReplyTail = "FA012CD1\r\n";

// Per iteration: two frames (the request, the reply).
void BM_FramesWindowClosed(benchmark::State& state) {
    vrx::LineLog log;
    for (auto _ : state) {
        log.Sent(1, Request);
        log.Received(1, ReplyHead);
        log.Received(1, ReplyTail);
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_FramesWindowClosed);

void BM_FramesWindowOpen(benchmark::State& state) {
    vrx::LineLog log;
    vrx::TrafficModel model(vrx::TrafficFeed::Instance());
    int n = 0;
    for (auto _ : state) {
        log.Sent(1, Request);
        log.Received(1, ReplyHead);
        log.Received(1, ReplyTail);
        // The window takes what is new five times a second: about every 20th exchange on a
        // busy line.
        if (++n % 20 == 0) model.Refresh();
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_FramesWindowOpen);

// A transparent serial server on loopback, in a thread of its own, that sends one reply frame
// every 100 us to whoever connects, until stopped; or, given a size, that many bytes of it (the
// frame repeated) as fast as they go.
class StreamingPeer {
public:
    explicit StreamingPeer(QByteArray frame, qint64 bulk = 0)
        : frame_(std::move(frame)), bulk_(bulk) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 1);
        socklen_t length = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~StreamingPeer() {
        stop_ = true;
        ::shutdown(listener_, SHUT_RDWR);
        thread_.join();
        ::close(listener_);
    }
    int Port() const { return port_; }

private:
    void Serve() {
        const int peer = ::accept(listener_, nullptr, nullptr);
        if (peer < 0) return;
        const int on = 1;
        ::setsockopt(peer, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        const QByteArray& frame = frame_;
        for (qint64 sent = 0; sent < bulk_ && !stop_;) {
            const ssize_t n =
                ::send(peer, frame.constData(),
                       size_t(std::min<qint64>(frame.size(), bulk_ - sent)), MSG_NOSIGNAL);
            if (n < 0) break;
            sent += n;
        }
        while (bulk_ > 0 && !stop_)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        auto next = std::chrono::steady_clock::now();
        while (!stop_) {
            next += std::chrono::microseconds(100);
            std::this_thread::sleep_until(next);
            if (::send(peer, frame.constData(), size_t(frame.size()), MSG_NOSIGNAL) < 0) break;
        }
        ::close(peer);
    }

    const QByteArray frame_;
    const qint64 bulk_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

struct Stalls {
    double p50Ms = 0, p99Ms = 0, maxMs = 0, framesPerSecond = 0;
};

// How late a 1 ms timer fires over `seconds`, while what else runs in the loop runs.
Stalls MeasureStalls(int seconds) {
    std::vector<double> late;
    QElapsedTimer clock;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(1);
    qint64 last = -1;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (last >= 0) late.push_back(std::max(0.0, double(now - last) / 1e6 - 1.0));
        last = now;
    });
    const quint64 before = vrx::TrafficFeed::Instance().Frames().Added();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    clock.start();
    probe.start();
    loop.exec();
    probe.stop();
    const quint64 frames = vrx::TrafficFeed::Instance().Frames().Added() - before;
    std::sort(late.begin(), late.end());
    const auto at = [&](double q) {
        return late.empty() ? 0.0 : late[size_t(q * (late.size() - 1))];
    };
    return {at(0.5), at(0.99), late.empty() ? 0.0 : late.back(),
            double(frames) * 1e9 / double(clock.nsecsElapsed())};
}

void PrintStalls(const char* name, const Stalls& s) {
    std::printf("%-36s stall p50 %7.2f ms  p99 %7.2f ms  max %8.2f ms  entries/s %6.0f\n", name,
                s.p50Ms, s.p99Ms, s.maxMs, s.framesPerSecond);
}

// A peer streams `frame` every 100 us into COM1 over tcp:, while a tool sends a request every
// 100 ms (each send ends the reply gathered so far).
void StreamStalls(const char* what, const QByteArray& frame, int seconds) {
    StreamingPeer peer(frame);
    qputenv("VRX_COM1", QByteArray("tcp:127.0.0.1:") + QByteArray::number(peer.Port()));
    vrx::SerialPort port;
    port.SetComNumber(1);
    port.SetOpen(true);
    // The reader a tool would be: what arrives is taken.
    QObject::connect(&port, &vrx::SerialPort::Notify, &port, [&port] { port.TakeInput(); });
    QElapsedTimer wait;
    wait.start();
    while (!port.Connected() && wait.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QTimer requests;
    requests.setInterval(100);
    QObject::connect(&requests, &QTimer::timeout, [&port] { port.SendText(Request); });
    requests.start();
    vrx::TrafficFeed::Instance().Clear();
    std::printf("\nA peer streams %s every 100 us into tcp:, a request sent every 100 ms:\n", what);
    PrintStalls("window closed", MeasureStalls(seconds));
    {
        vrx::TrafficForm form;
        form.show();
        PrintStalls("window open", MeasureStalls(seconds));
    }
    port.SetOpen(false);
}

qint64 RssKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

// A peer streams `megabytes` without a frame end into a tcp: line; the program's resident size
// before, once all has come, and once the line has closed (the entry ended).
void StreamMemory(int megabytes) {
    const qint64 total = qint64(megabytes) * 1024 * 1024;
    StreamingPeer peer(QByteArray(65536, 'x'), total);
    qputenv("VRX_COM1", QByteArray("tcp:127.0.0.1:") + QByteArray::number(peer.Port()));
    vrx::TrafficFeed::Instance().Clear();
    const qint64 before = RssKiB();
    vrx::SerialPort port;
    port.SetComNumber(1);
    port.SetOpen(true);
    qint64 taken = 0;
    QObject::connect(&port, &vrx::SerialPort::Notify, &port,
                     [&] { taken += port.TakeInput().size(); });
    QElapsedTimer wait;
    wait.start();
    while (taken < total && wait.elapsed() < 120000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    const qint64 streamed = RssKiB();
    port.SetOpen(false);
    std::printf("\n%d MiB without a frame end into tcp: (%.1f s): resident %lld MiB before, %lld "
                "MiB when all has come, %lld MiB after the close; the entry keeps %lld bytes\n",
                megabytes, double(wait.elapsed()) / 1000, before / 1024, streamed / 1024,
                RssKiB() / 1024,
                vrx::TrafficFeed::Instance().Frames().Size() > 0
                    ? qint64(vrx::TrafficFeed::Instance().Frames().At(0).bytes.size())
                    : 0);
}

void RunStalls(int seconds) {
    std::printf("\nThe event loop's stalls (a 1 ms timer's lateness) over %d s each, and the "
                "entries a second into the traffic feed.\n",
                seconds);
    StreamStalls("an ASCII reply (LF-ended)", ReplyHead + ReplyTail, seconds);
    StreamStalls("an RTU reply (no LF)", vrx::AsciiToRtu(ReplyHead + ReplyTail), seconds);

    // The same rate without TCP joining frames into bigger chunks: exchanges logged in the
    // loop, ten frames every millisecond, as a tool polling a fast line would.
    vrx::LineLog log;
    QTimer exchanges;
    exchanges.setTimerType(Qt::PreciseTimer);
    exchanges.setInterval(1);
    QObject::connect(&exchanges, &QTimer::timeout, [&log] {
        for (int i = 0; i < 5; ++i) {
            log.Sent(1, Request);
            log.Received(1, ReplyHead + ReplyTail);
        }
    });
    exchanges.start();
    std::printf("\nExchanges logged in the loop, ten frames every ms:\n");
    PrintStalls("logged: window closed", MeasureStalls(seconds));
    vrx::TrafficForm form;
    form.show();
    PrintStalls("logged: window open", MeasureStalls(seconds));
    form.AddressBox->setValue(1);
    PrintStalls("logged: window open, address 1", MeasureStalls(seconds));
}

} // namespace

int main(int argc, char** argv) {
    int stallSeconds = 5;
    int streamMegabytes = 200;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--stall_seconds=", 16) == 0)
            stallSeconds = std::atoi(argv[i] + 16);
        else if (std::strncmp(argv[i], "--stream_mib=", 13) == 0)
            streamMegabytes = std::atoi(argv[i] + 13);
        else
            rest.push_back(argv[i]);
    }
    int restCount = int(rest.size());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(restCount, rest.data());
    benchmark::Initialize(&restCount, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    if (stallSeconds > 0) RunStalls(stallSeconds);
    if (streamMegabytes > 0) StreamMemory(streamMegabytes);
    return 0;
}
