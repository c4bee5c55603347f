// vrx-sim: simulated VRX controllers on a pseudo-terminal, for any Modbus master.
#include "ptyserver.h"
#include "simoptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <csignal>
#include <cstdio>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int) {
    stopRequested = 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("vrx-sim");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Simulated VRX controllers on a pseudo-terminal. Prints the pty's device name, serves "
        "until SIGTERM or SIGINT, then removes the link.");
    parser.addHelpOption();
    const QCommandLineOption link("link", "Make PATH a symbolic link to the pty.", "PATH");
    const QCommandLineOption mode("mode", "Framing: ascii, rtu or auto (default auto).", "MODE");
    const QCommandLineOption addresses("addresses", "Station addresses, e.g. 1,2,5 or 1-4.",
                                       "LIST");
    const QCommandLineOption speed("speed", "Process time factor (demo default 5).", "N");
    const QCommandLineOption options(
        "options", "More options as for VRX_COMn=sim:..., e.g. preset=factory:fault=split.",
        "TEXT");
    parser.addOptions({link, mode, addresses, speed, options});
    parser.process(app);
    if (!parser.isSet(link)) {
        std::fprintf(stderr, "vrx-sim: --link PATH is required\n");
        return 2;
    }

    QStringList items;
    if (parser.isSet(options)) items << parser.value(options);
    if (parser.isSet(mode)) items << "mode=" + parser.value(mode);
    if (parser.isSet(addresses)) items << "addresses=" + parser.value(addresses);
    if (parser.isSet(speed)) items << "speed=" + parser.value(speed);
    QString error;
    const std::optional<vrx::sim::LineOptions> parsed =
        vrx::sim::ParseLineOptions(items.join(':'), &error);
    if (!parsed) {
        std::fprintf(stderr, "vrx-sim: %s\n", qPrintable(error));
        return 2;
    }

    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);

    vrx::sim::PtyServerConfig config;
    config.linkPath = parser.value(link);
    config.options = *parsed;
    const int status = vrx::sim::RunPtyServer(config, &stopRequested, nullptr, &error);
    if (status != 0) std::fprintf(stderr, "vrx-sim: %s\n", qPrintable(error));
    return status;
}
