// The Monitor's polling speed, measured two ways and printed with its references:
//  1. the program's own time per exchange: from the last reply byte reaching the port to the
//     next request written, the Monitor window's display update included (four live stations,
//     real clock, replies handed over at once by a line that computes them beforehand);
//  2. the cycle time of four stations on the simulated line paced at its baud rate (manual
//     clock, the controllers answering at once), against the line time of the cycle's bytes.
#include "application.h"
#include "controllerbus.h"
#include "demo.h"
#include "framecodec.h"
#include "monitorwindow.h"
#include "pollengine.h"
#include "programwindows.h"
#include "radiogroup.h"
#include "simulatedline.h"

#include <QElapsedTimer>
#include <QPushButton>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace vrx;

namespace {

// Answers every request with the demo controllers' reply, held back until the harness hands
// it over; keeps the moment each request was written.
class PromptLine final : public LineDevice {
public:
    explicit PromptLine(QElapsedTimer& clock)
        : clock_(clock), bus_(sim::MakeControllers(sim::LineOptions{})) {}
    bool Open(const LineSettings&, QString*) override { return open_ = true; }
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }
    bool Apply(const LineSettings&, QString*) override { return true; }
    bool Write(const QByteArray& bytes) override {
        writtenNs = clock_.nsecsElapsed(); // first: what follows is the controllers' time
        ++writes;
        bus_.Step(0.2); // process time moves, so the values shown change as they do live
        const bool ascii = bytes.startsWith(':');
        reply_.clear();
        for (const sim::ReplyPiece& piece :
             bus_.Respond({ascii ? sim::Framing::Ascii : sim::Framing::Rtu, bytes}))
            reply_ += piece.bytes;
        return true;
    }
    QByteArray ReadAll() override { return std::exchange(incoming_, {}); }

    // Hands the held reply over as one chunk; the time it was handed over.
    qint64 Deliver() {
        incoming_ = reply_;
        const qint64 at = clock_.nsecsElapsed();
        emit readyRead();
        return at;
    }

    qint64 writtenNs = 0;
    int writes = 0;

private:
    QElapsedTimer& clock_;
    sim::ControllerBus bus_;
    QByteArray reply_;
    QByteArray incoming_;
    bool open_ = false;
};

struct Spread {
    double median = 0, p90 = 0, max = 0;
    std::size_t count = 0;
};

Spread SpreadOf(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v[v.size() * 9 / 10], v.back(), v.size()};
}

// Milliseconds per exchange of the program itself, in the whole program with its window.
Spread ProgramTimePerExchange(bool rtu, int exchanges) {
    QElapsedTimer clock;
    clock.start();
    PromptLine* line = nullptr;
    qputenv("VRX_COM1", "sim");
    InstallSimulatedLineFactory([&](const QString&, QObject*) {
        auto made = std::make_unique<PromptLine>(clock);
        line = made.get();
        return std::unique_ptr<LineDevice>(std::move(made));
    });
    const auto forms = CreateForms();
    forms->VRW1->ComBaudRate->SetItemIndex(4);
    forms->VRW1->ModBus->SetItemIndex(rtu ? 1 : 0);
    forms->VRW0->show();
    forms->VRW0->Monitor1Click();
    TVRW2* monitor = forms->VRW2.get();
    for (int st = 1; st <= 4; ++st)
        monitor->RunBt[st]->click();
    std::vector<double> samples;
    for (int i = 0; i < exchanges + 200; ++i) {
        const int before = line->writes;
        const qint64 handedOver = line->Deliver();
        ManualClock::DeliverPostedEvents();
        if (line->writes == before) continue; // not an exchange end (cannot happen here)
        // The first cycles read the settings and show the panels: a warm-up.
        if (i >= 200) samples.push_back(double(line->writtenNs - handedOver) / 1e6);
    }
    monitor->close();
    InstallSimulatedLineFactory({});
    return SpreadOf(samples);
}

struct CycleFigure {
    double cycleMs = 0;
    double lineMs = 0;
    double exchangesPerCycle = 0;
};

// Counts the bytes both ways on a simulated line.
class CountingLine final : public LineDevice {
public:
    explicit CountingLine(const QString& options)
        : line_(std::make_unique<sim::SimulatedLine>(options)) {
        connect(line_.get(), &LineDevice::readyRead, this, &LineDevice::readyRead);
    }
    bool Open(const LineSettings& s, QString* e) override { return line_->Open(s, e); }
    void Close() override { line_->Close(); }
    bool IsOpen() const override { return line_->IsOpen(); }
    bool Apply(const LineSettings& s, QString* e) override { return line_->Apply(s, e); }
    bool Write(const QByteArray& bytes) override {
        bytesOut += bytes.size();
        ++requests;
        if (onWrite) onWrite(bytes);
        return line_->Write(bytes);
    }
    QByteArray ReadAll() override {
        const QByteArray bytes = line_->ReadAll();
        bytesIn += bytes.size();
        return bytes;
    }
    qint64 CharacterMicros() const { return line_->CharacterMicros(); }

