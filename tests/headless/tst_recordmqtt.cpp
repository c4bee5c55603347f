// `vrxcom record` publishing to a real broker (Debian's mosquitto on a free loopback port),
// watched by an independent subscriber (mosquitto_sub): what arrives equals the file's lines,
// nothing is missing when the broker goes away and comes back, the last will says "offline"
// when the recorder is killed, and each broker trouble is said once: a broker whose rules
// refuse the samples, one that never answers, one of MQTT 3.1.1 only, a name whose look-up
// hangs. Set messages are taken only when not retained; the password as a service has it.
//
// A consumer de-duplicates on (time, address): QoS 1 may deliver a sample twice when an
// acknowledgement was lost, never with another time.
#include "freeport.h"
#include "recordfile.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vrx;

namespace {

using vrx::test::FreePort;

bool Accepts(int port) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(quint16(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(s);
    return ok;
}

void Stop(QProcess& process, int signal = SIGTERM) {
    if (process.state() == QProcess::NotRunning) return;
    ::kill(pid_t(process.processId()), signal);
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
    }
}

// The broker, with its sessions kept on disk so that a persistent subscriber outlives a restart.
struct Broker {
    QTemporaryDir dir;
    QProcess process;
    int port = FreePort();
    QByteArray extra;

    void Start() {
        const QString conf = dir.filePath("mosquitto.conf");
        QFile file(conf);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            QStringLiteral("listener %1 127.0.0.1\npersistence true\npersistence_location %2/\n")
                .arg(port)
                .arg(dir.path())
                .toUtf8() +
            (extra.isEmpty() ? QByteArray("allow_anonymous true\n") : extra) +
            // Started by root, mosquitto would become the user mosquitto, who may not
            // read this test's private folder.
            (::getuid() == 0 ? QByteArray("user root\n") : QByteArray()));
        file.close();
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start("mosquitto", {"-c", conf});
        QVERIFY2(process.waitForStarted(), "mosquitto is needed (Debian package mosquitto)");
        QTRY_VERIFY2_WITH_TIMEOUT(Accepts(port), process.readAll().constData(), 20000);
    }
    ~Broker() { Stop(process); }
};

// mosquitto_sub on PREFIX/#, QoS 1, with a persistent session.
struct Subscriber {
    QProcess process;
    QByteArray seen;
    void Start(int port, const QString& topics = "vrx/#") {
        process.start("mosquitto_sub", {"-h", "127.0.0.1", "-p", QString::number(port), "-q", "1",
                                        "-c", "-i", "tst-sub", "-v", "-t", topics});
        QVERIFY2(process.waitForStarted(), "mosquitto_sub is needed (mosquitto-clients)");
    }
    QByteArray Seen() {
        seen += process.readAllStandardOutput();
        return seen;
    }
    ~Subscriber() { Stop(process); }
};

struct Recorder {
    QTemporaryDir dir;
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QString host = "127.0.0.1";
    QString file() const { return dir.filePath("lab.txt"); }
    void Start(int port, const QStringList& more = {}) {
        env.insert("VRX_COM1", "sim");
        env.remove("JOURNAL_STREAM");
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(dir.path());
        process.start(VRXCOM_PATH,
                      QStringList{"record", "--com", "COM1", "--addresses", "1,2", "--out",
                                  "lab.txt", "--mqtt",
                                  QStringLiteral("mqtt://%1:%2/vrx").arg(host).arg(port)} +
                          more);
        QVERIFY(process.waitForStarted());
    }
    QByteArray Read() const {
        QFile f(file());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    int Lines() const { return int(Read().count('\n')) - 1; }
    QByteArray log;
    QByteArray Log() {
        log += process.readAllStandardError();
        return log;
    }
    ~Recorder() { Stop(process, SIGKILL); }
};

// The set value of the second field in the file's last data line, in tenths.
QByteArray LastSetValue(const QByteArray& file) {
    const QList<QByteArray> data = file.trimmed().split('\n');
    const QByteArray last = data.last() == "End" ? data[data.size() - 2] : data.last();
    return last.mid(FieldLength, FieldLength).simplified().split(' ').value(2);
}

void Publish(int port, const QStringList& more) {
    QProcess pub;
    pub.start("mosquitto_pub",
              QStringList{"-h", "127.0.0.1", "-p", QString::number(port), "-q", "1"} + more);
    QVERIFY(pub.waitForFinished(20000));
    QCOMPARE(pub.exitCode(), 0);
}

// (time of day, address) -> (pv, sv) in tenths, from the file's data lines.
using Samples = QMap<QPair<QTime, int>, QPair<int, int>>;

Samples FileSamples(const QByteArray& file) {
    Samples samples;
    const QList<QByteArray> lines = file.split('\n');
    for (const QByteArray& raw : lines.mid(1)) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line == "End") continue;
        const QTime at = *ParseTimeOfDay(line.mid(2 * FieldLength).trimmed());
        for (int field = 0; field < 2; ++field) {
            const QList<QByteArray> parts =
                line.mid(field * FieldLength, FieldLength).simplified().split(' ');
            samples[{at, field + 1}] = {parts[1].toInt(), parts[2].toInt()};
        }
    }
    return samples;
}

