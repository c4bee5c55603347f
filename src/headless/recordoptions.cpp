// Parsing the options of `vrxcom record`.
#include "recordoptions.h"

#include "netendpoint.h"

#include <QRegularExpression>
#include <QUrl>

#include <algorithm>
#include <array>
#include <iterator>

namespace vrx {

namespace {

constexpr int MaxAddress = 255;
constexpr int MaxComNumber = 99;

// A short printable excerpt of what was given, for messages.
QString Excerpt(const QString& text) {
    QString shown;
    for (const QChar c : text.left(40))
        shown += c.isPrint() ? c : QChar(u'?');
    return text.size() > 40 ? shown + QStringLiteral("...") : shown;
}

std::optional<int> ParseNumber(const QString& text, int low, int high) {
    // Digits only: toInt would take "+5", " 5" and "0x5".
    if (text.isEmpty() || text.size() > 6) return std::nullopt;
    for (const QChar c : text)
        if (c < u'0' || c > u'9') return std::nullopt;
    const int value = text.toInt();
    if (value < low || value > high) return std::nullopt;
    return value;
}

std::optional<int> ParseCom(const QString& text) {
    QString number = text;
    if (number.startsWith(QLatin1String("COM"), Qt::CaseInsensitive)) number = number.mid(3);
    return ParseNumber(number, 1, MaxComNumber);
}

std::optional<Addresses> ParseAddresses(const QString& text, QString* error) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() > DevicePositions) {
        *error = QStringLiteral("at most %1 addresses").arg(DevicePositions);
        return std::nullopt;
    }
    Addresses addresses{};
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const std::optional<int> a = ParseNumber(parts[i].trimmed(), 1, MaxAddress);
        if (!a) {
            *error = QStringLiteral("'%1' is not an address from 1 to %2")
                         .arg(Excerpt(parts[i]))
                         .arg(MaxAddress);
            return std::nullopt;
        }
        // Two positions of one address would publish to one topic.
        if (std::find(addresses.begin(), addresses.end(), *a) != addresses.end()) {
            *error = QStringLiteral("address %1 is given twice").arg(*a);
            return std::nullopt;
        }
        addresses[std::size_t(i)] = *a;
    }
    return addresses;
}

bool IsTopicText(const QString& text) {
    // Wildcards and NUL are not allowed in a topic a client publishes to.
    for (const QChar c : text)
        if (c == u'+' || c == u'#' || c.unicode() == 0 || !c.isPrint()) return false;
    return true;
}

enum class Kind { Flag, Value };
struct OptionName {
    const char* name;
    Kind kind;
};
// clang-format off
constexpr std::array Options{
    OptionName{"com", Kind::Value}, OptionName{"device", Kind::Value},
    OptionName{"baud", Kind::Value}, OptionName{"format", Kind::Value},
    OptionName{"framing", Kind::Value}, OptionName{"addresses", Kind::Value},
    OptionName{"interval", Kind::Value}, OptionName{"out", Kind::Value},
    OptionName{"out-dir", Kind::Value}, OptionName{"quiet", Kind::Flag},
    OptionName{"mqtt", Kind::Value}, OptionName{"mqtt-ca", Kind::Value},
    OptionName{"mqtt-user", Kind::Value}, OptionName{"mqtt-password-file", Kind::Value},
    OptionName{"ha-discovery", Kind::Flag}, OptionName{"allow-writes", Kind::Flag},
    OptionName{"serve", Kind::Value}, OptionName{"serve-writes", Kind::Flag},
    OptionName{"serve-clients", Kind::Value}, OptionName{"http", Kind::Value},
    OptionName{"config", Kind::Value}, OptionName{"help", Kind::Flag}};
// clang-format on

const OptionName* FindOption(const QString& name) {
    for (const OptionName& option : Options)
        if (name == QLatin1String(option.name)) return &option;
    return nullptr;
}

