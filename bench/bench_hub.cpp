// The recorder's line shared with Modbus TCP masters, in real time: eight simulated controllers
// on the in-process line paced at 9600 baud, RTU, recorded every second, and masters on
// loopback asking flat out for two registers each. Prints the recording's intervals and missed
// samples, each master's share, the line's exchanges a second against its limit, the wait a
// lone master's request adds to its own exchange, CPU and memory; then the hub's own time per
// served exchange on a line that answers at once.
//
// bench_hub [seconds] [masters]   (default 60 and 4)
#include "benchfigures.h"
#include "comsettings.h"
#include "errors.h"
#include "framecodec.h"
#include "hubserver.h"
#include "recordengine.h"
#include "simulatedline.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace vrx;
using namespace vrx::bench;

namespace {

LineSettings Rtu9600() {
    ComSelections settings;
    settings.modBus = 1;
    settings.baudRate = 2; // 9600
    settings.bitLen = 1;
    settings.parity = 0;
    return ToLineSettings(settings);
}

// One exchange of a two-register read on the line: 8 bytes out, 9 back, 11 bits each, and the
// 3.5 characters of silence Modbus mandates between frames.
double ExchangeLineMs(double baud) {
    return (8 + 9 + 3.5) * 11 * 1000.0 / baud;
}

// A master that asks again as soon as it is answered, station after station.
struct Master {
    QTcpSocket socket;
    quint16 transaction = 0;
    int station = 0;
    QByteArray pending;
    QElapsedTimer sent;
    std::vector<double> latencyMs;
    int exceptions = 0;
    bool running = true;

    void Ask() {
        if (!running) return;
        station = station % 8 + 1;
        sent.start();
        socket.write(EncodeMbap({++transaction, station, QByteArray::fromHex("0347000002")}));
    }
    void Read() {
        pending += socket.readAll();
        // Each answer as long as its MBAP header says: an exception is shorter than the
        // registers.
        while (pending.size() >= 9) {
            const qsizetype length =
                6 + (qsizetype(quint8(pending.at(4))) << 8 | qsizetype(quint8(pending.at(5))));
            if (pending.size() < length) return;
            // An exception comes at once from a resting station: no exchange to time.
            if (quint8(pending.at(7)) & 0x80)
                ++exceptions;
            else
                latencyMs.push_back(double(sent.nsecsElapsed()) / 1e6);
            pending.remove(0, length);
            Ask();
        }
    }
};

void Shared(int seconds, int masters) {
    LineOwner line;
    const LineSettings settings = Rtu9600();
    try {
        line.Open(QString::fromLatin1(RecordEngine::LineTool), 1, settings);
    } catch (const Error&) {
        std::printf("COM1 did not open\n");
        return;
    }
    RecordEngine engine(line);
    engine.SetLineSettings(settings);
    engine.SetEarlyRtuEnd(true);
    LineHub::Settings hubSettings;
    hubSettings.timing = ReplyTiming{RecordEngine::ReplyTicks(settings), RecordEngine::SilenceTicks,
                                     ReplyTiming{}.frameTicks};
    LineHub hub(line, hubSettings);
    HubServer server(hub, HubServer::Limits{});
    QString error;
    if (!server.Listen({ServeAddress{}}, &error)) {
        std::printf("%s\n", qPrintable(error));
        return;
    }

    std::vector<std::unique_ptr<Master>> clients;
    for (int i = 0; i < masters; ++i) {
        auto m = std::make_unique<Master>();
        m->station = i;
        Master* raw = m.get();
        QObject::connect(&m->socket, &QTcpSocket::readyRead, &engine, [raw] { raw->Read(); });
        QObject::connect(&m->socket, &QTcpSocket::connected, &engine, [raw] { raw->Ask(); });
        m->socket.connectToHost(QHostAddress::LocalHost, server.Ports().first());
        clients.push_back(std::move(m));
    }

    QElapsedTimer clock;
    std::vector<double> intervalMs;
    double lastDone = -1;
    int missed = 0, cycles = 0;
    QObject::connect(&engine, &RecordEngine::cycleCompleted, &engine, [&](const CycleReport& r) {
        if (r.missed) {
            ++missed;
            return;
        }
        const double now = double(clock.nsecsElapsed()) / 1e6;
        if (lastDone >= 0) intervalMs.push_back(now - lastDone);
        lastDone = now;
        ++cycles;
    });
    const double cpuBefore = CpuSeconds();
    clock.start();
    engine.Start({1, 2, 3, 4, 5, 6, 7, 8}, 1);
    QTimer::singleShot(seconds * 1000, &engine, [&] {
        for (auto& m : clients)
            m->running = false;
        engine.Stop();
        QCoreApplication::quit();
    });
    QCoreApplication::exec();
    const double elapsed = double(clock.nsecsElapsed()) / 1e9;
    const double cpu = CpuSeconds() - cpuBefore;

    std::printf("%d master(s) asking flat out for %d s beside 8 devices recorded every 1 s, RTU "
                "9600:\n",
                masters, seconds);
    std::printf("  recording: %d cycles, %d samples missed\n", cycles, missed);
    Print("interval between cycles", SpreadOf(intervalMs));
    std::vector<double> shares;
    std::vector<double> latencies;
    int exceptions = 0;
    for (const auto& m : clients) {
        exceptions += m->exceptions;
        shares.push_back(double(m->latencyMs.size()));
        latencies.insert(latencies.end(), m->latencyMs.begin(), m->latencyMs.end());
    }
    const auto [least, most] = std::minmax_element(shares.begin(), shares.end());
    std::printf("  masters answered: least %.0f, most %.0f (most/least %.3f), %d exception(s)\n",
                *least, *most, *least > 0 ? *most / *least : 0.0, exceptions);
    // The recording's exchanges and the served ones, all two-register reads.
    const double exchanges = double(cycles) * 8 + double(hub.Tally().served);
    const double limit = 1000.0 / ExchangeLineMs(9600);
    std::printf("  line: %.1f exchanges/s; its limit %.1f/s (%.1f ms each); %.1f %%\n",
                exchanges / elapsed, limit, ExchangeLineMs(9600),
                100.0 * exchanges / elapsed / limit);
    Print("master's request to answer", SpreadOf(latencies));
    if (masters == 1 && !latencies.empty()) {
        // Its own exchange is what it takes when nothing else is on the line: the quickest.
        const double alone = *std::min_element(latencies.begin(), latencies.end());
        std::vector<double> added;
        for (const double l : latencies)
            added.push_back(l - alone);
        Print("wait added to its own exchange", SpreadOf(added));
        std::printf(
            "  (its own exchange alone %.1f ms; the recorder's exchanges take as long: two\n"
            "  registers of a station each; %.1f ms by bytes and one gap)\n",
            alone, ExchangeLineMs(9600));
    }
    std::printf("  CPU %.2f %% of a core, RSS %ld kB\n", 100.0 * cpu / elapsed, RssKb());
}

// A line that answers every read at once, for the hub's own time.
class InstantLine final : public LineDevice {
public:
    bool Open(const LineSettings&, QString*) override { return open_ = true; }
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }
    bool Apply(const LineSettings&, QString*) override { return true; }
    bool Write(const QByteArray& bytes) override {
        QByteArray reply;
        reply.append(bytes.at(0)).append(QByteArray::fromHex("030400FA012C"));
        incoming_ = reply + ModbusCrc(reply);
        QMetaObject::invokeMethod(this, &LineDevice::readyRead, Qt::QueuedConnection);
        return true;
    }
    QByteArray ReadAll() override { return std::exchange(incoming_, {}); }
    QString Name() const override { return QStringLiteral("instant line"); }

private:
    bool open_ = false;
    QByteArray incoming_;
};

