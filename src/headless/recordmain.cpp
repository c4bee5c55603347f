// vrxcom-record: `vrxcom record`, recording without a window. vrxcom hands its arguments over,
// so that no widget library is loaded into a process that runs for months on a box without a
// display.
#include "comnaming.h"
#include "errors.h"
#include "headlessrecorder.h"
#include "simulatedline.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QSysInfo>
#include <QTime>

#include <csignal>
#include <cstdio>

#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char byte = 1;
    // Nothing else is safe in a signal handler; the event loop takes it from here.
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[0], &byte, 1);
}

void Print(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

std::optional<QByteArray> ReadConfig(const QString& path, QString* error) {
    QFile file(path);
    if (!QFileInfo(path).isFile()) {
        *error = QFileInfo::exists(path) ? QStringLiteral("not a plain file")
                                         : QStringLiteral("no such file");
        return std::nullopt;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return std::nullopt;
    }
    return file.read(vrx::MaxConfigSize + 1);
}

// Under systemd the password comes as a credential (LoadCredential=NAME:FILE in the unit): a
// password file named without a folder is then the credential of that name, which systemd
// copies from a file only root reads into a folder only this service reads.
QString PasswordPath(const QString& given) {
    const QString credentials = qEnvironmentVariable("CREDENTIALS_DIRECTORY");
    if (credentials.isEmpty() || given.contains(QLatin1Char('/'))) return given;
    return credentials + QLatin1Char('/') + given;
}

// The line settings: the options', and for what they leave out the settings file in the
// current folder, or the defaults. The file's COMn is not used: the options name the line.
std::optional<vrx::LineSettings> LineSettings(const vrx::LineOptions& line, QString* error) {
    const bool complete = line.baud && line.format && line.framing;
    if (complete || !QFileInfo::exists(QLatin1String(vrx::SettingsFileName)))
        return line.Over(vrx::ToLineSettings(vrx::ComSelections{}));
    try {
        return line.Over(vrx::ToLineSettings(
            vrx::UnpackSettings(vrx::ReadSettingsFile(QLatin1String(vrx::SettingsFileName)))));
    } catch (const vrx::Error& e) {
        *error = e.text();
        return std::nullopt;
    }
}

// The log and the live status line on standard error. Under systemd (JOURNAL_STREAM) or into a
// file or pipe there is no status line, and each event is one line for the journal.
class Terminal {
public:
    explicit Terminal(bool quiet)
        : live_(!quiet && ::isatty(STDERR_FILENO) &&
                qEnvironmentVariableIsEmpty("JOURNAL_STREAM")) {}

    void Event(const QString& text) {
        Clear();
        Print(stderr,
              (live_ ? QTime::currentTime().toString(QStringLiteral("HH:mm:ss ")) : QString()) +
                  text + QLatin1Char('\n'));
        Show(status_);
    }
    void Show(const QString& status) {
        status_ = status;
        if (!live_ || status.isEmpty()) return;
        winsize size{};
        const int width = ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 1
                              ? size.ws_col - 1
                              : 79;
        Print(stderr, QStringLiteral("\r\033[K") + status.left(width));
        shown_ = true;
    }
    void Clear() {
        if (!shown_) return;
        Print(stderr, QStringLiteral("\r\033[K"));
        shown_ = false;
    }

private:
    bool live_;
    bool shown_ = false;
    QString status_;
};

} // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const vrx::RecordCommand command = vrx::ParseRecordArguments(arguments, ReadConfig);
    switch (command.action) {
    case vrx::RecordCommand::Action::Help:
        Print(stdout, vrx::RecordUsage());
        return 0;
    case vrx::RecordCommand::Action::Error:
        Print(stderr, "vrxcom record: " + command.error + "\n\n" + vrx::RecordUsage());
        return 2;
    case vrx::RecordCommand::Action::Run:
        break;
    }
    const vrx::RecordOptions& options = command.options;

    QCoreApplication app(argc, argv);
    vrx::sim::InstallSimulatedLine();
    QString error;
    const std::optional<vrx::LineSettings> settings = LineSettings(options.line, &error);
    if (!settings) {
        Print(stderr, "vrxcom record: " + error + "\n");
        return 1;
    }
    if (const QString fault = vrx::LineSettingsFault(*settings); !fault.isEmpty()) {
        Print(stderr, "vrxcom record: " + fault + "\n");
        return 2;
    }
    if (!options.line.device.isEmpty()) vrx::AssignCom(options.com, options.line.device);
    std::optional<vrx::MqttPublisher::Config> mqtt;
    if (options.mqtt) {
        mqtt.emplace();
        mqtt->target = *options.mqtt;
        mqtt->caFile = options.mqttCa;
        mqtt->user = options.mqttUser;
        if (!options.mqttPasswordFile.isEmpty()) {
            const QString path = PasswordPath(options.mqttPasswordFile);
            const std::optional<QByteArray> text = ReadConfig(path, &error);
            if (!text) {
                Print(stderr,
                      QStringLiteral("vrxcom record: cannot read the password file '%1': %2%3\n")
                          .arg(path, error,
                               QFileInfo::exists(path)
                                   ? QStringLiteral(" (a service's password is handed over with "
                                                    "LoadCredential=, see vrxcom(1))")
                                   : QString()));
                return 1;
            }
            if (QFileInfo(path).permissions() & (QFile::ReadGroup | QFile::ReadOther))
                Print(stderr, QStringLiteral("vrxcom record: the password file '%1' is readable "
                                             "by other users; chmod 600 it (a service's "
                                             "password is handed over with LoadCredential=, see "
                                             "vrxcom(1))\n")
                                  .arg(path));
            mqtt->password = QString::fromUtf8(text->split('\n').first()).remove(QLatin1Char('\r'));
        }
        if (!options.mqttCa.isEmpty() && !QFileInfo(options.mqttCa).isReadable()) {
            Print(stderr,
                  QStringLiteral("vrxcom record: cannot read the certificate authority '%1'\n")
                      .arg(options.mqttCa));
            return 1;
        }
        // One client per line and host: a second recorder of the same name would throw the
        // first off the broker.
        mqtt->clientId = QStringLiteral("vrxcom-%1-COM%2-%3")
                             .arg(QString::fromLocal8Bit(qgetenv("HOSTNAME")).isEmpty()
                                      ? QSysInfo::machineHostName()
                                      : QString::fromLocal8Bit(qgetenv("HOSTNAME")))
                             .arg(options.com)
                             .arg(mqtt->target.prefix)
                             .left(128);
    }

    Terminal terminal(options.quiet);
    vrx::HeadlessRecorder recorder(options, mqtt);
    QObject::connect(&recorder, &vrx::HeadlessRecorder::logged, &app,
                     [&terminal](const QString& text) { terminal.Event(text); });
    QObject::connect(&recorder, &vrx::HeadlessRecorder::statusChanged, &app,
                     [&] { terminal.Show(recorder.StatusLine()); });
    QObject::connect(&recorder, &vrx::HeadlessRecorder::finished, &app, [&](int code) {
        terminal.Clear();
        QCoreApplication::exit(code);
    });

    // SIGINT and SIGTERM end the recording in the event loop, with "End" in the file.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) {
        Print(stderr,
              QStringLiteral("vrxcom record: %1\n").arg(QString::fromLocal8Bit(strerror(errno))));
        return 1;
    }
    QSocketNotifier signalled(signalPipe[1], QSocketNotifier::Read);
    QObject::connect(&signalled, &QSocketNotifier::activated, &app, [&] {
        char byte = 0;
        [[maybe_unused]] const ssize_t n = ::read(signalPipe[1], &byte, 1);
        terminal.Event(QStringLiteral("stopping"));
        recorder.Stop();
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    if (!recorder.Start(options.com, *settings, &error)) {
        Print(stderr, "vrxcom record: " + error + "\n");
        return 1;
    }
    terminal.Event(QStringLiteral("recording COM%1 (%2) at %3, addresses %4, every %5 s")
                       .arg(options.com)
                       .arg(vrx::ComDescription(vrx::ResolveCom(options.com)),
                            vrx::LineSettingsText(*settings))
                       .arg([&] {
                           QStringList list;
                           for (const int a : options.addresses)
                               if (a != 0) list << QString::number(a);
                           return list.join(QLatin1Char(','));
                       }())
                       .arg(options.interval));
    return app.exec();
}