struct Parser {
    const ConfigReader& readConfig;
    RecordOptions options;
    bool help = false;
    bool comGiven = false;
    bool addressesGiven = false;
    bool serveOptionGiven = false;
    int configDepth = 0;

    // One option and its value; an error text when it is wrong.
    QString Take(const QString& name, const QString& value) {
        if (name == QLatin1String("help")) {
            help = true;
        } else if (name == QLatin1String("quiet")) {
            options.quiet = true;
        } else if (name == QLatin1String("ha-discovery")) {
            options.haDiscovery = true;
        } else if (name == QLatin1String("allow-writes")) {
            options.allowWrites = true;
        } else if (name == QLatin1String("serve-writes")) {
            options.serveWrites = true;
            serveOptionGiven = true;
        } else if (name == QLatin1String("serve")) {
            QString error;
            const std::optional<ServeAddress> address = ParseServeAddress(value, &error);
            if (!address) return QStringLiteral("--serve: ") + error;
            if (!options.serve.contains(*address)) options.serve << *address;
        } else if (name == QLatin1String("http")) {
            QString error;
            const std::optional<ServeAddress> address = ParseServeAddress(value, &error);
            if (!address) return QStringLiteral("--http: ") + error;
            options.http = address;
        } else if (name == QLatin1String("serve-clients")) {
            const std::optional<int> n = ParseNumber(value, 1, MaxServeClients);
            if (!n)
                return QStringLiteral("--serve-clients: '%1' is not a number from 1 to %2")
                    .arg(Excerpt(value))
                    .arg(MaxServeClients);
            options.serveClients = *n;
            serveOptionGiven = true;
        } else if (name == QLatin1String("com")) {
            const std::optional<int> n = ParseCom(value);
            if (!n)
                return QStringLiteral("'%1' is not a line COM1 to COM%2")
                    .arg(Excerpt(value))
                    .arg(MaxComNumber);
            options.com = *n;
            comGiven = true;
        } else if (name == QLatin1String("device")) {
            if (value.trimmed().isEmpty()) return QStringLiteral("--device needs a device");
            // A network form that does not parse would only fail when the line opens.
            QString error;
            if (IsNetEndpointText(value.trimmed()) && !ParseNetEndpoint(value.trimmed(), &error))
                return QStringLiteral("--device: ") + error;
            options.line.device = value.trimmed();
        } else if (name == QLatin1String("baud")) {
            const std::optional<int> baud = ParseNumber(value, 1, 999999);
            if (!baud || std::find(std::begin(RecordBauds), std::end(RecordBauds), *baud) ==
                             std::end(RecordBauds)) {
                QStringList offered;
                for (const qint32 b : RecordBauds)
                    offered << QString::number(b);
                return QStringLiteral("--baud: '%1' is not one of %2")
                    .arg(Excerpt(value), offered.join(QLatin1String(", ")));
            }
            options.line.baud = *baud;
        } else if (name == QLatin1String("format")) {
            options.line.format = ParseLineFormat(value);
            if (!options.line.format)
                return QStringLiteral("--format: '%1' is not data bits (7 or 8), parity (N, E or "
                                      "O) and stop bits (1 or 2), as in 8N1, 8E1 or 7E1")
                    .arg(Excerpt(value));
        } else if (name == QLatin1String("framing")) {
            if (value.compare(QLatin1String("ascii"), Qt::CaseInsensitive) == 0)
                options.line.framing = Framing::Ascii;
            else if (value.compare(QLatin1String("rtu"), Qt::CaseInsensitive) == 0)
                options.line.framing = Framing::Rtu;
            else
                return QStringLiteral("--framing: '%1' is not ascii or rtu").arg(Excerpt(value));
        } else if (name == QLatin1String("addresses")) {
            QString error;
            const std::optional<Addresses> a = ParseAddresses(value, &error);
            if (!a) return QStringLiteral("--addresses: ") + error;
            options.addresses = *a;
            addressesGiven = true;
        } else if (name == QLatin1String("interval")) {
            const std::optional<int> s = ParseNumber(value, MinRecordInterval, MaxRecordInterval);
            if (!s)
                return QStringLiteral("--interval: '%1' is not a number of seconds from %2 to %3")
                    .arg(Excerpt(value))
                    .arg(MinRecordInterval)
                    .arg(MaxRecordInterval);
            options.interval = *s;
        } else if (name == QLatin1String("out") || name == QLatin1String("out-dir")) {
            if (value.isEmpty()) return QStringLiteral("--%1 needs a name").arg(name);
            (name == QLatin1String("out") ? options.out : options.outDir) = value;
            (name == QLatin1String("out") ? options.outDir : options.out).clear();
        } else if (name == QLatin1String("mqtt")) {
            QString error;
            options.mqtt = ParseMqttUrl(value, &error);
            if (!options.mqtt) return QStringLiteral("--mqtt: ") + error;
        } else if (name == QLatin1String("mqtt-ca")) {
            options.mqttCa = value;
        } else if (name == QLatin1String("mqtt-user")) {
            options.mqttUser = value;
        } else if (name == QLatin1String("mqtt-password-file")) {
            options.mqttPasswordFile = value;
        } else if (name == QLatin1String("config")) {
            // A file that names itself, directly or not, would never end.
            if (configDepth > 0) return QStringLiteral("--config inside a configuration file");
            QString error;
            const std::optional<QByteArray> text = readConfig(value, &error);
            if (!text) return QStringLiteral("cannot read '%1': %2").arg(Excerpt(value), error);
            const std::optional<QStringList> arguments = ConfigArguments(*text, &error);
            if (!arguments) return QStringLiteral("%1: %2").arg(Excerpt(value), error);
            ++configDepth;
            const QString failure = Run(*arguments);
            --configDepth;
            return failure;
        }
        return {};
    }