// The samples received, de-duplicated on (time, address), and whether each address's arrived in
// order of time.
Samples Received(const QByteArray& seen, bool* inOrder) {
    Samples samples;
    QMap<int, QTime> last;
    *inOrder = true;
    for (const QByteArray& line : seen.split('\n')) {
        if (!line.endsWith('}')) continue;
        const qsizetype space = line.indexOf(' ');
        const QList<QByteArray> topic = line.left(space).split('/');
        if (topic.size() != 4 || topic[3] != "state") continue;
        const QJsonObject o = QJsonDocument::fromJson(line.mid(space + 1)).object();
        const QTime at =
            QDateTime::fromString(o.value("time").toString(), Qt::ISODate).toLocalTime().time();
        const int address = topic[2].toInt();
        if (last.contains(address) && at < last[address]) *inOrder = false;
        last[address] = at;
        samples[{at, address}] = {qRound(o.value("pv").toDouble() * 10),
                                  qRound(o.value("sv").toDouble() * 10)};
    }
    return samples;
}

} // namespace

class TestRecordMqtt : public QObject {
    Q_OBJECT

private slots:
    // What the subscriber sees equals the file; status online then offline, both retained;
    // the discovery configs retained.
    void samplesEqualTheFile() {
        Broker broker;
        broker.Start();
        Subscriber sub;
        sub.Start(broker.port, "#");
        Recorder rec;
        rec.Start(broker.port, {"--ha-discovery"});
        QTRY_VERIFY_WITH_TIMEOUT(rec.Lines() >= 4, 30000);
        Stop(rec.process);
        QCOMPARE(rec.process.exitCode(), 0);
        const Samples file = FileSamples(rec.Read());
        bool inOrder = false;
        QTRY_COMPARE_WITH_TIMEOUT(Received(sub.Seen(), &inOrder), file, 20000);
        QVERIFY(inOrder);
        QTRY_VERIFY_WITH_TIMEOUT(sub.Seen().endsWith("vrx/status offline\n"), 20000);
        QVERIFY(sub.Seen().startsWith("vrx/status online\n"));
        QCOMPARE(sub.Seen().count("homeassistant/sensor/vrxcom_vrx_COM1_"), 4);

        // Retained: a late subscriber is told at once.
        QProcess late;
        late.start("mosquitto_sub", {"-h", "127.0.0.1", "-p", QString::number(broker.port), "-v",
                                     "-W", "5", "-t", "vrx/status", "-t", "homeassistant/#"});
        QVERIFY(late.waitForFinished(20000));
        const QByteArray retained = late.readAllStandardOutput();
        QVERIFY(retained.contains("vrx/status offline\n"));
        QCOMPARE(retained.count("/config {"), 4);
    }

    // The broker goes away for a while and comes back: the samples of that time arrive, in
    // order, none missing.
    void brokerAwayAndBack() {
        Broker broker;
        broker.Start();
        Subscriber sub;
        sub.Start(broker.port);
        Recorder rec;
        rec.Start(broker.port);
        QTRY_VERIFY_WITH_TIMEOUT(sub.Seen().count("/state ") >= 4, 30000);
        Stop(broker.process);
        const int atStop = rec.Lines();
        QTRY_VERIFY_WITH_TIMEOUT(rec.Lines() >= atStop + 8, 40000);
        QTRY_VERIFY_WITH_TIMEOUT(rec.Log().contains("MQTT: lost broker"), 20000);
        broker.Start();
        QTRY_VERIFY_WITH_TIMEOUT(rec.Log().contains("waiting samples"), 30000);
        const int atReturn = rec.Lines();
        QTRY_VERIFY_WITH_TIMEOUT(rec.Lines() >= atReturn + 2, 30000);
        Stop(rec.process);
        const Samples file = FileSamples(rec.Read());
        QVERIFY(file.size() >= 2 * (atStop + 10));
        bool inOrder = false;
        QTRY_COMPARE_WITH_TIMEOUT(Received(sub.Seen(), &inOrder), file, 30000);
        QVERIFY(inOrder);
        QCOMPARE(rec.Log().count("MQTT: lost broker"), 1);
    }

