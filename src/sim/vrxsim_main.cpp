// vrx-sim: simulated VRX controllers on a pseudo-terminal, for any Modbus master.
#include "ptyserver.h"
#include "simoptions.h"
#include "vrxversion.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <csignal>
#include <cstdio>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int) {
    stopRequested = 1;
}

// A wrong command line is reported with the usage, so the right one is on the screen.
int UsageError(const QString& error, const QCommandLineParser& parser) {
    std::fprintf(stderr, "vrx-sim: %s\n\n%s", qPrintable(error), qPrintable(parser.helpText()));
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("vrx-sim");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Simulated VRX controllers on a pseudo-terminal. Prints the pty's device name, serves "
        "until SIGTERM or SIGINT, then removes the link.");
    // Our own help and version options: Qt's add --help-all and -?, which say nothing more for
    // a program without Qt-specific options.
    const QCommandLineOption help({"h", "help"}, "Print this help and exit.");
    const QCommandLineOption version({"v", "version"}, "Print the version and exit.");
    const QCommandLineOption link("link", "Make PATH a symbolic link to the pty.", "PATH");
    const QCommandLineOption mode("mode", "Framing: ascii, rtu or auto (default auto).", "MODE");
    const QCommandLineOption addresses("addresses", "Station addresses, e.g. 1,2,5 or 1-4.",
                                       "LIST");
    const QCommandLineOption speed("speed", "Process time factor (demo default 5).", "N");
    const QCommandLineOption options(
        "options", "More options as for VRX_COMn=sim:..., e.g. preset=factory:fault=split.",
        "TEXT");
    parser.addOptions({help, version, link, mode, addresses, speed, options});
    if (!parser.parse(QCoreApplication::arguments())) return UsageError(parser.errorText(), parser);
    if (!parser.positionalArguments().isEmpty())
        return UsageError("unexpected argument '" + parser.positionalArguments().first() + "'",
                          parser);
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::fputs("vrx-sim " VRX_VERSION "\n", stdout);
        return 0;
    }
    if (!parser.isSet(link)) return UsageError("--link PATH is required", parser);

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
