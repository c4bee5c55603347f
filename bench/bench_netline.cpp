// The Monitor's four-station cycle over network lines against the same simulated controllers
// over a pseudo-terminal, in real time: vrx-sim serves them on a pty (--link), as a serial
// server (--tcp) and as a Modbus TCP gateway (--mbtcp) on loopback; the polling engine runs
// on each line in turn. Printed with each: the cycle time, its ratio to the pty's, and the
// program's own time per exchange (the reply handed to the port -> the next request written).
// Also the Modbus TCP conversion's own cost per exchange.
#include "comnaming.h"
#include "framecodec.h"
#include "mbap.h"
#include "netendpoint.h"
#include "pollengine.h"
#include "qtserialdevice.h"
#include "tcpline.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace vrx;

namespace {

// Wraps the line under test: keeps when each reply chunk was handed over and when each
// request was written.
class TimedLine final : public LineDevice {
public:
    TimedLine(std::unique_ptr<LineDevice> line, QElapsedTimer& clock)
        : line_(std::move(line)), clock_(clock) {
        connect(line_.get(), &LineDevice::readyRead, this, [this] {
            handedNs_ = clock_.nsecsElapsed();
            emit readyRead();
        });
        connect(line_.get(), &LineDevice::connected, this, &LineDevice::connected);
        connect(line_.get(), &LineDevice::lost, this, &LineDevice::lost);
    }
    bool Open(const LineSettings& s, QString* e) override { return line_->Open(s, e); }
    void Close() override { line_->Close(); }
    bool IsOpen() const override { return line_->IsOpen(); }
    bool Apply(const LineSettings& s, QString* e) override { return line_->Apply(s, e); }
    bool Write(const QByteArray& bytes) override {
        const qint64 now = clock_.nsecsElapsed();
        if (handedNs_ >= 0) own.push_back(double(now - handedNs_) / 1e6);
        handedNs_ = -1;
        if (onWrite) onWrite(bytes, now);
        return line_->Write(bytes);
    }
    QByteArray ReadAll() override { return line_->ReadAll(); }
    bool KeepsGaps() const override { return line_->KeepsGaps(); }
    int ExtraReplyMs() const override { return line_->ExtraReplyMs(); }
    bool Connected() const override { return line_->Connected(); }

    std::vector<double> own;
    std::function<void(const QByteArray&, qint64)> onWrite;

private:
    std::unique_ptr<LineDevice> line_;
    QElapsedTimer& clock_;
    qint64 handedNs_ = -1;
};

struct Figure {
    double cycleMs = 0, cycleP90Ms = 0, exchangesPerCycle = 0;
    double ownMedianMs = 0, ownP90Ms = 0;
};

// Four demo stations polled on COM1 as VRX_COM1 names it; cycles counted at station 1's
// status read.
Figure Cycle(const QString& com1, bool rtu, int cycles) {
    QElapsedTimer clock;
    clock.start();
    TimedLine* line = nullptr;
    qputenv("VRX_COM1", "sim");
    InstallSimulatedLineFactory([&](const QString&, QObject*) -> std::unique_ptr<LineDevice> {
        std::unique_ptr<LineDevice> inner;
        if (const auto endpoint = ParseNetEndpoint(com1, nullptr))
            inner = std::make_unique<TcpLine>(*endpoint);
        else
            inner = std::make_unique<QtSerialDevice>(com1);
        auto made = std::make_unique<TimedLine>(std::move(inner), clock);
        line = made.get();
        return made;
    });
    ComSelections settings;
    settings.baudRate = 4;
    settings.parity = 0;
    settings.bitLen = 1;
    settings.modBus = rtu ? 1 : 0;
    LineOwner owner;
    PollEngine engine(owner);
    engine.SetLineSettings(ToLineSettings(settings));
    owner.Open(QString::fromLatin1(PollEngine::LineTool), 1, ToLineSettings(settings));
    engine.ResetMonitor();
    engine.SetAddresses({0, 1, 2, 3, 4});
    for (int st = 1; st <= 4; ++st)
        engine.ConnectStation(st);
    const auto runFor = [](int ms) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    };
    runFor(3000); // past the joining and the settings read
    line->own.clear();

