// The command lines of vrxcom and vrx-sim: which arguments mean help, version, running or an
// error, and the two programs run for real without a display.
#include "commandline.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace vrx;
using Action = ProgramCommand::Action;

Q_DECLARE_METATYPE(ProgramCommand::Action)

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void parse_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("error");
        const QStringList none;
        QTest::newRow("nothing runs") << none << Action::Run << "";
        QTest::newRow("--help") << QStringList{"--help"} << Action::Help << "";
        QTest::newRow("-h") << QStringList{"-h"} << Action::Help << "";
        QTest::newRow("--version") << QStringList{"--version"} << Action::Version << "";
        QTest::newRow("-v") << QStringList{"-v"} << Action::Version << "";
        QTest::newRow("help wins over version")
            << QStringList{"--version", "--help"} << Action::Help << "";

        // Qt's options must reach the application object, in each form Qt accepts.
        QTest::newRow("Qt option and its value")
            << QStringList{"-platform", "offscreen"} << Action::Run << "";
        QTest::newRow("Qt option with two dashes")
            << QStringList{"--style", "Fusion"} << Action::Run << "";
        QTest::newRow("Qt option with =") << QStringList{"-style=Fusion"} << Action::Run << "";
        QTest::newRow("Qt flag") << QStringList{"-reverse"} << Action::Run << "";
        QTest::newRow("Qt option's value is not an argument of ours")
            << QStringList{"-display", "--help"} << Action::Run << "";
        QTest::newRow("version among Qt options")
            << QStringList{"-platform", "offscreen", "--version"} << Action::Version << "";

        QTest::newRow("unknown option")
            << QStringList{"--bogus"} << Action::Error << "unknown option '--bogus'";
        QTest::newRow("unknown short option")
            << QStringList{"-x"} << Action::Error << "unknown option '-x'";
        QTest::newRow("help with = is not help")
            << QStringList{"--help=yes"} << Action::Error << "unknown option '--help=yes'";
        QTest::newRow("stray argument")
            << QStringList{"monitor.txt"} << Action::Error << "unexpected argument 'monitor.txt'";
        QTest::newRow("lone dash")
            << QStringList{"-"} << Action::Error << "unexpected argument '-'";
        QTest::newRow("Qt option without its value")
            << QStringList{"-platform"} << Action::Error << "option '-platform' needs a value";
        QTest::newRow("an error wins over help")
            << QStringList{"--help", "--bogus"} << Action::Error << "unknown option '--bogus'";
    }
    void parse() {
        QFETCH(QStringList, arguments);
        QFETCH(Action, action);
        QFETCH(QString, error);
        const ProgramCommand command = ParseProgramArguments(arguments);
        QCOMPARE(command.action, action);
        QCOMPARE(command.error, error);
    }

    void usageNamesTheSettingsFileWhereItIs() {
        const QString usage = ProgramUsage("/home/tech/line2");
        QVERIFY2(usage.contains("/home/tech/line2/SETVRX.$$$"), qPrintable(usage));
        QVERIFY(usage.contains("VRX_COM1=/dev/ttyUSB0"));
        QVERIFY(usage.contains("dialout"));
    }

    // The programs themselves, started with no display at all: a program that made its
    // application object before reading its arguments would fail here instead of answering.
    void programs_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out"); // what stdout holds ("=..." for all of it)
        QTest::addColumn<QString>("err"); // what stderr holds ("=..." for all of it)
        const QString vrxcom = VRXCOM_PATH, vrxsim = VRXSIM_PATH;
        const QString nothing = "=";
        QTest::newRow("vrxcom --version")
            << vrxcom << QStringList{"--version"} << 0 << "=vrxcom " PROJECT_VERSION "\n"
            << nothing;
        QTest::newRow("vrxcom --help")
            << vrxcom << QStringList{"--help"} << 0 << "Usage: vrxcom" << nothing;
        QTest::newRow("vrxcom --help names the settings file where it is started")
            << vrxcom << QStringList{"--help"} << 0 << "    {folder}/SETVRX.$$$\n"
            << nothing;
        QTest::newRow("vrxcom, unknown option")
            << vrxcom << QStringList{"--bogus"} << 2 << nothing
            << "vrxcom: unknown option '--bogus'\n\nUsage: vrxcom";
        QTest::newRow("vrxcom, stray argument")
            << vrxcom << QStringList{"COM1"} << 2 << nothing << "Usage: vrxcom";
        QTest::newRow("vrx-sim --version")
            << vrxsim << QStringList{"--version"} << 0 << "=vrx-sim " PROJECT_VERSION "\n"
            << nothing;
        QTest::newRow("vrx-sim --help")
            << vrxsim << QStringList{"--help"} << 0 << "--link <PATH>" << nothing;
        QTest::newRow("vrx-sim, unknown option")
            << vrxsim << QStringList{"--bogus", "--link", "/tmp/x"} << 2 << nothing
            << "vrx-sim: Unknown option 'bogus'.\n\nUsage: ";
        QTest::newRow("vrx-sim, stray argument")
            << vrxsim << QStringList{"--link", "/tmp/x", "extra"} << 2 << nothing
            << "vrx-sim: unexpected argument 'extra'";
        QTest::newRow("vrx-sim with nowhere to serve")
            << vrxsim << QStringList{} << 2 << nothing
            << "one of --link PATH, --tcp, --mbtcp or --connect HOST:PORT is required";
        QTest::newRow("vrx-sim with two places to serve")
            << vrxsim << QStringList{"--link", "/tmp/x", "--tcp", "127.0.0.1:0"} << 2 << nothing
            << "one of --link PATH, --tcp, --mbtcp or --connect HOST:PORT is required";
        QTest::newRow("vrx-sim --tcp without a port")
            << vrxsim << QStringList{"--tcp", "127.0.0.1"} << 2 << nothing
            << "vrx-sim: '127.0.0.1' is not HOST:PORT";
        QTest::newRow("vrx-sim --connect to port 0")
            << vrxsim << QStringList{"--connect", "127.0.0.1:0"} << 2 << nothing
            << "vrx-sim: '127.0.0.1:0' is not HOST:PORT";
    }
    void programs() {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const QTemporaryDir folder; // nothing may be written where the program starts
        QVERIFY(folder.isValid());
        out.replace("{folder}", folder.path());

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(name);
        QProcess process;
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(folder.path());
        process.start(program, arguments);
        QVERIFY2(process.waitForFinished(30000), qPrintable(process.errorString()));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);

        const QString stdoutText = QString::fromLocal8Bit(process.readAllStandardOutput());
        const QString stderrText = QString::fromLocal8Bit(process.readAllStandardError());
        const auto check = [](const QString& seen, const QString& expected) {
            return expected.startsWith('=') ? seen == expected.mid(1) : seen.contains(expected);
        };
        QVERIFY2(check(stdoutText, out), qPrintable("stdout: " + stdoutText));
        QVERIFY2(check(stderrText, err), qPrintable("stderr: " + stderrText));
        QCOMPARE(process.exitCode(), exitCode);
        QVERIFY(QDir(folder.path()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
