// The options of `vrxcom record`: the command line, the configuration file, the broker URL, and
// the topics and JSON it publishes.
#include "recordoptions.h"
#include "samplemessages.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QTimeZone>

using namespace vrx;

namespace {

// Configuration files by name, for --config.
std::map<QString, QByteArray> files;

std::optional<QByteArray> ReadFile(const QString& path, QString* error) {
    const auto found = files.find(path);
    if (found == files.end()) {
        *error = QStringLiteral("no such file");
        return std::nullopt;
    }
    return found->second;
}

} // namespace

class TestRecordOptions : public QObject {
    Q_OBJECT

private slots:
    void arguments_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("error"); // empty: accepted
        const QStringList base{"--com", "COM1", "--addresses", "1,2", "--out", "a.txt"};
        QTest::newRow("minimal") << base << "";
        QTest::newRow("with = and a plain number")
            << QStringList{"--com=3", "--addresses=7", "--out-dir=/var/lib/vrxcom"} << "";
        QTest::newRow("all") << base + QStringList{"--interval",
                                                   "120",
                                                   "--quiet",
                                                   "--mqtt",
                                                   "mqtts://broker.lan/plant/line1",
                                                   "--mqtt-ca",
                                                   "ca.pem",
                                                   "--mqtt-user",
                                                   "u",
                                                   "--mqtt-password-file",
                                                   "p",
                                                   "--ha-discovery"}
                             << "";
        QTest::newRow("no com") << QStringList{"--addresses", "1", "--out", "a"}
                                << "--com or --device is missing";
        const QStringList lineless{"--addresses", "1", "--out", "a"};
        QTest::newRow("device alone")
            << lineless + QStringList{"--device", "/dev/serial/by-id/usb-FTDI_x-if00-port0"} << "";
        QTest::newRow("device and line") << lineless + QStringList{"--device=mbtcp:10.0.0.7:502",
                                                                   "--baud",
                                                                   "19200",
                                                                   "--format",
                                                                   "8n1",
                                                                   "--framing",
                                                                   "RTU"}
                                         << "";
        QTest::newRow("device blank")
            << lineless + QStringList{"--device", " "} << "--device needs a device";
        QTest::newRow("device bad endpoint") << lineless + QStringList{"--device", "tcp:host"}
                                             << "--device: tcp:host: the port is missing";
        QTest::newRow("baud not offered")
            << base + QStringList{"--baud", "9601"}
            << "--baud: '9601' is not one of 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200";
        QTest::newRow("baud text") << base + QStringList{"--baud", "fast"}
                                   << "--baud: 'fast' is not one of 1200, 2400, 4800, 9600, "
                                      "19200, 38400, 57600, 115200";
        for (const char* format : {"9N1", "8X1", "8N3", "8N", "8N11", ""})
            QTest::newRow(qPrintable(QStringLiteral("format '%1'").arg(format)))
                << base + QStringList{"--format", format}
                << QStringLiteral("--format: '%1' is not data bits (7 or 8), parity (N, E or O) "
                                  "and stop bits (1 or 2), as in 8N1, 8E1 or 7E1")
                       .arg(format);
        QTest::newRow("framing") << base + QStringList{"--framing", "tcp"}
                                 << "--framing: 'tcp' is not ascii or rtu";
        QTest::newRow("serve") << base + QStringList{"--serve",
                                                     "1502",
                                                     "--serve",
                                                     "0.0.0.0:502",
                                                     "--serve-writes",
                                                     "--serve-clients",
                                                     "3"}
                               << "";
        QTest::newRow("serve bad address")
            << base + QStringList{"--serve", "plant.lan:1502"}
            << "--serve: 'plant.lan:1502': 'plant.lan' is not an IP address";
        QTest::newRow("serve clients 0")
            << base + QStringList{"--serve", "1502", "--serve-clients", "0"}
            << "--serve-clients: '0' is not a number from 1 to 64";
        QTest::newRow("http") << base + QStringList{"--http", "0.0.0.0:9100"} << "";
        QTest::newRow("http bad address") << base + QStringList{"--http", "plant.lan:9100"}
                                          << "--http: 'plant.lan:9100': 'plant.lan' is not an IP "
                                             "address";
        QTest::newRow("http port 0")
            << base + QStringList{"--http", "0"} << "--http: '0': '0' is not a port (1 to 65535)";
        QTest::newRow("serve writes without serve")
            << base + QStringList{"--serve-writes"}
            << "--serve-writes and --serve-clients need --serve";
        QTest::newRow("rtu on 7 bits")
            << base + QStringList{"--format", "7E1", "--framing", "rtu"}
            << "--framing rtu needs 8 data bits (--format 8N1, 8E1, ...)";
        QTest::newRow("no addresses")
            << QStringList{"--com", "1", "--out", "a"} << "--addresses is missing";
        QTest::newRow("no output")
            << QStringList{"--com", "1", "--addresses", "1"} << "--out or --out-dir is missing";
        QTest::newRow("com 0") << QStringList{"--com", "COM0"}
                               << "'COM0' is not a line COM1 to COM99";
        QTest::newRow("com text") << QStringList{"--com", "ttyUSB0"}
                                  << "'ttyUSB0' is not a line COM1 to COM99";
        QTest::newRow("nine addresses") << QStringList{"--addresses", "1,2,3,4,5,6,7,8,9"}
                                        << "--addresses: at most 8 addresses";
        QTest::newRow("address 256") << QStringList{"--addresses", "1,256"}
                                     << "--addresses: '256' is not an address from 1 to 255";
        QTest::newRow("address 0") << QStringList{"--addresses", "0"}
                                   << "--addresses: '0' is not an address from 1 to 255";
        QTest::newRow("empty address") << QStringList{"--addresses", "1,,2"}
                                       << "--addresses: '' is not an address from 1 to 255";
        QTest::newRow("twice") << QStringList{"--addresses", "2,3,2"}
                               << "--addresses: address 2 is given twice";
        QTest::newRow("interval 0") << QStringList{"--interval", "0"}
                                    << "--interval: '0' is not a number of seconds from 1 to 120";
        QTest::newRow("interval +5") << QStringList{"--interval", "+5"}
                                     << "--interval: '+5' is not a number of seconds from 1 to 120";
        QTest::newRow("value missing") << QStringList{"--com"} << "option '--com' needs a value";
        QTest::newRow("flag with value")
            << QStringList{"--quiet=yes"} << "option '--quiet' takes no value";
        QTest::newRow("unknown") << QStringList{"--allow"} << "unknown option '--allow'";
        QTest::newRow("stray") << QStringList{"COM1"} << "unexpected argument 'COM1'";
        QTest::newRow("mqtt options without mqtt")
            << base + QStringList{"--ha-discovery"} << "the MQTT options need --mqtt";
        QTest::newRow("ca without tls")
            << base + QStringList{"--mqtt", "mqtt://h", "--mqtt-ca", "ca.pem"}
            << "--mqtt-ca needs an mqtts:// broker";
        QTest::newRow("password without user")
            << base + QStringList{"--mqtt", "mqtt://h", "--mqtt-password-file", "p"}
            << "--mqtt-password-file needs --mqtt-user";
        QTest::newRow("bad url") << base + QStringList{"--mqtt", "http://h"}
                                 << "--mqtt: 'http://h' is not mqtt://HOST:PORT/PREFIX or "
                                    "mqtts://HOST:PORT/PREFIX";
        QTest::newRow("config") << QStringList{"--config", "good.conf"} << "";
        QTest::newRow("config missing")
            << QStringList{"--config", "none.conf"} << "cannot read 'none.conf': no such file";
        QTest::newRow("config in config")
            << QStringList{"--config", "loop.conf"} << "--config inside a configuration file";
        QTest::newRow("config line")
            << QStringList{"--config", "bad.conf"} << "bad.conf: line 2: unknown option 'speed'";
    }
    void arguments() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, error);
        files = {{"good.conf", "# line 1\ncom COM2\n--addresses = 1, 2\nout-dir /tmp/r\nquiet\n"},
                 {"loop.conf", "config loop.conf\n"},
                 {"bad.conf", "com 1\nspeed 9600\n"}};
        const RecordCommand command = ParseRecordArguments(arguments, ReadFile);
        QCOMPARE(command.error, error);
        QCOMPARE(command.action,
                 error.isEmpty() ? RecordCommand::Action::Run : RecordCommand::Action::Error);
    }

    // What the options say, and that the later of two wins (the command line over --config).
    void values() {
        files = {{"r.conf", "com COM2\naddresses 5,1\ninterval 10\nout-dir /var/lib/vrxcom\n"
                            "mqtt mqtt://10.0.0.5:1884/plant/l2\n"}};
        const RecordCommand command = ParseRecordArguments(
            {"--config", "r.conf", "--interval", "2", "--out", "x.txt"}, ReadFile);
        QCOMPARE(command.error, QString());
        const RecordOptions& o = command.options;
        QCOMPARE(o.com, 2);
        QCOMPARE(o.addresses, (Addresses{5, 1, 0, 0, 0, 0, 0, 0}));
        QCOMPARE(o.interval, 2);
        QCOMPARE(o.out, QStringLiteral("x.txt"));
        QVERIFY(o.outDir.isEmpty());
        QCOMPARE(o.mqtt, (MqttTarget{false, "10.0.0.5", 1884, "plant/l2"}));
        QVERIFY(o.serve.isEmpty());
        QCOMPARE(o.serveClients, 8);
        // --serve adds to the file's, once each.
        files = {{"s.conf", "com 1\naddresses 1\nout a\nserve 1502\nserve-writes\n"}};
        const RecordOptions served =
            ParseRecordArguments(
                {"--config", "s.conf", "--serve", "[::1]:1502", "--serve", "127.0.0.1:1502"},
                ReadFile)
                .options;
        QCOMPARE(served.serve,
                 (QList<ServeAddress>{{QHostAddress(QHostAddress::LocalHost), 1502},
                                      {QHostAddress(QHostAddress::LocalHostIPv6), 1502}}));
        QVERIFY(served.serveWrites);
        QVERIFY(!served.http);
        // The page's address: a bare port is the machine's own; the command line wins over the
        // file's.
        files = {{"h.conf", "com 1\naddresses 1\nout a\nhttp 9100\n"}};
        QCOMPARE(ParseRecordArguments({"--config", "h.conf"}, ReadFile)
                     .options.http.value_or(ServeAddress{}),
                 (ServeAddress{QHostAddress(QHostAddress::LocalHost), 9100}));
        QCOMPARE(ParseRecordArguments({"--config", "h.conf", "--http", "[::]:8080"}, ReadFile)
                     .options.http.value_or(ServeAddress{}),
                 (ServeAddress{QHostAddress(QHostAddress::AnyIPv6), 8080}));
        QCOMPARE(ParseRecordArguments({"--help", "--bogus"}, ReadFile).action,
                 RecordCommand::Action::Error);
        QCOMPARE(ParseRecordArguments({"-h"}, ReadFile).action, RecordCommand::Action::Help);
    }

    // The line's settings: each option over what the settings file (or the defaults) says, and
    // the device named for COMn, which is COM1 unless --com names it.
    void lineOptions_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("com");
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("settings"); // over the file's 19200 8N2 RTU
        QTest::addColumn<QString>("fault");
        const QStringList base{"--addresses", "1", "--out", "a.txt"};
        QTest::newRow("file only") << base + QStringList{"--com", "COM3"} << 3 << ""
                                   << "19200 8N2 RTU"
                                   << "";
        QTest::newRow("device named COM1")
            << base + QStringList{"--device", "/dev/ttyS4"} << 1 << "/dev/ttyS4"
            << "19200 8N2 RTU"
            << "";
        QTest::newRow("device named by --com")
            << base + QStringList{"--device", "/dev/ttyS4", "--com", "COM2"} << 2 << "/dev/ttyS4"
            << "19200 8N2 RTU"
            << "";
        QTest::newRow("baud") << base + QStringList{"--com", "1", "--baud", "4800"} << 1 << ""
                              << "4800 8N2 RTU"
                              << "";
        QTest::newRow("format and framing")
            << base + QStringList{"--com", "1", "--format", "7o1", "--framing", "ascii"} << 1 << ""
            << "19200 7O1 ASCII"
            << "";
        QTest::newRow("7 bits under the file's RTU")
            << base + QStringList{"--com", "1", "--format", "7E1"} << 1 << ""
            << "19200 7E1 RTU"
            << "RTU needs 8 data bits, and the line has 7 (19200 7E1 RTU): give --format with 8 "
               "data bits, or --framing ascii";
    }
    void lineOptions() {
        QFETCH(QStringList, arguments);
        QFETCH(int, com);
        QFETCH(QString, device);
        QFETCH(QString, settings);
        QFETCH(QString, fault);
        const RecordCommand command = ParseRecordArguments(arguments, ReadFile);
        QCOMPARE(command.error, QString());
        QCOMPARE(command.options.com, com);
        QCOMPARE(command.options.line.device, device);
        const LineSettings file{19200, Parity::None, 8, 2, Framing::Rtu};
        const LineSettings line = command.options.line.Over(file);
        QCOMPARE(LineSettingsText(line), settings);
        QCOMPARE(LineSettingsFault(line), fault);
    }

    void mqttUrl_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("tls");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("prefix");
        QTest::newRow("full") << "mqtt://127.0.0.1:1883/vrx" << true << false << "127.0.0.1" << 1883
                              << "vrx";
        QTest::newRow("defaults") << "mqtt://broker" << true << false << "broker" << 1883 << "vrx";
        QTest::newRow("tls default port")
            << "mqtts://b.example/a/b/" << true << true << "b.example" << 8883 << "a/b";
        QTest::newRow("ipv6") << "mqtt://[::1]:2000/p" << true << false << "::1" << 2000 << "p";
        QTest::newRow("user in url") << "mqtt://u:pw@h/p" << false << false << "" << 0 << "";
        QTest::newRow("port 0") << "mqtt://h:0/p" << false << false << "" << 0 << "";
        QTest::newRow("port 65536") << "mqtt://h:65536" << false << false << "" << 0 << "";
        QTest::newRow("port text") << "mqtt://h:abc" << false << false << "" << 0 << "";
        QTest::newRow("no host") << "mqtt://:1883/p" << false << false << "" << 0 << "";
        QTest::newRow("wildcard prefix") << "mqtt://h/a/+/b" << false << false << "" << 0 << "";
        QTest::newRow("hash prefix") << "mqtt://h/#" << false << false << "" << 0 << "";
        QTest::newRow("empty level") << "mqtt://h/a//b" << false << false << "" << 0 << "";
        QTest::newRow("open bracket") << "mqtt://[::1/p" << false << false << "" << 0 << "";
        QTest::newRow("scheme") << "tcp://h" << false << false << "" << 0 << "";
        QTest::newRow("space in host") << "mqtt://a b/p" << false << false << "" << 0 << "";
    }
    void mqttUrl() {
        QFETCH(QString, url);
        QFETCH(bool, ok);
        QString error;
        const std::optional<MqttTarget> target = ParseMqttUrl(url, &error);
        QCOMPARE(target.has_value(), ok);
        QCOMPARE(error.isEmpty(), ok);
        if (!ok) return;
        QFETCH(bool, tls);
        QFETCH(QString, host);
        QFETCH(int, port);
        QFETCH(QString, prefix);
        QCOMPARE(*target, (MqttTarget{tls, host, port, prefix}));
    }

    // The sample as published: the file's second, the offset, tenths as degrees, null when
    // there is no value.
    void payload_data() {
        QTest::addColumn<int>("offset");
        QTest::addColumn<bool>("answered");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("ok east")
            << 8 * 3600 << true << int(SampleStatus::Ok)
            << QByteArray(
                   R"({"pv":25.3,"status":"ok","sv":30,"time":"2026-03-14T15:04:05+08:00","unit":"C"})");
        QTest::newRow("timeout west")
            << -(3 * 3600 + 1800) << false << int(SampleStatus::Timeout)
            << QByteArray(
                   R"({"pv":null,"status":"timeout","sv":null,"time":"2026-03-14T15:04:05-03:30","unit":"C"})");
        QTest::newRow("dropped utc")
            << 0 << false << int(SampleStatus::Dropped)
            << QByteArray(
                   R"({"pv":null,"status":"dropped","sv":null,"time":"2026-03-14T15:04:05+00:00","unit":"C"})");
    }
    void payload() {
        QFETCH(int, offset);
        QFETCH(bool, answered);
        QFETCH(int, status);
        QFETCH(QByteArray, expected);
        const QDateTime at(QDate(2026, 3, 14), QTime(15, 4, 5, 678), Qt::OffsetFromUTC, offset);
        QCOMPARE(SamplePayload(at, {answered, 253, 300}, SampleStatus(status)), expected);
        QCOMPARE(SamplePayload(at, {true, -5, 0}, SampleStatus::Ok).left(10),
                 QByteArray(R"({"pv":-0.5)"));
    }

    // Writes from the network: only {"sv": number} that a register holds, only on a set topic
    // of this line with an address.
    void setMessage_data() {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<int>("tenths"); // -99999: refused
        QTest::newRow("decimal") << QByteArray(R"({"sv": 30.0})") << 300;
        QTest::newRow("tenths") << QByteArray(R"({"sv":25.35})") << 254;
        QTest::newRow("negative") << QByteArray(R"({"sv": -10.5})") << -105;
        QTest::newRow("largest") << QByteArray(R"({"sv": 3276.7})") << 32767;
        QTest::newRow("too large") << QByteArray(R"({"sv": 3276.8})") << -99999;
        QTest::newRow("text value") << QByteArray(R"({"sv": "30"})") << -99999;
        QTest::newRow("other key") << QByteArray(R"({"pv": 30})") << -99999;
        QTest::newRow("two keys") << QByteArray(R"({"sv": 30, "pv": 1})") << -99999;
        QTest::newRow("array") << QByteArray("[30]") << -99999;
        QTest::newRow("junk") << QByteArray("30") << -99999;
        QTest::newRow("empty") << QByteArray() << -99999;
    }
    void setMessage() {
        QFETCH(QByteArray, payload);
        QFETCH(int, tenths);
        QString error;
        const std::optional<qint32> value = ParseSetMessage(payload, &error);
        QCOMPARE(value.value_or(-99999), tenths);
        QCOMPARE(error.isEmpty(), value.has_value());
    }

    void setTopics() {
        QCOMPARE(SetTopicFilter("vrx", 1), QStringLiteral("vrx/COM1/+/set"));
        QCOMPARE(SetTopicAddress("vrx/COM1/2/set", "vrx", 1), 2);
        QCOMPARE(SetTopicAddress("vrx/COM1/255/set", "vrx", 1), 255);
        for (const char* other :
             {"vrx/COM1/256/set", "vrx/COM1/0/set", "vrx/COM2/2/set", "vrx/COM1//set",
              "vrx/COM1/2/state", "vrx/COM1/x/set", "vrx/COM1/2/set/result", "other/COM1/2/set"})
            QCOMPARE(SetTopicAddress(other, "vrx", 1), 0);
        QCOMPARE(SetResultTopic("vrx", 1, 2), QStringLiteral("vrx/COM1/2/set/result"));
        QCOMPARE(SetResultPayload(300, true, {}), QByteArray(R"({"result":"ok","sv":30})"));
        QCOMPARE(SetResultPayload(9000, false, "outside"),
                 QByteArray(R"({"reason":"outside","result":"refused","sv":900})"));
        // A message without a set value is answered without one.
        QCOMPARE(SetResultPayload(std::nullopt, false, "malformed"),
                 QByteArray(R"({"reason":"malformed","result":"refused"})"));
    }

    void topicsAndDiscovery() {
        QCOMPARE(StateTopic("vrx", 1, 2), QStringLiteral("vrx/COM1/2/state"));
        QCOMPARE(StatusTopic("plant/l1"), QStringLiteral("plant/l1/status"));
        QCOMPARE(HubTopic("plant/l1", 2), QStringLiteral("plant/l1/COM2/hub"));
        QCOMPARE(QJsonDocument::fromJson(HubPayload(120, 3, 2)).object(),
                 (QJsonObject{{"served", 120}, {"exceptions", 3}, {"masters", 2}}));
        const QList<MqttMessage> configs =
            DiscoveryConfigs("plant/l1", 3, {4, 9, 0, 0, 0, 0, 0, 0});
        QCOMPARE(configs.size(), 4);
        QCOMPARE(configs[0].topic,
                 QStringLiteral("homeassistant/sensor/vrxcom_plant_l1_COM3_4_pv/config"));
        for (const MqttMessage& m : configs) {
            QVERIFY(m.retain);
            const QJsonObject o = QJsonDocument::fromJson(m.payload).object();
            QVERIFY(o.value("state_topic").toString().startsWith("plant/l1/COM3/"));
            QCOMPARE(o.value("availability_topic").toString(), QStringLiteral("plant/l1/status"));
            QVERIFY(!o.value("unique_id").toString().contains('/'));
        }
        QCOMPARE(QJsonDocument::fromJson(configs[3].payload).object().value("value_template"),
                 QStringLiteral("{{ value_json.sv }}"));
    }
};

QTEST_GUILESS_MAIN(TestRecordOptions)
#include "tst_recordoptions.moc"
