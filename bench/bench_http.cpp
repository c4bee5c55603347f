// The recorder's HTTP side, in real time: eight simulated controllers on the in-process line
// paced at 9600 baud, RTU, recorded every second with --http. Prints a scrape's own time (the
// status taken and the metrics text made, and the page's JSON) with eight devices, a whole
// scrape over loopback, the recording's intervals without scrapes and with 100 scrapes a second,
// the JSON's size and the recorder's memory.
//
// bench_http [seconds]   (default 60)
#include "benchfigures.h"
#include "comsettings.h"
#include "headlessrecorder.h"
#include "simulatedline.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include <time.h>

using namespace vrx;
using namespace vrx::bench;

namespace {

// This thread's CPU time: what a scrape costs the recorder, without the moments another process
// had the core.
double ThreadCpuUs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e6 + double(t.tv_nsec) / 1e3;
}

LineSettings Rtu9600() {
    ComSelections settings;
    settings.modBus = 1;
    settings.baudRate = 2; // 9600
    settings.bitLen = 1;
    settings.parity = 0;
    return ToLineSettings(settings);
}

// A Prometheus of our own: one keep-alive connection, a GET /metrics every `everyMs`, each
// answer read whole before the next is due.
struct Scraper {
    QTcpSocket socket;
    QByteArray pending;
    QElapsedTimer sent;
    std::vector<double> latencyMs;
    qint64 scrapes = 0;
    bool waiting = false;

    void Ask() {
        if (waiting || socket.state() != QAbstractSocket::ConnectedState) return;
        waiting = true;
        sent.start();
        socket.write("GET /metrics HTTP/1.1\r\nHost: bench\r\n\r\n");
    }
    void Read() {
        pending += socket.readAll();
        const qsizetype end = pending.indexOf("\r\n\r\n");
        if (end < 0) return;
        const qsizetype at = pending.indexOf("Content-Length: ");
        const qsizetype length =
            pending.mid(at + 16, pending.indexOf('\r', at) - at - 16).toLongLong();
        if (pending.size() < end + 4 + length) return;
        pending.remove(0, end + 4 + length);
        latencyMs.push_back(double(sent.nsecsElapsed()) / 1e6);
        ++scrapes;
        waiting = false;
    }
};

struct Run {
    std::vector<double> intervalMs;
    int missed = 0;
    std::vector<double> scrapeMs;
    qint64 scrapes = 0;
};

// Records for `seconds`, scraped every `everyMs` (0: not scraped).
Run Record(int seconds, int everyMs, const QString& folder) {
    RecordOptions options;
    options.com = 1;
    options.addresses = {1, 2, 3, 4, 5, 6, 7, 8};
    options.outDir = folder;
    options.http = ServeAddress{};
    HeadlessRecorder recorder(options, std::nullopt);
    QString error;
    if (!recorder.Start(1, Rtu9600(), &error)) {
        std::printf("%s\n", qPrintable(error));
        return {};
    }
    Run run;
    QElapsedTimer clock;
    double lastDone = -1;
    int cycles = 0;
    QObject::connect(&recorder.Engine(), &RecordEngine::cycleCompleted, &recorder,
                     [&](const CycleReport& report) {
                         if (report.missed) {
                             ++run.missed;
                             return;
                         }
                         // The first cycle runs at the start, not on a tick: the intervals
                         // count from the second.
                         const double now = double(clock.nsecsElapsed()) / 1e6;
                         if (lastDone >= 0 && ++cycles > 1)
                             run.intervalMs.push_back(now - lastDone);
                         lastDone = now;
                     });
    Scraper scraper;
    QTimer tick;
    if (everyMs > 0) {
        QObject::connect(&scraper.socket, &QTcpSocket::readyRead, &recorder,
                         [&scraper] { scraper.Read(); });
        scraper.socket.connectToHost(QHostAddress::LocalHost, recorder.Http()->Port());
        tick.setTimerType(Qt::PreciseTimer);
        QObject::connect(&tick, &QTimer::timeout, &recorder, [&scraper] { scraper.Ask(); });
        tick.start(everyMs);
    }
    clock.start();
    QTimer::singleShot(seconds * 1000, &recorder, [] { QCoreApplication::quit(); });
    QCoreApplication::exec();
    run.scrapeMs = scraper.latencyMs;
    run.scrapes = scraper.scrapes;
    recorder.Stop();
    return run;
}