    // kill -9: the broker says the last will.
    void killedRecorderIsOffline() {
        Broker broker;
        broker.Start();
        Subscriber sub;
        sub.Start(broker.port, "vrx/status");
        Recorder rec;
        rec.Start(broker.port);
        QTRY_VERIFY_WITH_TIMEOUT(sub.Seen() == "vrx/status online\n", 30000);
        Stop(rec.process, SIGKILL);
        QTRY_COMPARE_WITH_TIMEOUT(sub.Seen(), QByteArray("vrx/status online\nvrx/status offline\n"),
                                  20000);
    }

    // A set message writes the set value only with --allow-writes; its result is published.
    void writesFromTheNetwork_data() {
        QTest::addColumn<bool>("allowed");
        QTest::newRow("allowed") << true;
        QTest::newRow("not allowed") << false;
    }
    void writesFromTheNetwork() {
        QFETCH(bool, allowed);
        Broker broker;
        broker.Start();
        Subscriber sub;
        sub.Start(broker.port, "vrx/COM1/2/set/result");
        Recorder rec;
        rec.Start(broker.port, allowed ? QStringList{"--allow-writes"} : QStringList{});
        QTRY_VERIFY_WITH_TIMEOUT(rec.Log().contains("MQTT: connected"), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(rec.Lines() >= 1, 30000);
        QProcess pub;
        pub.start("mosquitto_pub", {"-h", "127.0.0.1", "-p", QString::number(broker.port), "-q",
                                    "1", "-t", "vrx/COM1/2/set", "-m", R"({"sv": 42.5})"});
        QVERIFY(pub.waitForFinished(20000));
        const int lines = rec.Lines();
        QTRY_VERIFY_WITH_TIMEOUT(rec.Lines() >= lines + 3, 30000);
        Stop(rec.process);
        // The second field's set value in the last data line.
        const QList<QByteArray> data = rec.Read().split('\n');
        const QByteArray last = data[data.size() - 3];
        const QByteArray sv = last.mid(FieldLength, FieldLength).simplified().split(' ').value(2);
        QCOMPARE(sv, allowed ? QByteArray("425") : QByteArray("600"));
        if (allowed) {
            QTRY_COMPARE_WITH_TIMEOUT(sub.Seen(),
                                      QByteArray("vrx/COM1/2/set/result "
                                                 "{\"result\":\"ok\",\"sv\":42.5}\n"),
                                      20000);
            QVERIFY(rec.Log().contains("COM1 address 2: set value 42.5 written\n"));
        } else {
            QVERIFY(sub.Seen().isEmpty());
            QVERIFY(!rec.Log().contains("set value"));
        }
    }

    // Each trouble with the broker is one clear line, not one a try; the file is written all
    // the same.
    void brokerTroubleSaidOnce_data() {
        QTest::addColumn<bool>("broker");
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("unreachable") << false << QByteArray() << QByteArray("unreachable (");
        QTest::newRow("refused")
            << true << QByteArray("wrong")
            << QByteArray("refused the connection: Not authorized; trying again every minute");
        QTest::newRow("accepted") << true << QByteArray("secret")
                                  << QByteArray("MQTT: connected to broker");
    }
    void brokerTroubleSaidOnce() {
        QFETCH(bool, broker);
        QFETCH(QByteArray, password);
        QFETCH(QByteArray, message);
        Broker b;
        QStringList more;
        if (broker) {
            QProcess passwd;
            passwd.start("mosquitto_passwd",
                         {"-c", "-b", b.dir.filePath("passwords"), "vrx", "secret"});
            QVERIFY(passwd.waitForFinished(20000));
            b.extra = "allow_anonymous false\npassword_file " +
                      b.dir.filePath("passwords").toUtf8() + "\n";
            b.Start();
            QFile file(b.dir.filePath("pw"));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(password + "\n");
            more = QStringList{"--mqtt-user", "vrx", "--mqtt-password-file", file.fileName()};
        }
        Recorder rec;
        rec.Start(b.port, more);
        QTRY_VERIFY2_WITH_TIMEOUT(rec.Log().contains(message), rec.Log().constData(), 30000);
        const int lines = rec.Lines();
        QTRY_VERIFY_WITH_TIMEOUT(rec.Lines() >= lines + 4, 30000);
        QCOMPARE(rec.Log().count("MQTT: "), 1);
        QVERIFY2(!rec.Log().contains("secret"), rec.Log().constData());
    }

    // Only a set message published without retain is an order: a retained one would be
    // written again at every connection and start. A malformed one is refused without a set
    // value of its own.
    void setMessagesRefused_data() {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<bool>("retain");
        QTest::addColumn<bool>("beforeStart");
        QTest::addColumn<QByteArray>("result");
        const QByteArray retained =
            "{\"reason\":\"retained; a set value is taken only from a message published "
            "without retain\",\"result\":\"refused\",\"sv\":44.4}";
        const QByteArray set = "{\"sv\": 44.4}";
        QTest::newRow("retained, kept from before the start") << set << true << true << retained;
        QTest::newRow("retained, while recording") << set << true << false << retained;
        QTest::newRow("malformed")
            << QByteArray("{\"sv\": \"hot\"}") << false << false
            << QByteArray("{\"reason\":\"not {\\\"sv\\\": number}\",\"result\":\"refused\"}");
    }
    void setMessagesRefused() {
        QFETCH(QByteArray, payload);
        QFETCH(bool, retain);
        QFETCH(bool, beforeStart);
        QFETCH(QByteArray, result);
        Broker broker;
        broker.Start();
        Subscriber sub;
        sub.Start(broker.port, "vrx/COM1/2/set/result");
        const QStringList message{"-t", "vrx/COM1/2/set", "-m", QString::fromUtf8(payload)};
        if (beforeStart) Publish(broker.port, message + QStringList{"-r"});
        Recorder rec;
        rec.Start(broker.port, {"--allow-writes"});
        QTRY_VERIFY_WITH_TIMEOUT(rec.Log().contains("MQTT: connected"), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(rec.Lines() >= 1, 30000);
        if (!beforeStart) Publish(broker.port, retain ? message + QStringList{"-r"} : message);
        QTRY_COMPARE_WITH_TIMEOUT(sub.Seen(), "vrx/COM1/2/set/result " + result + "\n", 20000);
        const int lines = rec.Lines();
        QTRY_VERIFY_WITH_TIMEOUT(rec.Lines() >= lines + 3, 30000);
        Stop(rec.process);
        QCOMPARE(LastSetValue(rec.Read()), QByteArray("600"));
        QVERIFY(rec.Log().contains("COM1 address 2: set value refused over MQTT: "));
        QVERIFY(!rec.Log().contains("written"));
    }

    // A broker whose rules deny the prefix acknowledges and throws away: that is said once,
    // and the samples stay in the queue instead of being counted as sent.
    void deniedPrefixSaid() {
        Broker broker;
        QFile acl(broker.dir.filePath("acl"));
        QVERIFY(acl.open(QIODevice::WriteOnly));
        acl.write("topic readwrite other/#\n");
        acl.close();
        broker.extra = "allow_anonymous true\nacl_file " + acl.fileName().toUtf8() + "\n";
        broker.Start();
        Recorder rec;
        rec.Start(broker.port);
        QTRY_VERIFY_WITH_TIMEOUT(rec.Log().contains("refuses the samples (vrx/COM1/"), 30000);
        QVERIFY2(rec.Log().contains(": Not authorized); they are kept in the queue"),
                 rec.Log().constData());
        const int lines = rec.Lines();
        QTRY_VERIFY_WITH_TIMEOUT(rec.Lines() >= lines + 4, 30000);
        Stop(rec.process);
        QCOMPARE(rec.Log().count("refuses the samples"), 1);
        const QRegularExpression unsent("MQTT: (\\d+) samples not sent");
        const QRegularExpressionMatch match = unsent.match(QString::fromUtf8(rec.Log()));
        QVERIFY2(match.hasMatch(), rec.Log().constData());
        QCOMPARE(match.captured(1).toInt(), FileSamples(rec.Read()).size());
    }

    // A broker that takes the connection and never answers is said to be so, in words.
    void silentBrokerSaid() {
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        Recorder rec;
        rec.Start(silent.serverPort());
        QTRY_VERIFY_WITH_TIMEOUT(
            rec.Log().contains("MQTT: broker 127.0.0.1:" + QByteArray::number(silent.serverPort()) +
                               " did not answer; trying again"),
            90000);
        QVERIFY2(!rec.Log().contains("Unknown"), rec.Log().constData());
        QVERIFY(rec.Lines() >= 10);
    }

    // The broker's name is looked up away from the samples: while the look-up hangs, a line a
    // second goes on being written; once it gives an address, the samples go to the broker.
    void slowLookupKeepsSampling() {
        Broker broker;
        broker.Start();
        Subscriber sub;
        sub.Start(broker.port);
        Recorder rec;
        const QString gate = rec.dir.filePath("lookup-gate");
        rec.env.insert("LD_PRELOAD", SLOWLOOKUP_PATH);
        rec.env.insert("VRX_SLOW_NAME", "broker.slow.test");
        rec.env.insert("VRX_SLOW_GATE", gate);
        rec.host = "broker.slow.test";
        rec.Start(broker.port);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(gate + ".asked"), 30000);
        const int lines = rec.Lines();
        // The look-up hangs for a minute unless let go: the lines must come before that.
        QTRY_VERIFY_WITH_TIMEOUT(rec.Lines() >= lines + 4, 20000);
        QFile(gate).open(QIODevice::WriteOnly);
        QTRY_VERIFY_WITH_TIMEOUT(rec.Log().contains("MQTT: connected to broker broker.slow.test"),
                                 30000);
        QTRY_VERIFY_WITH_TIMEOUT(sub.Seen().count("/state ") >= 2 * (lines + 4), 30000);
    }

    // A service's password: a file only its owner reads, or systemd's credential; a file that
    // others can read is warned of.
    void servicePassword_data() {
        QTest::addColumn<bool>("credential");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("warned");
        QTest::newRow("file 0600") << false << 0600 << false;
        QTest::newRow("file 0640") << false << 0640 << true;
        QTest::newRow("file 0644") << false << 0644 << true;
        QTest::newRow("credential") << true << 0400 << false;
    }
    void servicePassword() {
        QFETCH(bool, credential);
        QFETCH(int, mode);
        QFETCH(bool, warned);
        Broker b;
        QProcess passwd;
        passwd.start("mosquitto_passwd",
                     {"-c", "-b", b.dir.filePath("passwords"), "vrx", "secret"});
        QVERIFY(passwd.waitForFinished(20000));
        b.extra =
            "allow_anonymous false\npassword_file " + b.dir.filePath("passwords").toUtf8() + "\n";
        b.Start();
        Recorder rec;
        QVERIFY(QDir(rec.dir.path()).mkdir("credentials"));
        const QString path =
            rec.dir.filePath(credential ? "credentials/mqtt-password" : "password");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("secret\n");
        file.close();
        QVERIFY(::chmod(QFile::encodeName(path).constData(), mode_t(mode)) == 0);
        if (credential) rec.env.insert("CREDENTIALS_DIRECTORY", rec.dir.filePath("credentials"));
        rec.Start(b.port, {"--mqtt-user", "vrx", "--mqtt-password-file",
                           credential ? QString("mqtt-password") : path});
        QTRY_VERIFY_WITH_TIMEOUT(rec.Log().contains("MQTT: connected to broker"), 30000);
        QCOMPARE(rec.Log().contains("is readable by other users; chmod 600 it"), warned);
        QVERIFY(!rec.Log().contains("secret"));
    }
    // A broker of MQTT 3.1.1 only refuses MQTT 5: the recorder says so and goes on in 3.1.1.
    // (A stand-in that answers the CONNECT alone, as mosquitto speaks both.)
    void olderBrokerTakesSamples() {
        QTcpServer older;
        QVERIFY(older.listen(QHostAddress::LocalHost));
        QByteArrayList levels;
        connect(&older, &QTcpServer::newConnection, this, [&] {
            QTcpSocket* socket = older.nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [&levels, socket] {
                const QByteArray connect = socket->readAll();
                // Fixed header, a one-byte length, "\0\4MQTT", then the protocol level.
                if (connect.size() < 9 || connect[0] != '\x10') return;
                levels << connect.mid(8, 1).toHex();
                socket->write(connect[8] == 4 ? QByteArray("\x20\x02\x00\x00", 4)
                                              : QByteArray("\x20\x02\x00\x01", 4));
            });
        });
        Recorder rec;
        rec.Start(older.serverPort());
        QTRY_VERIFY2_WITH_TIMEOUT(rec.Log().contains("MQTT: connected to broker"),
                                  rec.Log().constData(), 30000);
        QVERIFY(rec.Log().contains("speaks MQTT 3.1.1 only"));
        QCOMPARE(levels.mid(0, 2), (QByteArrayList{"05", "04"}));
    }
};

QTEST_GUILESS_MAIN(TestRecordMqtt)
#include "tst_recordmqtt.moc"
