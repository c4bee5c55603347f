// Parsing the program's command line and the texts of --help and --version.
#include "commandline.h"

#include "comsettings.h"
#include "vrxversion.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>

#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

#include <unistd.h>

namespace vrx {

namespace {

// Qt takes its own options out of the arguments only when the application object is made,
// and that needs a display; so they are known here, to be let through untouched instead of
// being refused as unknown.
// clang-format off
constexpr std::array QtValueOptions{
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
    "qwindowtitle", "qwindowicon", "geometry", "title", "icon", "display", "name", "visual",
    "session", "style", "stylesheet", "qmljsdebugger"};
constexpr std::array QtFlagOptions{
    "reverse", "widgetcount", "sync", "nograb", "dograb", "testability"};
// clang-format on

enum class QtOption { None, Flag, WithValue };

template <std::size_t N>
bool IsOneOf(const QString& name, const std::array<const char*, N>& names) {
    for (const char* known : names)
        if (name == QLatin1String(known)) return true;
    return false;
}

// What Qt makes of an argument; Qt accepts its options with one dash or two, and a value
// either in the next argument or after "=".
QtOption QtOptionKind(const QString& argument) {
    if (!argument.startsWith(QLatin1Char('-'))) return QtOption::None;
    const QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
    if (IsOneOf(name, QtFlagOptions)) return QtOption::Flag;
    if (IsOneOf(name.section(QLatin1Char('='), 0, 0), QtValueOptions)) return QtOption::WithValue;
    return QtOption::None;
}

} // namespace

ProgramCommand ParseProgramArguments(const QStringList& arguments) {
    using Action = ProgramCommand::Action;
    bool help = false, version = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
            help = true;
            continue;
        }
        if (argument == QLatin1String("-v") || argument == QLatin1String("--version")) {
            version = true;
            continue;
        }
        switch (QtOptionKind(argument)) {
        case QtOption::Flag:
            continue;
        case QtOption::WithValue:
            if (argument.contains(QLatin1Char('='))) continue;
            if (++i < arguments.size()) continue;
            return {Action::Error, QStringLiteral("option '%1' needs a value").arg(argument)};
        case QtOption::None:
            break;
        }
        const bool isOption = argument.startsWith(QLatin1Char('-')) && argument.size() > 1 &&
                              argument != QLatin1String("--");
        return {Action::Error, isOption ? QStringLiteral("unknown option '%1'").arg(argument)
                                        : QStringLiteral("unexpected argument '%1'").arg(argument)};
    }
    if (help) return {Action::Help, {}};
    if (version) return {Action::Version, {}};
    return {};
}

QString ProgramUsage(const QString& currentDirectory) {
    const QString settingsPath =
        QDir::toNativeSeparators(QDir(currentDirectory).filePath(QLatin1String(SettingsFileName)));
    return QStringLiteral(
               "Usage: vrxcom [-h | --help] [-v | --version] [Qt options]\n"
               "       vrxcom record --com COMn --addresses A[,B...] --out FILE ...\n"
               "       vrxcom export RECORD [-o OUT.csv] [--date YYYY-MM-DD]\n"
               "       vrxcom scan COMn [--addresses LIST] [--json] ...\n"
               "\n"
               "Sets up, watches and records VRX digital temperature controllers over one\n"
               "serial line, as its Modbus master (ASCII or RTU framing).\n"
               "\n"
               "Options:\n"
               "  -h, --help       Print this help and exit.\n"
               "  -v, --version    Print the version and exit.\n"
               "  record ...       Record without a window (see vrxcom record --help).\n"
               "  export RECORD    A record file as CSV (see vrxcom export --help).\n"
               "  scan COMn        Find the controllers on a line (see vrxcom scan --help).\n"
               "  Qt's own options (-platform NAME, -style NAME, -display NAME, ...) go to Qt.\n"
               "\n"
               "Serial ports:\n"
               "  COMn is the n-th serial port present, USB adapters first (/dev/ttyUSB0, ...,\n"
               "  /dev/ttyACM0, ...), then the others (/dev/ttyS0, ...). The environment\n"
               "  variable VRX_COMn names the device for COMn instead:\n"
               "    VRX_COM1=/dev/ttyUSB0   a device, or the link of a pseudo-terminal\n"
               "    VRX_COM1=sim            four simulated controllers at addresses 1 to 4\n"
               "    VRX_COM1=sim:OPTIONS    simulated controllers with options (see vrx-sim(1))\n"
               "    VRX_COM1=tcp:HOST:PORT     a serial server: the frames as on the line\n"
               "    VRX_COM1=mbtcp:HOST:PORT   a Modbus TCP gateway\n"
               "    VRX_COM1=listen:HOST:PORT  wait for a gateway that calls in\n"
               "  A network line may end in :timeout=MS, the latency added to every reply\n"
               "  time-out (default 100). A listen: line may end in :allow=ADDRESS,ADDRESS\n"
               "  (IPv6 in brackets): a caller from any other address is closed at once.\n"
               "    VRX_COM1=               COM1 does not exist\n"
               "  Opening a serial device needs membership of the dialout group.\n"
               "\n"
               "Settings:\n"
               "  PROTOCOL's OK writes the communication settings to \"%1\" in the\n"
               "  current directory, and the program reads them from there when it starts:\n"
               "    %2\n"
               "\n"
               "Traffic log: QT_LOGGING_RULES=\"vrx.line=true\" prints every frame as hex.\n")
        .arg(QLatin1String(SettingsFileName), settingsPath);
}