    qint64 bytesOut = 0, bytesIn = 0, requests = 0;
    std::function<void(const QByteArray&)> onWrite;

private:
    std::unique_ptr<sim::SimulatedLine> line_;
};

// Four demo stations polled on the paced line; cycles counted at station 1's status read.
CycleFigure CycleOnPacedLine(int baudIndex, bool rtu, int cycles) {
    ManualClock time(55 * 1000);
    Clock::Install(&time);
    CountingLine* line = nullptr;
    qputenv("VRX_COM1", "sim:addresses=1-4:turnaround=0");
    InstallSimulatedLineFactory([&](const QString& options, QObject*) {
        auto made = std::make_unique<CountingLine>(options);
        line = made.get();
        return std::unique_ptr<LineDevice>(std::move(made));
    });
    ComSelections settings;
    settings.baudRate = baudIndex;
    settings.modBus = rtu ? 1 : 0;
    if (rtu) settings.bitLen = 1;
    LineOwner owner;
    SerialPort& port = owner.Port();
    PollEngine engine(owner);
    engine.SetLineSettings(ToLineSettings(settings));
    owner.Open(QString::fromLatin1(PollEngine::LineTool), 1, ToLineSettings(settings));
    engine.ResetMonitor();
    engine.SetAddresses({0, 1, 2, 3, 4});
    for (int st = 1; st <= 4; ++st)
        engine.ConnectStation(st);
    time.Run(5000); // past the joining and the settings read

    const QByteArray statusOf1 = ReadRequest(1, 0x4725, 7);
    const QByteArray marker = rtu ? AsciiToRtu(statusOf1) : statusOf1;
    struct Mark {
        qint64 micros, bytes, requests;
    };
    std::vector<Mark> marks;
    line->onWrite = [&](const QByteArray& bytes) {
        // Everything on the line before this request belongs to the cycles before it.
        if (bytes == marker)
            marks.push_back(
                {time.Micros(), line->bytesOut + line->bytesIn - bytes.size(), line->requests - 1});
    };
    while (int(marks.size()) <= cycles)
        time.Run(50);
    line->onWrite = nullptr;
    const Mark& first = marks.front();
    const Mark& last = marks.back();
    CycleFigure f;
    f.cycleMs = double(last.micros - first.micros) / cycles / 1000;
    f.lineMs = double(last.bytes - first.bytes) * line->CharacterMicros() / cycles / 1000;
    f.exchangesPerCycle = double(last.requests - first.requests) / cycles;
    port.SetOpen(false);
    InstallSimulatedLineFactory({});
    Clock::Install(nullptr);
    return f;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    Application app(argc, argv);

    std::printf("Program's own time per exchange (reply handed over -> next request written,\n"
                "Monitor window with four stations, display update included); goal < 0.3 ms\n");
    double ownMs[2] = {};
    for (bool rtu : {true, false}) {
        const Spread s = ProgramTimePerExchange(rtu, 4000);
        ownMs[rtu] = s.median;
        std::printf("  %-5s median %.4f ms   p90 %.4f ms   max %.3f ms   (%zu exchanges)\n",
                    rtu ? "RTU" : "ASCII", s.median, s.p90, s.max, s.count);
    }

    std::printf("\nCycle of four stations on the simulated line paced at its baud rate\n"
                "(controllers answering at once; reference: line time of the cycle's bytes;\n"
                "goal for RTU: cycle <= 1.25 x line time)\n");
    struct Case {
        const char* name;
        int baud;
        bool rtu;
    };
    for (const Case c : {Case{"RTU 38400 8E1", 4, true}, Case{"RTU 9600 8E1", 2, true},
                         Case{"ASCII 9600 7E1", 2, false}}) {
        const CycleFigure f = CycleOnPacedLine(c.baud, c.rtu, 200);
        // On a real line the program's own time adds to each exchange.
        const double withOwn = f.cycleMs + f.exchangesPerCycle * ownMs[c.rtu];
        std::printf("  %-15s cycle %7.2f ms   line time %7.2f ms   ratio %.3f   (%.1f exchanges;"
                    " with the program's own time %.3f)\n",
                    c.name, f.cycleMs, f.lineMs, f.cycleMs / f.lineMs, f.exchangesPerCycle,
                    withOwn / f.lineMs);
    }
    return 0;
}