    QString Run(const QStringList& arguments) {
        for (qsizetype i = 0; i < arguments.size(); ++i) {
            const QString& argument = arguments[i];
            if (argument == QLatin1String("-h")) {
                help = true;
                continue;
            }
            if (!argument.startsWith(QLatin1String("--")) || argument.size() == 2)
                return QStringLiteral("unexpected argument '%1'").arg(Excerpt(argument));
            QString name = argument.mid(2);
            std::optional<QString> value;
            if (const qsizetype eq = name.indexOf(QLatin1Char('=')); eq >= 0) {
                value = name.mid(eq + 1);
                name.truncate(eq);
            }
            const OptionName* option = FindOption(name);
            if (!option) return QStringLiteral("unknown option '--%1'").arg(Excerpt(name));
            if (option->kind == Kind::Flag && value)
                return QStringLiteral("option '--%1' takes no value").arg(name);
            if (option->kind == Kind::Value && !value) {
                if (++i >= arguments.size())
                    return QStringLiteral("option '--%1' needs a value").arg(name);
                value = arguments[i];
            }
            if (const QString error = Take(name, value.value_or(QString())); !error.isEmpty())
                return error;
        }
        return {};
    }

    // What the options must say together.
    QString Check() const {
        if (!comGiven && options.line.device.isEmpty())
            return QStringLiteral("--com or --device is missing");
        if (options.line.framing == Framing::Rtu && options.line.format &&
            options.line.format->dataBits != 8)
            return QStringLiteral("--framing rtu needs 8 data bits (--format 8N1, 8E1, ...)");
        if (!addressesGiven) return QStringLiteral("--addresses is missing");
        if (options.out.isEmpty() && options.outDir.isEmpty())
            return QStringLiteral("--out or --out-dir is missing");
        if (!options.mqtt) {
            if (options.haDiscovery || options.allowWrites || !options.mqttCa.isEmpty() ||
                !options.mqttUser.isEmpty() || !options.mqttPasswordFile.isEmpty())
                return QStringLiteral("the MQTT options need --mqtt");
        } else if (!options.mqttCa.isEmpty() && !options.mqtt->tls) {
            return QStringLiteral("--mqtt-ca needs an mqtts:// broker");
        }
        if (serveOptionGiven && options.serve.isEmpty())
            return QStringLiteral("--serve-writes and --serve-clients need --serve");
        if (!options.mqttPasswordFile.isEmpty() && options.mqttUser.isEmpty())
            return QStringLiteral("--mqtt-password-file needs --mqtt-user");
        return {};
    }
};

} // namespace

