// The recorder's poll cycle in real time: eight simulated controllers on the in-process line
// paced at 9600 baud, RTU, a sample every second. Prints the spread of the cycle times (first
// request to last reply) and of the intervals between completed cycles, with replies ended as
// soon as they are whole frames, and against it the same line with replies ended only by the
// silence after them.
//
// bench_acquisition [cycles] [reference cycles]   (default 60 and 5)
#include "comsettings.h"
#include "errors.h"
#include "recordengine.h"
#include "simulatedline.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace vrx;

namespace {

struct Spread {
    double min = 0, median = 0, p95 = 0, max = 0;
};

Spread SpreadOf(std::vector<double> values) {
    if (values.empty()) return {};
    std::sort(values.begin(), values.end());
    const auto at = [&](double q) { return values[std::size_t(q * double(values.size() - 1))]; };
    return {values.front(), at(0.5), at(0.95), values.back()};
}

void Print(const char* what, const Spread& s) {
    std::printf("  %-28s min %7.1f  median %7.1f  p95 %7.1f  max %7.1f ms\n", what, s.min, s.median,
                s.p95, s.max);
}

// Runs `cycles` poll cycles and prints their figures.
void Measure(const char* title, bool earlyEnd, int cycles) {
    ComSelections settings;
    settings.modBus = 1;
    settings.baudRate = 2; // 9600
    settings.bitLen = 1;
    settings.parity = 0;
    LineOwner line;
    SerialPort& port = line.Port();
    try {
        line.Open(QString::fromLatin1(RecordEngine::LineTool), 1, ToLineSettings(settings));
    } catch (const Error&) {
        std::printf("COM1 did not open\n");
        return;
    }
    RecordEngine engine(line);
    engine.SetLineSettings(ToLineSettings(settings));
    engine.SetEarlyRtuEnd(earlyEnd);

    QElapsedTimer clock;
    std::vector<double> cycleMs, intervalMs;
    double startedAt = 0, lastDone = -1;
    int done = 0, dropped = 0;
    // A cycle starts with the first tick after the last one completed (or with START); ticks
    // while a cycle is still running send nothing.
    QObject::connect(&engine.Timer1(), &ClockTimer::timeout, &engine, [&] {
        if (startedAt <= lastDone) startedAt = double(clock.nsecsElapsed()) / 1e6;
    });
    QObject::connect(&engine, &RecordEngine::cycleCompleted, &engine, [&](const CycleReport& r) {
        // A tick that found the cycle before still running: a sample missed, not a cycle.
        if (r.missed) return;
        const double now = double(clock.nsecsElapsed()) / 1e6;
        cycleMs.push_back(now - startedAt);
        if (lastDone >= 0) intervalMs.push_back(now - lastDone);
        lastDone = now;
        if (++done == cycles) {
            engine.Stop();
            QCoreApplication::quit();
        }
    });
    QObject::connect(&engine, &RecordEngine::devicesDropped, &engine,
                     [&](const QList<int>&, bool) { ++dropped; });
    clock.start();
    engine.Start({1, 2, 3, 4, 5, 6, 7, 8}, 1);
    QCoreApplication::exec();
    port.SetOpen(false);

    std::printf("%s: %d cycles of 8 devices, RTU 9600, interval 1 s, %d drops\n", title, done,
                dropped);
    Print("cycle time", SpreadOf(cycleMs));
    Print("interval between cycles", SpreadOf(intervalMs));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int cycles = argc > 1 ? std::atoi(argv[1]) : 60;
    const int reference = argc > 2 ? std::atoi(argv[2]) : 5;
    sim::InstallSimulatedLine();
    qputenv("VRX_COM1", "sim:addresses=1-8:preset=factory");
    Measure("Replies ended when whole", true, cycles);
    if (reference > 0) Measure("Reference: replies ended by silence only", false, reference);
    return 0;
}