void OwnTime(int rounds) {
    QElapsedTimer clock;
    // The reply's bytes are read from here on.
    InstallSimulatedLineFactory([&clock](const QString&, QObject*) {
        auto device = std::make_unique<InstantLine>();
        QObject::connect(device.get(), &LineDevice::readyRead, device.get(),
                         [&clock] { clock.restart(); });
        return std::unique_ptr<LineDevice>(std::move(device));
    });
    LineOwner line;
    line.Open(QStringLiteral("Recorder"), 1, Rtu9600());
    LineHub::Settings settings;
    settings.timing = ReplyTiming{18, 0, 18};
    LineHub hub(line, settings);
    std::vector<double> takeUs, answerUs;
    double answeredAt = 0;
    const quint64 master = hub.AddMaster(QStringLiteral("bench"), [&](const MbapAdu& adu) {
        const QByteArray bytes = EncodeMbap(adu);
        answeredAt = double(clock.nsecsElapsed()) / 1e3;
        Q_UNUSED(bytes);
    });
    for (int i = 0; i < rounds; ++i) {
        const MbapAdu adu{quint16(i), i % 8 + 1, QByteArray::fromHex("0347000002")};
        QElapsedTimer take;
        take.start();
        hub.Take(master, adu);
        takeUs.push_back(double(take.nsecsElapsed()) / 1e3);
        answeredAt = -1;
        while (answeredAt < 0)
            QCoreApplication::processEvents();
        answerUs.push_back(answeredAt);
    }
    std::printf("The hub's own time per served exchange, %d exchanges on a line that answers at "
                "once:\n",
                rounds);
    Print("request taken to frame written", SpreadOf(takeUs), "us");
    Print("reply read to MBAP answer made", SpreadOf(answerUs), "us");
    InstallSimulatedLineFactory({});
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    const int masters = argc > 2 ? std::atoi(argv[2]) : 4;
    sim::InstallSimulatedLine();
    qputenv("VRX_COM1", "sim:addresses=1-8:preset=factory");
    Shared(seconds, masters);
    Shared(seconds, 1);
    Shared(std::max(5, seconds / 6), 8);
    OwnTime(20000);
    return 0;
}