LineSettings LineOptions::Over(LineSettings base) const {
    if (baud) base.baud = *baud;
    if (format) {
        base.dataBits = format->dataBits;
        base.parity = format->parity;
        base.stopBits = format->stopBits;
    }
    if (framing) base.framing = *framing;
    return base;
}

QString LineSettingsFault(const LineSettings& settings) {
    if (settings.Rtu() && settings.dataBits != 8)
        return QStringLiteral("RTU needs 8 data bits, and the line has %1 (%2): give --format "
                              "with 8 data bits, or --framing ascii")
            .arg(settings.dataBits)
            .arg(LineSettingsText(settings));
    return {};
}

std::optional<MqttTarget> ParseMqttUrl(const QString& url, QString* error) {
    MqttTarget target;
    QString rest;
    if (url.startsWith(QLatin1String("mqtt://"))) {
        rest = url.mid(7);
    } else if (url.startsWith(QLatin1String("mqtts://"))) {
        target.tls = true;
        target.port = 8883;
        rest = url.mid(8);
    } else {
        *error = QStringLiteral("'%1' is not mqtt://HOST:PORT/PREFIX or mqtts://HOST:PORT/PREFIX")
                     .arg(Excerpt(url));
        return std::nullopt;
    }
    const qsizetype slash = rest.indexOf(QLatin1Char('/'));
    const QString authority = slash < 0 ? rest : rest.left(slash);
    target.prefix = slash < 0 ? QString() : rest.mid(slash + 1);
    while (target.prefix.endsWith(QLatin1Char('/')))
        target.prefix.chop(1);
    if (authority.contains(QLatin1Char('@'))) {
        *error = QStringLiteral("no user name or password in the URL: use --mqtt-user and "
                                "--mqtt-password-file");
        return std::nullopt;
    }
    QString port;
    if (authority.startsWith(QLatin1Char('['))) {
        const qsizetype close = authority.indexOf(QLatin1Char(']'));
        if (close < 0) {
            *error = QStringLiteral("'%1' has no closing ']'").arg(Excerpt(authority));
            return std::nullopt;
        }
        target.host = authority.mid(1, close - 1);
        const QString after = authority.mid(close + 1);
        if (!after.isEmpty() && !after.startsWith(QLatin1Char(':'))) {
            *error = QStringLiteral("'%1' is not a host and port").arg(Excerpt(authority));
            return std::nullopt;
        }
        if (!after.isEmpty()) port = after.mid(1);
        static const QRegularExpression ipv6(QStringLiteral("^[0-9A-Fa-f:.]+$"));
        if (!ipv6.match(target.host).hasMatch()) target.host.clear();
    } else {
        const qsizetype colon = authority.lastIndexOf(QLatin1Char(':'));
        target.host = colon < 0 ? authority : authority.left(colon);
        if (colon >= 0) port = authority.mid(colon + 1);
        static const QRegularExpression name(
            QStringLiteral("^[A-Za-z0-9]([A-Za-z0-9.-]*[A-Za-z0-9])?$"));
        if (!name.match(target.host).hasMatch()) target.host.clear();
    }
    if (target.host.isEmpty()) {
        *error = QStringLiteral("'%1' names no host").arg(Excerpt(url));
        return std::nullopt;
    }
    if (!port.isNull()) {
        const std::optional<int> n = ParseNumber(port, 1, 65535);
        if (!n) {
            *error = QStringLiteral("'%1' is not a port from 1 to 65535").arg(Excerpt(port));
            return std::nullopt;
        }
        target.port = *n;
    }
    if (target.prefix.isEmpty()) target.prefix = QStringLiteral("vrx");
    if (!IsTopicText(target.prefix) || target.prefix.startsWith(QLatin1Char('/')) ||
        target.prefix.contains(QLatin1String("//")) || target.prefix.contains(QLatin1Char('?'))) {
        *error = QStringLiteral("'%1' is no topic prefix (no '+', '#', '?' or empty level)")
                     .arg(Excerpt(target.prefix));
        return std::nullopt;
    }
    return target;
}

