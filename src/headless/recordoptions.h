// The options of `vrxcom record`: its command line, its configuration file and the broker URL.
#pragma once

#include "comsettings.h"
#include "hubserver.h"
#include "samplestore.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace vrx {

// Where samples are published: mqtt://HOST[:PORT][/PREFIX] or mqtts://...
struct MqttTarget {
    bool tls = false;
    QString host;
    int port = 1883;
    QString prefix; // topic levels before COMn; "vrx" when the URL names none
    friend bool operator==(const MqttTarget&, const MqttTarget&) = default;
};

// Nothing, with the reason in `error`, when the URL is not one of the two forms. A user name
// or password in the URL is refused: it would be seen in the process list.
std::optional<MqttTarget> ParseMqttUrl(const QString& url, QString* error);

inline constexpr int MinRecordInterval = 1;
inline constexpr int MaxRecordInterval = 120;

// The line as the options give it. What they leave out comes from the settings file in the
// working folder, else the program's defaults: a cabinet PC has no desktop to write that file.
struct LineOptions {
    // A device path ("/dev/serial/by-id/..."), "tcp:", "mbtcp:" or "listen:" with HOST:PORT, or
    // "sim[:...]"; empty: COMn found as the program finds it.
    QString device;
    std::optional<qint32> baud;
    std::optional<LineFormat> format;
    std::optional<Framing> framing;
    // These options over `base`.
    LineSettings Over(LineSettings base) const;
};

// The speeds --baud takes: the Protocol window's, and the standard ones around them.
inline constexpr qint32 RecordBauds[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

// Why a line cannot run with these settings (RTU with 7 data bits), or an empty text.
QString LineSettingsFault(const LineSettings& settings);

struct RecordOptions {
    int com = 0; // n of COMn: the line's name in the log and the topics
    LineOptions line;
    Addresses addresses{}; // in the order given, the rest 0
    int interval = 1;      // seconds
    QString out;           // one file, or
    QString outDir;        // one file a day, named by its date
    bool quiet = false;
    std::optional<MqttTarget> mqtt;
    QString mqttCa;
    QString mqttUser;
    QString mqttPasswordFile;
    bool haDiscovery = false;
    bool allowWrites = false;
    // The line served to other Modbus TCP masters on these addresses; none: not served.
    QList<ServeAddress> serve;
    bool serveWrites = false;
    int serveClients = 8;
    // The page and metrics served on this address; none: not served.
    std::optional<ServeAddress> http;
};

inline constexpr int MaxServeClients = 64;

struct RecordCommand {
    enum class Action { Run, Help, Error };
    Action action = Action::Run;
    RecordOptions options;
    QString error; // Error: what was wrong, for the line before the usage
};

// Reads a configuration file named by --config: its bytes, or nothing with the reason.
using ConfigReader = std::function<std::optional<QByteArray>(const QString& path, QString* error)>;

// The arguments after "record". --config FILE stands for the options in FILE, at its place:
// later options win over earlier ones.
RecordCommand ParseRecordArguments(const QStringList& arguments, const ConfigReader& readConfig);

// A configuration file as arguments: one option a line, with or without its leading "--", its
// value after a space or "="; blank lines and lines starting with "#" are skipped. Nothing, with
// the line and reason in `error`, for a line that is no option.
std::optional<QStringList> ConfigArguments(QByteArrayView text, QString* error);
// A configuration file is short; a longer one is refused rather than read.
inline constexpr qint64 MaxConfigSize = 64 * 1024;

QString RecordUsage();

} // namespace vrx
