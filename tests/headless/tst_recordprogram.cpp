// `vrxcom record` as a process on simulated controllers: the record file as it grows (readable
// by the viewer), "End" and exit 0 on SIGINT and SIGTERM, no widget library in the process,
// events only when standard error is no terminal, and the messages of wrong start-ups.
#include "helperprocess.h"
#include "recordfile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace vrx;

namespace {

struct Recording {
    QTemporaryDir dir;
    QProcess process;
    QString file() const { return dir.filePath("lab.txt"); }

    void Start(const QByteArray& sim, const QStringList& more = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("VRX_COM1", QString::fromLatin1(sim));
        env.remove("JOURNAL_STREAM");
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(dir.path());
        process.start(VRXCOM_PATH,
                      QStringList{"record", "--com", "COM1", "--out", "lab.txt"} + more);
        QVERIFY(process.waitForStarted());
    }
    QByteArray Read() const {
        QFile f(file());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    int Lines() const { return int(Read().count('\n')) - 1; }
    ~Recording() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }
};

} // namespace

class TestRecordProgram : public QObject {
    Q_OBJECT

private slots:
    void recordsUntilSignalled_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
    }
    void recordsUntilSignalled() {
        QFETCH(int, signal);
        Recording r;
        r.Start("sim", {"--addresses", "1,3"});
        QTRY_VERIFY_WITH_TIMEOUT(r.Lines() >= 3, 20000);

        // The viewer reads the file while it is written.
        SampleStore samples;
        const RecordLoad load = LoadRecordFile(r.file(), samples);
        QVERIFY(!load.broken);
        QVERIFY(load.layout.recordCount >= 3);
        QCOMPARE(load.layout.header.addresses, (Addresses{1, 3, 0, 0, 0, 0, 0, 0}));

        // Qt Core, and nothing of the widgets or the display.
        QFile maps(QStringLiteral("/proc/%1/maps").arg(r.process.processId()));
        QVERIFY(maps.open(QIODevice::ReadOnly));
        const QByteArray mapped = maps.readAll();
        QVERIFY(mapped.contains("libQt6Core"));
        QVERIFY(!mapped.contains("libQt6Widgets"));
        QVERIFY(!mapped.contains("libQt6Gui"));

        ::kill(pid_t(r.process.processId()), signal);
        QVERIFY(r.process.waitForFinished(20000));
        QCOMPARE(r.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(r.process.exitCode(), 0);
        QVERIFY(r.Read().endsWith("\r\nEnd\r\n"));
        // Not a terminal: events, one a line, and no status line.
        const QByteArray log = r.process.readAllStandardError();
        QVERIFY(!log.contains('\r'));
        QVERIFY2(log.contains("recording into lab.txt\n"), log.constData());
    }

    // A silent controller is written as --- and said once with its line and address.
    void silentDeviceIsMarked() {
        Recording r;
        r.Start("sim:addresses=1,2:preset=factory:fault=noanswer:faultaddress=2",
                {"--addresses", "1,2"});
        QTRY_VERIFY_WITH_TIMEOUT(r.Read().contains("1 ---    ---"), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(r.Lines() >= 4, 20000);
        ::kill(pid_t(r.process.processId()), SIGTERM);
        QVERIFY(r.process.waitForFinished(20000));
        QCOMPARE(r.process.exitCode(), 0);
        const QByteArray log = r.process.readAllStandardError();
        QCOMPARE(
            log.count("COM1 address 2: no answer; written as --- and asked again once a minute\n"),
            1);
        QVERIFY(!log.contains("address 1:"));
    }

    // A line that is back for a moment, again and again (a server that takes the connection
    // and closes it): the loss is one line of the log, with where the line goes.
    void lostLineLoggedOnce() {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        int accepted = 0;
        QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
            while (QTcpSocket* socket = server.nextPendingConnection()) {
                ++accepted;
                socket->disconnectFromHost();
            }
        });
        Recording r;
        r.Start("tcp:127.0.0.1:" + QByteArray::number(server.serverPort()), {"--addresses", "1"});
        QTRY_VERIFY_WITH_TIMEOUT(accepted >= 4, 20000);
        ::kill(pid_t(r.process.processId()), SIGTERM);
        QVERIFY(r.process.waitForFinished(20000));
        QCOMPARE(r.process.exitCode(), 0);
        const QByteArray log = r.process.readAllStandardError();
        const QByteArray said = QStringLiteral("COM1 (tcp 127.0.0.1:%1) was disconnected. It is "
                                               "opened again by itself as soon as it is back. "
                                               "Meanwhile --- is written.\n")
                                    .arg(server.serverPort())
                                    .toUtf8();
        QVERIFY2(log.count(said) == 1, log.constData());
        QVERIFY2(log.count("disconnected") == 1 && log.count("lost") == 0, log.constData());
        QVERIFY2(log.count("COM1: line back\n") <= 1, log.constData());
    }

    // A cabinet with two lines: each recorder has its own configuration file, its own working
    // folder and no settings file, and finds its line by a fixed path (as /dev/serial/by-id/
    // names an adapter) at its own speed, format and framing. A recorder that took the other's
    // framing, or the defaults, would record nothing but ---.
    void twoLinesSideBySide() {
        QTemporaryDir dir;
        struct Line {
            const char* name;
            const char* mode;
            const char* addresses;
            QString config;
            QByteArray started;
        };
        std::array<Line, 2> lines{
            Line{"line1", "rtu", "1,2", "baud 19200\nformat 8N1\nframing rtu\n",
                 "recording COM1 (%1) at 19200 8N1 RTU, addresses 1,2, every 1 s\n"},
            Line{"line2", "ascii", "3", "com COM2\nbaud 4800\nformat 8E2\nframing ascii\n",
                 "recording COM2 (%1) at 4800 8E2 ASCII, addresses 3, every 1 s\n"}};
        std::array<test::HelperProcess, 2> sims;
        std::array<QProcess, 2> recorders;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const QString link = dir.filePath(QStringLiteral("usb-adapter-%1-port0").arg(i));
            QVERIFY(sims[i].Start(VRXSIM_PATH, {"--link", link, "--mode", lines[i].mode,
                                                "--addresses", lines[i].addresses}));
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(link), test::HelperBound);
            const QString folder = dir.filePath(lines[i].name);
            QVERIFY(QDir().mkpath(folder));
            QFile config(dir.filePath(QStringLiteral("record-%1.conf").arg(lines[i].name)));
            QVERIFY(config.open(QIODevice::WriteOnly));
            config.write(QStringLiteral("device %1\naddresses %2\nout-dir %3\n%4")
                             .arg(link, lines[i].addresses, folder + "/files", lines[i].config)
                             .toUtf8());
            config.close();
            lines[i].started = QString::fromLatin1(lines[i].started).arg(link).toUtf8();
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            for (const QString& name : env.keys())
                if (name.startsWith("VRX_COM")) env.remove(name);
            env.remove("JOURNAL_STREAM");
            recorders[i].setProcessEnvironment(env);
            recorders[i].setWorkingDirectory(folder);
            recorders[i].start(VRXCOM_PATH, {"record", "--config", config.fileName()});
            QVERIFY(recorders[i].waitForStarted());
        }
        // Three good samples of every device, in each line's own file.
        const auto files = [&](std::size_t i) {
            return QDir(dir.filePath(QString::fromLatin1(lines[i].name) + "/files"))
                .entryInfoList({"*.txt"}, QDir::Files);
        };
        const auto goodLines = [&](std::size_t i) {
            const QFileInfoList found = files(i);
            if (found.size() != 1) return 0;
            QFile file(found.first().filePath());
            if (!file.open(QIODevice::ReadOnly)) return 0;
            const QList<QByteArray> records = file.readAll().split('\n').mid(1);
            return int(std::count_if(records.begin(), records.end(), [](const QByteArray& r) {
                return r.size() > 10 && !r.contains("---");
            }));
        };
        QTRY_VERIFY_WITH_TIMEOUT(goodLines(0) >= 3 && goodLines(1) >= 3, 30000);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            ::kill(pid_t(recorders[i].processId()), SIGTERM);
            QVERIFY(recorders[i].waitForFinished(20000));
            QCOMPARE(recorders[i].exitCode(), 0);
            const QByteArray log = recorders[i].readAllStandardError();
            QVERIFY2(log.contains(lines[i].started), log.constData());
            QVERIFY2(!log.contains("no answer"), log.constData());
            QVERIFY(
                !QFile::exists(dir.filePath(QString::fromLatin1(lines[i].name) + "/SETVRX.$$$")));
        }
        SampleStore samples;
        QCOMPARE(LoadRecordFile(files(0).first().filePath(), samples).layout.header.addresses,
                 (Addresses{1, 2, 0, 0, 0, 0, 0, 0}));
        QCOMPARE(LoadRecordFile(files(1).first().filePath(), samples).layout.header.addresses,
                 (Addresses{3, 0, 0, 0, 0, 0, 0, 0}));
    }

    void wrongStart_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("settings"); // the settings file in the current folder
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("message");
        const QStringList good{"--com", "COM1", "--addresses", "1", "--out", "x.txt"};
        QTest::newRow("bad option")
            << QStringList{"--com", "COM1", "--addresses", "1,1"} << QByteArray() << 2
            << QByteArray(
                   "vrxcom record: --addresses: address 1 is given twice\n\nUsage: vrxcom record");
        QTest::newRow("bad url")
            << good + QStringList{"--mqtt", "mqtt://h:99999/p"} << QByteArray() << 2
            << QByteArray("vrxcom record: --mqtt: '99999' is not a port from 1 to 65535\n");
        QTest::newRow("settings file")
            << good << QByteArray("abc\r\n") << 1
            << QByteArray("vrxcom record: 'abc' is not a valid integer value\n");
        QTest::newRow("no line") << QStringList{"--com", "COM7",  "--addresses",
                                                "1",     "--out", "x.txt"}
                                 << QByteArray() << 1
                                 << QByteArray("vrxcom record: COM7 does not exist\n");
        QTest::newRow("RTU on 7 bits")
            << good + QStringList{"--framing", "rtu"} << QByteArray() << 2
            << QByteArray("vrxcom record: RTU needs 8 data bits, and the line has 7 (9600 7E1 "
                          "RTU): give --format with 8 data bits, or --framing ascii\n");
        QTest::newRow("device missing")
            << QStringList{"--device", "/dev/serial/by-id/none", "--addresses", "1", "--out",
                           "x.txt"}
            << QByteArray() << 1 << QByteArray("vrxcom record: COM1: ");
        QTest::newRow("network line written wrong")
            << QStringList{"--com", "COM8", "--addresses", "1", "--out", "x.txt"} << QByteArray()
            << 1 << QByteArray("vrxcom record: COM8: tcp:10.0.0.7: the port is missing\n");
    }
    void wrongStart() {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, settings);
        QFETCH(int, code);
        QFETCH(QByteArray, message);
        QTemporaryDir dir;
        if (!settings.isEmpty()) {
            QFile file(dir.filePath("SETVRX.$$$"));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(settings);
        }
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("VRX_COM1", "sim");
        env.insert("VRX_COM7", "");
        env.insert("VRX_COM8", "tcp:10.0.0.7");
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(dir.path());
        process.start(VRXCOM_PATH, QStringList{"record"} + arguments);
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitCode(), code);
        const QByteArray log = process.readAllStandardError();
        QVERIFY2(log.startsWith(message), log.constData());
        QVERIFY(!QFile::exists(dir.filePath("x.txt")));
    }

    void help() {
        QProcess process;
        process.start(VRXCOM_PATH, {"record", "--help"});
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitCode(), 0);
        const QByteArray text = process.readAllStandardOutput();
        for (const char* option :
             {"--com", "--device", "--baud", "--format", "--framing", "--serve", "--serve-writes",
              "--serve-clients", "--addresses", "--interval", "--out", "--out-dir", "--quiet",
              "--config", "--mqtt", "--mqtt-ca", "--mqtt-user", "--mqtt-password-file",
              "--ha-discovery"})
            QVERIFY2(text.contains(QByteArray("  ") + option + ' '), option);
    }
};

QTEST_GUILESS_MAIN(TestRecordProgram)
#include "tst_recordprogram.moc"