std::optional<QStringList> ConfigArguments(QByteArrayView text, QString* error) {
    if (text.size() > MaxConfigSize) {
        *error = QStringLiteral("longer than %1 bytes").arg(MaxConfigSize);
        return std::nullopt;
    }
    QStringList arguments;
    int number = 0;
    for (const QByteArray& raw : text.toByteArray().split('\n')) {
        ++number;
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        QString name = line;
        QString value;
        bool hasValue = false;
        const qsizetype cut = [&] {
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            const qsizetype space = line.indexOf(QRegularExpression(QStringLiteral("\\s")));
            if (eq < 0) return space;
            if (space < 0) return eq;
            return qMin(eq, space);
        }();
        if (cut >= 0) {
            name = line.left(cut);
            value = line.mid(cut).trimmed();
            if (value.startsWith(QLatin1Char('='))) value = value.mid(1).trimmed();
            hasValue = true;
        }
        if (name.startsWith(QLatin1String("--"))) name = name.mid(2);
        const OptionName* option = FindOption(name);
        if (!option || name == QLatin1String("help")) {
            *error = QStringLiteral("line %1: unknown option '%2'").arg(number).arg(Excerpt(name));
            return std::nullopt;
        }
        arguments << QStringLiteral("--") + name;
        if (option->kind == Kind::Value) {
            if (!hasValue || value.isEmpty()) {
                *error = QStringLiteral("line %1: '%2' needs a value").arg(number).arg(name);
                return std::nullopt;
            }
            arguments << value;
        } else if (hasValue && !value.isEmpty()) {
            *error = QStringLiteral("line %1: '%2' takes no value").arg(number).arg(name);
            return std::nullopt;
        }
    }
    return arguments;
}

RecordCommand ParseRecordArguments(const QStringList& arguments, const ConfigReader& readConfig) {
    using Action = RecordCommand::Action;
    Parser parser{readConfig, {}};
    if (const QString error = parser.Run(arguments); !error.isEmpty())
        return {Action::Error, {}, error};
    if (parser.help) return {Action::Help, {}, {}};
    if (const QString error = parser.Check(); !error.isEmpty()) return {Action::Error, {}, error};
    // A line given by its device alone is named COM1 in the log and the topics.
    if (!parser.comGiven) parser.options.com = 1;
    return {Action::Run, parser.options, {}};
}

