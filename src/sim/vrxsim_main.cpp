// vrx-sim: simulated VRX controllers on a pseudo-terminal or over TCP, for any Modbus master.
#include "ptyserver.h"
#include "simoptions.h"
#include "tcpserver.h"
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

// HOST:PORT, the host an IPv6 address in brackets; port 0 only where allowed.
bool SplitHostPort(const QString& text, bool anyPort, QString* host, quint16* port) {
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon <= 0) return false;
    *host = text.left(colon);
    if (host->startsWith(u'[') && host->endsWith(u']')) *host = host->mid(1, host->size() - 2);
    bool ok = false;
    const uint number = text.mid(colon + 1).toUInt(&ok);
    if (!ok || number > 65535 || (number == 0 && !anyPort) || host->isEmpty()) return false;
    *port = quint16(number);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("vrx-sim");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Simulated VRX controllers on a pseudo-terminal (--link) or over TCP (--tcp, --mbtcp, "
        "--connect). Prints the pty's device name or the address it listens on or calls, serves "
        "until SIGTERM or SIGINT, then removes the link.");
    // Our own help and version options: Qt's add --help-all and -?, which say nothing more for
    // a program without Qt-specific options.
    const QCommandLineOption help({"h", "help"}, "Print this help and exit.");
    const QCommandLineOption version({"v", "version"}, "Print the version and exit.");
    const QCommandLineOption link("link", "Make PATH a symbolic link to the pty.", "PATH");
    const QCommandLineOption tcp(
        "tcp", "Serve on HOST:PORT as a transparent serial server (port 0: any free one).",
        "HOST:PORT");
    const QCommandLineOption mbtcp("mbtcp", "Serve on HOST:PORT as a Modbus TCP gateway.",
                                   "HOST:PORT");
    const QCommandLineOption call(
        "connect", "Call a master that listens on HOST:PORT, as a gateway that calls in.",
        "HOST:PORT");
    const QCommandLineOption mode("mode", "Framing: ascii, rtu or auto (default auto).", "MODE");
    const QCommandLineOption addresses("addresses", "Station addresses, e.g. 1,2,5 or 1-4.",
                                       "LIST");
    const QCommandLineOption speed("speed", "Process time factor (demo default 5).", "N");
    const QCommandLineOption options(
        "options", "More options as for VRX_COMn=sim:..., e.g. preset=factory:fault=split.",
        "TEXT");
    parser.addOptions({help, version, link, tcp, mbtcp, call, mode, addresses, speed, options});
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
    const int places = int(parser.isSet(link)) + int(parser.isSet(tcp)) + int(parser.isSet(mbtcp)) +
                       int(parser.isSet(call));
    if (places != 1)
        return UsageError("one of --link PATH, --tcp, --mbtcp or --connect HOST:PORT is required",
                          parser);
    vrx::sim::TcpServerConfig network;
    if (!parser.isSet(link)) {
        const QCommandLineOption& given = parser.isSet(tcp)     ? tcp
                                          : parser.isSet(mbtcp) ? mbtcp
                                                                : call;
        network.role = parser.isSet(tcp)     ? vrx::sim::TcpServerConfig::Role::Transparent
                       : parser.isSet(mbtcp) ? vrx::sim::TcpServerConfig::Role::ModbusTcp
                                             : vrx::sim::TcpServerConfig::Role::CallIn;
        if (!SplitHostPort(parser.value(given), !parser.isSet(call), &network.host, &network.port))
            return UsageError("'" + parser.value(given) + "' is not HOST:PORT", parser);
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

    if (!parser.isSet(link)) {
        network.options = *parsed;
        const int status = vrx::sim::RunTcpServer(network, &stopRequested, &error);
        if (status != 0) std::fprintf(stderr, "vrx-sim: %s\n", qPrintable(error));
        return status;
    }

    vrx::sim::PtyServerConfig config;
    config.linkPath = parser.value(link);
    config.options = *parsed;
    const int status = vrx::sim::RunPtyServer(config, &stopRequested, nullptr, &error);
    if (status != 0) std::fprintf(stderr, "vrx-sim: %s\n", qPrintable(error));
    return status;
}
