// The controller scan in real time on the in-process simulated line, paced at its baud rate:
// how soon a controller is found on the Protocol window's default settings, on the last setting
// of the order with one stop bit and with two, and how long a sweep of one setting's 247
// addresses takes; beside each, the sum of its tries' line time and time-outs, which the scan's
// own time is measured against (goal: within 1.05 of it).
//
// bench_scan [all]   (without "all" the two-minute two-stop case is left out)
#include "errors.h"
#include "lineowner.h"
#include "scanrunner.h"
#include "simulatedline.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <cstdio>

using namespace vrx;
using namespace vrx::scan;

namespace {

QByteArray SimOptions(const LineSettings& s, int address) {
    const QString format = LineFormatText(s);
    return QStringLiteral("sim:addresses=%1:baud=%2:format=%3:mode=%4")
        .arg(address)
        .arg(s.baud)
        .arg(format, s.Rtu() ? QStringLiteral("rtu") : QStringLiteral("ascii"))
        .toLatin1();
}

// Scans COM1 with `choices`; with `stopAtFound`, cancels once the first device is found (the
// sweep after it is the other case's figure).
void Measure(const char* title, const QByteArray& com1, const ScanChoices& choices,
             bool stopAtFound, double goalSeconds) {
    qputenv("VRX_COM1", com1);
    LineOwner line;
    ScanRunner runner(line);
    QEventLoop loop;
    QElapsedTimer clock;
    double foundSeconds = -1;
    QObject::connect(&runner, &ScanRunner::found, [&] {
        if (foundSeconds < 0) foundSeconds = double(clock.nsecsElapsed()) / 1e9;
        if (stopAtFound) runner.Cancel();
    });
    QObject::connect(&runner, &ScanRunner::finished, &loop, &QEventLoop::quit);
    clock.start();
    try {
        runner.Start(1, choices);
    } catch (const Error& e) {
        std::printf("%s: %s\n", title, qPrintable(e.text()));
        return;
    }
    if (runner.Running()) loop.exec();
    const double took = double(clock.nsecsElapsed()) / 1e9;
    const double budget = double(runner.BudgetMicros()) / 1e6;
    std::printf("%s\n", title);
    if (foundSeconds >= 0)
        std::printf("  found after     %7.2f s   (goal < %.0f s)\n", foundSeconds, goalSeconds);
    else
        std::printf("  scan took       %7.2f s   (goal < %.0f s)\n", took, goalSeconds);
    std::printf("  scan ran        %7.2f s, its tries' line time and time-outs %7.2f s: %.3f\n",
                took, budget, took / budget);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const bool all = argc > 1 && qstrcmp(argv[1], "all") == 0;
    sim::InstallSimulatedLine();

    const std::vector<LineSettings> order = OrderedSettings({});
    LineSettings lastOneStop, lastTwoStop;
    for (const LineSettings& s : order)
        (s.stopBits == 1 ? lastOneStop : lastTwoStop) = s;
    std::printf("%zu settings in the order; the last with one stop bit: %s; with two: %s\n\n",
                order.size(), qPrintable(LineSettingsText(lastOneStop)),
                qPrintable(LineSettingsText(lastTwoStop)));

    Measure("A controller at 16 on the default settings (9600 7E1 ASCII)",
            SimOptions(LineSettings{}, 16), {}, true, 3);

    // Nothing answers: every address waits its whole time-out.
    for (const Framing framing : {Framing::Rtu, Framing::Ascii}) {
        ScanChoices sweep;
        sweep.framings = {framing};
        sweep.speeds = {9600};
        sweep.formats = {framing == Framing::Rtu ? LineFormat{8, Parity::None, 1}
                                                 : LineFormat{7, Parity::Even, 1}};
        Measure(framing == Framing::Rtu ? "A sweep of 247 addresses at 9600 8N1 RTU"
                                        : "A sweep of 247 addresses at 9600 7E1 ASCII",
                "sim:addresses=255", sweep, false, 20);
    }

    Measure(
        qPrintable(QStringLiteral("A controller at 16 on the last setting with one stop bit (%1)")
                       .arg(LineSettingsText(lastOneStop))),
        SimOptions(lastOneStop, 16), {}, true, 90);
    if (all)
        Measure(qPrintable(QStringLiteral("A controller at 16 on the last setting of all (%1)")
                               .arg(LineSettingsText(lastTwoStop))),
                SimOptions(lastTwoStop, 16), {}, true, 90);
    return 0;
}