QString RecordUsage() {
    return QStringLiteral(
        "Usage: vrxcom record (--com COMn | --device PATH) --addresses A[,B...]\n"
        "                     (--out FILE | --out-dir DIR) [--baud N] [--format 8E1]\n"
        "                     [--framing ascii|rtu] [--interval SECONDS] [--quiet]\n"
        "                     [--config FILE]\n"
        "                     [--mqtt URL [--mqtt-ca FILE] [--mqtt-user NAME\n"
        "                      --mqtt-password-file FILE] [--ha-discovery] [--allow-writes]]\n"
        "                     [--serve [ADDR:]PORT ... [--serve-writes] [--serve-clients N]]\n"
        "                     [--http [ADDR:]PORT]\n"
        "\n"
        "Records the process and set values of up to eight VRX controllers on one line,\n"
        "without a window, into the Recorder's record file, and publishes every sample to\n"
        "an MQTT broker. Ends with \"End\" in the file on SIGINT or SIGTERM.\n"
        "\n"
        "Options:\n"
        "  --com COMn              The line, found as the program finds COMn (VRX_COMn too);\n"
        "                          with --device, the line's name in the log and the topics\n"
        "                          (default COM1).\n"
        "  --device PATH           The line's device, e.g. /dev/serial/by-id/usb-...-port0,\n"
        "                          which stays the same adapter across reboots; or\n"
        "                          tcp:HOST:PORT, mbtcp:HOST:PORT, listen:HOST:PORT.\n"
        "  --baud N                The line's speed: 1200 to 115200 (9600, 19200, ...).\n"
        "  --format 8E1            Data bits (7, 8), parity (N, E, O), stop bits (1, 2).\n"
        "  --framing ascii|rtu     The framing (RTU needs 8 data bits).\n"
        "  --addresses 1,2,5       Up to 8 controller addresses (1 to 255), in file order.\n"
        "  --interval SECONDS      The sample interval, 1 to 120 (default 1).\n"
        "  --out FILE              The record file; continued when it holds the same\n"
        "                          recording, else a new FILE-2, FILE-3, ...\n"
        "  --out-dir DIR           One record file a day in DIR, named by its date\n"
        "                          (2026-03-14.txt).\n"
        "  --quiet                 No live status line; events only.\n"
        "  --config FILE           The options in FILE, one a line (\"com COM1\"); '#' starts\n"
        "                          a comment. Options after it win.\n"
        "  --mqtt URL              mqtt://HOST[:PORT][/PREFIX] or mqtts://...: publish each\n"
        "                          sample to PREFIX/COMn/ADDRESS/state (QoS 1); PREFIX/status\n"
        "                          is online, or offline when the recorder is gone.\n"
        "  --mqtt-ca FILE          The certificate authority for mqtts://.\n"
        "  --mqtt-user NAME        The user name at the broker.\n"
        "  --mqtt-password-file F  The password, from the first line of F.\n"
        "  --ha-discovery          Publish discovery configs: PV and SV as sensors.\n"
        "  --allow-writes          Take PREFIX/COMn/ADDRESS/set {\"sv\": 30.0}: the set value\n"
        "                          is written when the controller's range holds it; the\n"
        "                          result goes to .../set/result. Nothing else is writable.\n"
        "  --serve [ADDR:]PORT     Share the line with other Modbus TCP masters on ADDR:PORT\n"
        "                          (a bare PORT: 127.0.0.1 only); may be given again. Their\n"
        "                          requests go on the line between the recording's, in its\n"
        "                          framing; a silent station answers 0x0B, a lost line 0x0A.\n"
        "  --serve-writes          Let them write (05, 06, 0F, 10, broadcasts); each write is\n"
        "                          logged with its master. Without it they are refused (0x01).\n"
        "  --serve-clients N       At most N masters at once (default 8).\n"
        "  --http [ADDR:]PORT      Serve a live page of the recording, its files and CSVs,\n"
        "                          and Prometheus metrics (/metrics) and a health check\n"
        "                          (/healthz) on ADDR:PORT (a bare PORT: 127.0.0.1 only);\n"
        "                          read-only.\n"
        "  -h, --help              Print this help and exit.\n"
        "\n"
        "What --baud, --format and --framing leave out comes from the settings file\n"
        "(SETVRX.$$$) in the current directory, or else the program's defaults\n"
        "(9600 7E1 ASCII).\n"
        "A device that stops answering is written as --- and asked again once a minute; a\n"
        "lost line is tried again every second; a file that cannot be written is tried\n"
        "again at every sample. Each such event is one line on standard error.\n");
}

} // namespace vrx