void PrintIntervals(const char* what, const Run& run) {
    std::vector<double> off;
    for (const double ms : run.intervalMs)
        off.push_back(std::abs(ms - 1000.0));
    std::printf("%s: %zu intervals, %d samples missed\n", what, run.intervalMs.size(), run.missed);
    Print("interval", SpreadOf(run.intervalMs));
    Print("off the second by", SpreadOf(off));
}

// A scrape's own time: what the server does on the event loop for one request, with eight
// devices that have answered.
void OwnTime(const QString& folder) {
    RecordOptions options;
    options.com = 1;
    options.addresses = {1, 2, 3, 4, 5, 6, 7, 8};
    options.outDir = folder;
    HeadlessRecorder recorder(options, std::nullopt);
    QString error;
    if (!recorder.Start(1, Rtu9600(), &error)) return;
    QTimer::singleShot(3500, &recorder, [] { QCoreApplication::quit(); });
    QCoreApplication::exec();
    std::vector<double> metricsUs, metricsCpuUs, stateUs, stateCpuUs;
    qsizetype metricsBytes = 0, stateBytes = 0;
    for (int i = 0; i < 20000; ++i) {
        QElapsedTimer t;
        t.start();
        double cpu = ThreadCpuUs();
        const QByteArray metrics = MetricsText(recorder.Status());
        metricsCpuUs.push_back(ThreadCpuUs() - cpu);
        metricsUs.push_back(double(t.nsecsElapsed()) / 1e3);
        t.start();
        cpu = ThreadCpuUs();
        const QByteArray state = StateJson(recorder.Status());
        stateCpuUs.push_back(ThreadCpuUs() - cpu);
        stateUs.push_back(double(t.nsecsElapsed()) / 1e3);
        metricsBytes = metrics.size();
        stateBytes = state.size();
    }
    recorder.Stop();
    std::printf("A scrape's own time with 8 devices (the status taken and the text made), 20000 "
                "times; wall time counts the moments other processes had the core:\n");
    Print("/metrics, CPU", SpreadOf(metricsCpuUs), "us");
    Print("/metrics, wall", SpreadOf(metricsUs), "us");
    Print("/api/state, CPU", SpreadOf(stateCpuUs), "us");
    Print("/api/state, wall", SpreadOf(stateUs), "us");
    std::printf("  /metrics %lld bytes; /api/state %lld bytes (goal < 2048)\n",
                static_cast<long long>(metricsBytes), static_cast<long long>(stateBytes));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    sim::InstallSimulatedLine();
    qputenv("VRX_COM1", "sim:addresses=1-8:preset=factory");
    QTemporaryDir folder;
    OwnTime(folder.filePath(QStringLiteral("own")));
    const Run quiet = Record(seconds, 0, folder.filePath(QStringLiteral("quiet")));
    PrintIntervals("Recording 8 devices every second, not scraped", quiet);
    const long rssQuiet = RssKb();
    const Run scraped = Record(seconds, 10, folder.filePath(QStringLiteral("scraped")));
    PrintIntervals("The same, scraped 100 times a second", scraped);
    std::printf("  %lld scrapes in %d s\n", static_cast<long long>(scraped.scrapes), seconds);
    Print("whole scrape over loopback", SpreadOf(scraped.scrapeMs));
    std::printf("RSS of the recorder with the server: %ld KB after the quiet run, %ld KB after "
                "the scraped one (goal < 30 MB)\n",
                rssQuiet, RssKb());
    return 0;
}
