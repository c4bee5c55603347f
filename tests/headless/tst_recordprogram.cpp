// `vrxcom record` as a process on simulated controllers: the record file as it grows (readable
// by the viewer), "End" and exit 0 on SIGINT and SIGTERM, no widget library in the process,
// events only when standard error is no terminal, and the messages of wrong start-ups.
#include "recordfile.h"

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
             {"--com", "--addresses", "--interval", "--out", "--out-dir", "--quiet", "--config",
              "--mqtt", "--mqtt-ca", "--mqtt-user", "--mqtt-password-file", "--ha-discovery"})
            QVERIFY2(text.contains(QByteArray("  ") + option + ' '), option);
    }
};

QTEST_GUILESS_MAIN(TestRecordProgram)
#include "tst_recordprogram.moc"
