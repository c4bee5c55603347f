// `vrxcom scan`: options, output and the run.
#include "scancommand.h"

#include "errors.h"
#include "framedecode.h"
#include "lineowner.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <iterator>

namespace vrx {

namespace {

// A recording's devices at most (the Recorder's positions).
constexpr int RecordAddresses = 8;
constexpr int MaxComNumber = 99;

QString FramingName(Framing framing) {
    return framing == Framing::Rtu ? QStringLiteral("rtu") : QStringLiteral("ascii");
}

void Print(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

// Each item of a comma list through `take`; the error names the option and the item.
template <typename Take> QString EachItem(const QString& option, const QString& value, Take take) {
    for (const QString& item : value.split(u',')) {
        const QString error = take(item.trimmed());
        if (!error.isEmpty())
            return QStringLiteral("%1: '%2' %3").arg(option, Excerpt(item), error);
    }
    return {};
}

} // namespace

ScanCommand ParseScanArguments(const QStringList& arguments) {
    ScanCommand command;
    auto fail = [&command](const QString& error) {
        command.action = ScanCommand::Action::Error;
        command.error = error;
        return command;
    };
    bool help = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == u"-h" || a == u"--help") {
            help = true;
            continue;
        }
        if (a == u"--json") {
            command.json = true;
            continue;
        }
        if (a == u"--all-settings") {
            command.choices.allSettings = true;
            continue;
        }
        if (a == u"--addresses" || a == u"--framings" || a == u"--speeds" || a == u"--formats") {
            if (i + 1 >= arguments.size()) return fail(QStringLiteral("%1 needs a value").arg(a));
            const QString value = arguments[++i];
            QString error;
            scan::ScanChoices& c = command.choices;
            if (a == u"--addresses") {
                const auto addresses = scan::ParseAddressList(value, &error);
                if (!addresses) return fail(QStringLiteral("--addresses: ") + error);
                c.addresses = *addresses;
                continue;
            }
            if (a == u"--framings") {
                c.framings.clear();
                error = EachItem(a, value, [&c](const QString& item) {
                    const QString name = item.toLower();
                    if (name != u"ascii" && name != u"rtu")
                        return QStringLiteral("is not ascii or rtu");
                    const Framing framing = name == u"rtu" ? Framing::Rtu : Framing::Ascii;
                    if (std::find(c.framings.begin(), c.framings.end(), framing) ==
                        c.framings.end())
                        c.framings.push_back(framing);
                    return QString();
                });
            } else if (a == u"--speeds") {
                c.speeds.clear();
                error = EachItem(a, value, [&c](const QString& item) {
                    const qint32 baud = item.size() <= 6 ? item.toInt() : 0;
                    if (std::find(std::begin(OfferedBauds), std::end(OfferedBauds), baud) ==
                        std::end(OfferedBauds))
                        return QStringLiteral("is not one of 2400, 4800, 9600, 19200, 38400");
                    if (std::find(c.speeds.begin(), c.speeds.end(), baud) == c.speeds.end())
                        c.speeds.push_back(baud);
                    return QString();
                });
            } else {
                c.formats.clear();
                error = EachItem(a, value, [&c](const QString& item) {
                    const auto format = ParseLineFormat(item);
                    if (!format)
                        return QStringLiteral("is not data bits (7 or 8), parity (N, E or O) and "
                                              "stop bits (1 or 2), as 8E1");
                    if (std::find(c.formats.begin(), c.formats.end(), *format) == c.formats.end())
                        c.formats.push_back(*format);
                    return QString();
                });
            }
            if (!error.isEmpty()) return fail(error);
            continue;
        }
        if (a.startsWith(u'-') && a.size() > 1)
            return fail(QStringLiteral("unknown option %1").arg(Excerpt(a)));
        if (command.com != 0)
            return fail(QStringLiteral("one line at a time (%1?)").arg(Excerpt(a)));
        QString number = a;
        if (number.startsWith(QLatin1String("COM"), Qt::CaseInsensitive)) number = number.mid(3);
        bool ok = false;
        const int com = number.size() <= 2 ? number.toInt(&ok) : 0;
        if (!ok || com < 1 || com > MaxComNumber || !number.front().isDigit())
            return fail(QStringLiteral("'%1' is not a line from COM1 to COM%2")
                            .arg(Excerpt(a))
                            .arg(MaxComNumber));
        command.com = com;
    }
    if (help) {
        command.action = ScanCommand::Action::Help;
        return command;
    }
    if (command.com == 0) return fail(QStringLiteral("which line? (COM1, COM2, ...)"));
    const auto& c = command.choices;
    const bool rtuOnly = c.framings.size() == 1 && c.framings.front() == Framing::Rtu;
    if (rtuOnly && !c.formats.empty() &&
        std::none_of(c.formats.begin(), c.formats.end(),
                     [](const LineFormat& f) { return f.dataBits == 8; }))
        return fail(QStringLiteral("--framings rtu needs a format with 8 data bits"));
    return command;
}