std::string ExecRecordProgram(int argc, char** argv) {
    // Before any application object: the path of this program as the system has it.
    char self[4096] = {};
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return std::string("cannot find this program: ") + std::strerror(errno);
    std::string folder(self, std::size_t(length));
    folder.erase(folder.find_last_of('/'));
    std::vector<char*> arguments;
    std::string name = "vrxcom record";
    arguments.push_back(name.data());
    for (int i = 2; i < argc; ++i)
        arguments.push_back(argv[i]);
    arguments.push_back(nullptr);
    std::string tried;
    for (const std::string& path :
         {folder + "/vrxcom-record", folder + "/../libexec/vrxcom/vrxcom-record"}) {
        ::execv(path.c_str(), arguments.data());
        tried += (tried.empty() ? "" : ", ") + path + ": " + std::strerror(errno);
    }
    return "cannot start the recorder (" + tried + ")";
}

ExportCommand ParseExportArguments(const QStringList& arguments) {
    ExportCommand command;
    auto fail = [&command](const QString& error) {
        command.action = ExportCommand::Action::Error;
        command.error = error;
        return command;
    };
    bool help = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == u"-h" || a == u"--help") {
            help = true;
        } else if (a == u"-o" || a == u"--date") {
            if (i + 1 >= arguments.size()) return fail(QStringLiteral("%1 needs a value").arg(a));
            (a == u"-o" ? command.out : command.date) = arguments[++i];
        } else if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            return fail(QStringLiteral("unknown option %1").arg(a));
        } else if (command.record.isEmpty()) {
            command.record = a;
        } else {
            return fail(QStringLiteral("one record file at a time (%1?)").arg(a));
        }
    }
    if (help) {
        command.action = ExportCommand::Action::Help;
        return command;
    }
    if (command.record.isEmpty()) return fail(QStringLiteral("which record file?"));
    if (!command.date.isEmpty() &&
        !QDate::fromString(command.date, QStringLiteral("yyyy-MM-dd")).isValid())
        return fail(QStringLiteral("--date %1 is not a date as YYYY-MM-DD").arg(command.date));
    if (command.out.isEmpty()) {
        const QFileInfo record(command.record);
        command.out = record.dir().filePath(record.completeBaseName() + QStringLiteral(".csv"));
    }
    if (QFileInfo(command.out).absoluteFilePath() == QFileInfo(command.record).absoluteFilePath())
        return fail(QStringLiteral("the CSV file would replace the record file"));
    return command;
}

QString ExportUsage() {
    return QStringLiteral(
        "Usage: vrxcom export RECORD [-o OUT.csv] [--date YYYY-MM-DD]\n"
        "\n"
        "Writes a record file of the Recorder as CSV (RFC 4180, UTF-8) for spreadsheets:\n"
        "a header row, then a row per sample: its date and time (ISO 8601), and the PV and\n"
        "SV of each device in degrees; a value the record lacks (---) is an empty cell.\n"
        "\n"
        "  -o OUT.csv         Where to write (default: RECORD with the suffix .csv).\n"
        "  --date YYYY-MM-DD  The date of the first sample (default: the record file's\n"
        "                     modification time dates its last sample). A time more than\n"
        "                     two hours earlier than the one before it means midnight\n"
        "                     passed; less is the clock set back (end of summer time).\n"
        "  -h, --help         Print this help and exit.\n");
}

QString ProgramVersion() {
    return QStringLiteral("vrxcom " VRX_VERSION "\n");
}

} // namespace vrx