    const QByteArray status = ReadRequest(1, 0x4725, 7);
    const QByteArray marker = rtu ? AsciiToRtu(status) : status;
    std::vector<qint64> marks;
    qint64 writes = 0, writesAtFirst = 0, writesAtLast = 0;
    line->onWrite = [&](const QByteArray& bytes, qint64 ns) {
        ++writes;
        if (bytes != marker) return;
        if (marks.empty()) writesAtFirst = writes;
        writesAtLast = writes;
        marks.push_back(ns);
    };
    QElapsedTimer limit;
    limit.start();
    while (int(marks.size()) <= cycles && limit.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    line->onWrite = nullptr;
    Figure f;
    // The median cycle: on a machine shared with others, a few cycles that wait for the CPU
    // would otherwise decide the mean.
    std::vector<double> cyclesMs;
    for (std::size_t i = 1; i < marks.size(); ++i)
        cyclesMs.push_back(double(marks[i] - marks[i - 1]) / 1e6);
    std::sort(cyclesMs.begin(), cyclesMs.end());
    if (marks.size() > 1)
        f.exchangesPerCycle = double(writesAtLast - writesAtFirst) / double(marks.size() - 1);
    if (!cyclesMs.empty()) {
        f.cycleMs = cyclesMs[cyclesMs.size() / 2];
        f.cycleP90Ms = cyclesMs[cyclesMs.size() * 9 / 10];
    }
    std::vector<double> own = line->own;
    std::sort(own.begin(), own.end());
    if (!own.empty()) {
        f.ownMedianMs = own[own.size() / 2];
        f.ownP90Ms = own[own.size() * 9 / 10];
    }
    owner.Close(QString::fromLatin1(PollEngine::LineTool));
    InstallSimulatedLineFactory({});
    return f;
}

// The conversion a Modbus TCP line does per exchange: the request frame to an ADU, the reply
// ADU through the reader and back to a frame.
double ConversionNsPerExchange(bool ascii) {
    const QByteArray request =
        ascii ? ReadRequest(1, 0x4700, 16) : AsciiToRtu(ReadRequest(1, 0x4700, 16));
    QByteArray replyPdu(1, '\x03');
    replyPdu.append(char(32)).append(QByteArray(32, '\x11'));
    const QByteArray replyAdu = EncodeMbap({1, 1, replyPdu});
    constexpr int Rounds = 200000;
    MbapReader reader;
    std::vector<MbapAdu> adus;
    qsizetype sink = 0;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < Rounds; ++i) {
        const auto pdu = SerialFrameToPdu(request, ascii);
        sink += EncodeMbap({quint16(i), pdu->unit, pdu->pdu}).size();
        adus.clear();
        reader.Feed(replyAdu, &adus, nullptr);
        sink += PduToSerialFrame(adus.front().unit, adus.front().pdu, ascii).size();
    }
    const double ns = double(t.nsecsElapsed()) / Rounds;
    return sink > 0 ? ns : 0;
}

bool StartSim(QProcess& sim, const QString& path, const QStringList& where, QString* printed) {
    sim.start(path, where + QStringList{"--addresses", "1-4", "--options", "turnaround=0"});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000)) return false;
    *printed = QString::fromLocal8Bit(sim.readLine()).trimmed();
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString sim = QCoreApplication::applicationDirPath() + "/../vrx-sim";
    if (!QFileInfo::exists(sim)) {
        std::fprintf(stderr, "bench_netline: build vrx-sim first (%s)\n", qPrintable(sim));
        return 1;
    }
    QTemporaryDir dir;
    constexpr int Cycles = 600;
    std::printf("Monitor's cycle of four stations, 38400 baud settings, controllers answering at\n"
                "once; reference: the same controllers over a pseudo-terminal; goal <= 1.1 x;\n"
                "the program's own time per exchange, goal < 0.01 ms. (vrx-sim's pty side ends an\n"
                "RTU request by 20 ms of silence, a pty having no baud rate: the RTU reference\n"
                "is that silence; ASCII is the like-for-like comparison.)\n");
    // Rounds of the three lines in turn, so that what else the machine does falls on all of
    // them alike; the figure is the median of the rounds' medians. One round in RTU, whose pty
    // reference is vrx-sim's silence.
    for (bool rtu : {false, true}) {
        const int rounds = rtu ? 1 : 5;
        const char* kinds[] = {"pty", "tcp", "mbtcp"};
        std::vector<Figure> figures[3];
        for (int round = 0; round < rounds; ++round) {
            for (int k = 0; k < 3; ++k) {
                const QString kind = QString::fromLatin1(kinds[k]);
                QProcess server;
                QString printed;
                const QString link = dir.filePath(QStringLiteral("vrx-%1").arg(rtu));
                const QStringList where = kind == "pty" ? QStringList{"--link", link}
                                                        : QStringList{"--" + kind, "127.0.0.1:0"};
                if (!StartSim(server, sim, where, &printed)) {
                    std::fprintf(stderr, "vrx-sim did not start\n");
                    return 1;
                }
                const QString com1 =
                    kind == "pty"
                        ? link
                        : QStringLiteral("%1:127.0.0.1:%2").arg(kind, printed.section(u':', -1));
                figures[k].push_back(Cycle(com1, rtu, Cycles));
                server.terminate();
                server.waitForFinished(5000);
            }
        }
        const auto median = [](std::vector<Figure> v, double Figure::*field) {
            std::sort(v.begin(), v.end(),
                      [field](const Figure& a, const Figure& b) { return a.*field < b.*field; });
            return v[v.size() / 2].*field;
        };
        const double ptyMs = median(figures[0], &Figure::cycleMs);
        for (int k = 0; k < 3; ++k) {
            const double cycleMs = median(figures[k], &Figure::cycleMs);
            QStringList perRound;
            for (const Figure& f : figures[k])
                perRound << QString::number(f.cycleMs, 'f', 3);
            std::printf("  %-5s %-6s cycle %7.3f ms (%.1f exchanges; rounds %s)   ratio to pty "
                        "%.3f   own per exchange %.4f ms (p90 %.4f)\n",
                        rtu ? "RTU" : "ASCII", kinds[k], cycleMs,
                        figures[k].front().exchangesPerCycle, qPrintable(perRound.join(' ')),
                        cycleMs / ptyMs, median(figures[k], &Figure::ownMedianMs),
                        median(figures[k], &Figure::ownP90Ms));
        }
    }
    std::printf("\nModbus TCP conversion per exchange (request to ADU, reply ADU to frame):\n");
    for (bool ascii : {false, true})
        std::printf("  %-5s %.0f ns\n", ascii ? "ASCII" : "RTU", ConversionNsPerExchange(ascii));
    return 0;
}