QString ScanUsage() {
    return QStringLiteral(
        "Usage: vrxcom scan COMn [--addresses 1-32,40] [--framings ascii,rtu]\n"
        "                        [--speeds 9600,19200] [--formats 8N1,8E1,7E1]\n"
        "                        [--all-settings] [--json]\n"
        "\n"
        "Finds the controllers on a line: tries the settings the Protocol window offers and\n"
        "the addresses, and lists every device that answers: its address, framing, speed and\n"
        "format, and what it is. A VRX controller is named by its input type and firmware and\n"
        "shows its PV; any other Modbus device is \"a Modbus device, not a VRX controller\".\n"
        "The scan only reads (function 03) and never broadcasts. The common settings and\n"
        "addresses 1-16 come first; a line runs at one setting, so the scan sweeps the\n"
        "address range at the first setting where something answers and stops there.\n"
        "\n"
        "  --addresses LIST  Addresses and ranges, 1 to 247 (default 1-247).\n"
        "  --framings LIST   ascii, rtu (default both).\n"
        "  --speeds LIST     Of 2400, 4800, 9600, 19200, 38400 (default all).\n"
        "  --formats LIST    Data bits, parity, stop bits, as 8E1 (default: 7 and 8 data bits\n"
        "                    (8 in RTU), each parity, one stop bit; then two stop bits).\n"
        "  --all-settings    Go on through every setting.\n"
        "  --json            One JSON object a line per device: address, framing, speed,\n"
        "                    format, kind (\"vrx\" or \"modbus\"), and a controller's pv (degrees\n"
        "                    Celsius) and firmware.\n"
        "  -h, --help        Print this help and exit.\n"
        "\n"
        "On a terminal a progress line shows what is tried and the time left. The command\n"
        "lines that record the controllers found follow the list.\n"
        "Exit status: 0 something was found, 1 nothing, 2 a wrong option or the line could\n"
        "not be used.\n");
}

QString FindingJson(const scan::Finding& f) {
    QJsonObject object{{"address", f.address},
                       {"framing", FramingName(f.settings.framing)},
                       {"speed", f.settings.baud},
                       {"format", LineFormatText(f.settings)},
                       {"kind", f.kind == scan::DeviceKind::Vrx ? "vrx" : "modbus"}};
    if (f.kind == scan::DeviceKind::Vrx) {
        object.insert("pv", f.pv ? QJsonValue(*f.pv) : QJsonValue(QJsonValue::Null));
        object.insert("firmware", f.firmware);
    }
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QString FindingLine(const scan::Finding& f) {
    const QString where =
        QStringLiteral("address %1: %2 %3 %4")
            .arg(f.address)
            .arg(f.settings.Rtu() ? QStringLiteral("RTU") : QStringLiteral("ASCII"))
            .arg(f.settings.baud)
            .arg(LineFormatText(f.settings));
    if (f.kind == scan::DeviceKind::Modbus) {
        const QString why =
            f.exceptionCode != 0
                ? QStringLiteral(" (answers %1)").arg(ExceptionName(f.exceptionCode))
                : QString();
        return where + QStringLiteral(", a Modbus device, not a VRX controller") + why;
    }
    const QString pv =
        f.pv ? QString::number(*f.pv, 'f', 1) + QStringLiteral(" °C") : QStringLiteral("no value");
    return where + QStringLiteral(", VRX controller, firmware %1, PV %2").arg(f.firmware, pv);
}

QString NoiseLine(const LineSettings& s) {
    return QStringLiteral("%1 %2: something at this speed, other settings")
        .arg(s.Rtu() ? QStringLiteral("RTU") : QStringLiteral("ASCII"))
        .arg(s.baud);
}

QStringList RecordCommandLines(int com, const std::vector<scan::Finding>& findings) {
    // Per setting: a line runs at one, but --all-settings may list controllers at several.
    std::vector<std::pair<LineSettings, std::vector<int>>> groups;
    for (const scan::Finding& f : findings) {
        if (f.kind != scan::DeviceKind::Vrx) continue;
        auto group = std::find_if(groups.begin(), groups.end(),
                                  [&f](const auto& g) { return g.first == f.settings; });
        if (group == groups.end()) group = groups.insert(groups.end(), {f.settings, {}});
        group->second.push_back(f.address);
    }
    QStringList lines;
    for (const auto& [settings, addresses] : groups) {
        for (std::size_t i = 0; i < addresses.size(); i += RecordAddresses) {
            QStringList part;
            for (std::size_t j = i; j < std::min(addresses.size(), i + RecordAddresses); ++j)
                part << QString::number(addresses[j]);
            lines << QStringLiteral("vrxcom record --com COM%1 --framing %2 --baud %3 --format %4 "
                                    "--addresses %5 --out FILE")
                         .arg(com)
                         .arg(FramingName(settings.framing))
                         .arg(settings.baud)
                         .arg(LineFormatText(settings), part.join(u','));
        }
    }
    return lines;
}

QString ProgressLine(const scan::ScanProgress& p) {
    const qint64 seconds = (p.leftMs + 999) / 1000;
    return QStringLiteral("%1% trying address %2 at %3 %4 %5, at most %6:%7 left")
        .arg(p.percent)
        .arg(p.trying.address)
        .arg(p.trying.settings.Rtu() ? QStringLiteral("RTU") : QStringLiteral("ASCII"))
        .arg(p.trying.settings.baud)
        .arg(LineFormatText(p.trying.settings))
        .arg(seconds / 60)
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

int RunScanCommand(const ScanCommand& command, std::FILE* out, std::FILE* err, bool terminal) {
    LineOwner line;
    scan::ScanRunner runner(line);
    const bool progress = terminal && !command.json;
    // The progress line is rewritten in place and cleared before anything else is printed.
    bool progressShown = false;
    const auto clearProgress = [&] {
        if (!progressShown) return;
        Print(out, QStringLiteral("\r\033[K"));
        progressShown = false;
    };
    QObject::connect(&runner, &scan::ScanRunner::progress, [&](const scan::ScanProgress& p) {
        if (!progress) return;
        Print(out, QStringLiteral("\r\033[K") + ProgressLine(p));
        progressShown = true;
    });
    QObject::connect(&runner, &scan::ScanRunner::found, [&](const scan::Finding& f) {
        clearProgress();
        Print(out, (command.json ? FindingJson(f) : FindingLine(f)) + u'\n');
    });
    QObject::connect(&runner, &scan::ScanRunner::noise, [&](const LineSettings& s) {
        if (command.json) return;
        clearProgress();
        Print(out, NoiseLine(s) + u'\n');
    });
    QEventLoop loop;
    scan::ScanEnd end = scan::ScanEnd::Completed;
    QString reason;
    QObject::connect(&runner, &scan::ScanRunner::finished,
                     [&](scan::ScanEnd how, const QString& why) {
                         end = how;
                         reason = why;
                         loop.quit();
                     });
    try {
        runner.Start(command.com, command.choices);
    } catch (const Error& e) {
        Print(err, QStringLiteral("vrxcom scan: COM%1: %2\n").arg(command.com).arg(e.text()));
        return 2;
    }
    if (runner.Running()) loop.exec();
    clearProgress();
    if (end != scan::ScanEnd::Completed) {
        Print(err, QStringLiteral("vrxcom scan: COM%1: %2\n").arg(command.com).arg(reason));
        return 2;
    }
    if (runner.Findings().empty()) {
        if (!command.json) Print(out, QStringLiteral("Nothing answered.\n"));
        return 1;
    }
    if (!command.json) {
        const QStringList lines = RecordCommandLines(command.com, runner.Findings());
        if (!lines.isEmpty())
            Print(out, QStringLiteral("\nTo record them:\n  ") + lines.join("\n  ") + u'\n');
    }
    return 0;
}

} // namespace vrx
