// What the recorder's HTTP side says, without a server: the Prometheus text checked line by
// line against the exposition format, the health verdicts, the page's JSON and its size, the
// last hour's rows, the file links however spelt and the page's language.
#include "recorderhttpserver.h"
#include "recorderstatus.h"
#include "recordfilelinks.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace vrx;

namespace {

const QDateTime Noon(QDate(2026, 3, 14), QTime(12, 0, 0), Qt::UTC);

// Two devices as a recording leaves them: address 1 answers (25.3 / 30.0, two replies of 12 and
// 80 ms, a time-out), address 7 shows "No Connect" in place of its process value.
RecorderStatus TwoDevices() {
    RecorderStatus status;
    status.com = 2;
    status.interval = 5;
    status.now = Noon;
    status.lastCycle = Noon.addSecs(-1);
    status.samplesWritten = 42;
    status.file = "2026-03-14.txt";
    status.fileBytes = 1234;
    DeviceStatus one;
    one.position = 0;
    one.address = 1;
    one.pv = 253;
    one.sv = 300;
    one.answered = one.cycled = true;
    one.lastGood = Noon.addSecs(-1);
    one.stats.Count(ExchangeOutcome::Answered, 12);
    one.stats.Count(ExchangeOutcome::Answered, 80);
    one.stats.Count(ExchangeOutcome::TimedOut, 500);
    DeviceStatus seven;
    seven.position = 3;
    seven.address = 7;
    seven.pv = qint16(0x8003);
    seven.sv = -12;
    seven.answered = seven.cycled = true;
    seven.lastGood = Noon.addSecs(-6);
    status.devices = {one, seven};
    return status;
}

} // namespace

class TestRecorderStatus : public QObject {
    Q_OBJECT

private slots:
    // Every sample line belongs to a family announced by a HELP and a TYPE line before it;
    // counters end in _total; the values are those of the last cycle.
    void metricsFormat() {
        RecorderStatus status = TwoDevices();
        status.mqtt = RecorderStatus::Mqtt{true, false, 3};
        status.hub = RecorderStatus::Hub{120, 3, 2};
        const QString text = QString::fromUtf8(MetricsText(status));
        QVERIFY(text.endsWith('\n'));
        QMap<QString, QString> types;
        QSet<QString> helped;
        QStringList samples;
        static const QRegularExpression sample(
            "^([a-z_]+)(\\{[a-z]+=\"[^\"\\\\\\n]*\"(,[a-z]+=\"[^\"\\\\\\n]*\")*\\})? "
            "(-?[0-9.]+(e[-+]?[0-9]+)?|\\+Inf|NaN)$");
        for (const QString& line : text.split('\n', Qt::SkipEmptyParts)) {
            if (line.startsWith("# HELP ")) {
                helped << line.section(' ', 2, 2);
                continue;
            }
            if (line.startsWith("# TYPE ")) {
                const QString name = line.section(' ', 2, 2);
                QVERIFY2(helped.contains(name), qPrintable(line));
                QVERIFY2(!types.contains(name), qPrintable("announced twice: " + line));
                types[name] = line.section(' ', 3, 3);
                if (types[name] == "counter") QVERIFY2(name.endsWith("_total"), qPrintable(line));
                continue;
            }
            const QRegularExpressionMatch m = sample.match(line);
            QVERIFY2(m.hasMatch(), qPrintable(line));
            QString family = m.captured(1);
            for (const char* suffix : {"_bucket", "_sum", "_count"})
                if (!types.contains(family) && family.endsWith(suffix))
                    family.chop(qsizetype(strlen(suffix)));
            QVERIFY2(types.contains(family), qPrintable("no TYPE before " + line));
            samples << line;
        }
        for (const char* expected :
             {"vrx_pv_celsius{com=\"COM2\",address=\"1\",position=\"0\"} 25.3",
              "vrx_sv_celsius{com=\"COM2\",address=\"1\",position=\"0\"} 30.0",
              "vrx_device_status_code{com=\"COM2\",address=\"1\",position=\"0\"} 0",
              "vrx_device_status_code{com=\"COM2\",address=\"7\",position=\"3\"} 3",
              "vrx_device_up{com=\"COM2\",address=\"7\",position=\"3\"} 1",
              "vrx_device_last_good_timestamp_seconds{com=\"COM2\",address=\"1\",position=\"0\"} "
              "1773489599.000",
              "vrx_exchanges_total{com=\"COM2\",address=\"1\",position=\"0\"} 3",
              "vrx_timeouts_total{com=\"COM2\",address=\"1\",position=\"0\"} 1",
              "vrx_reply_duration_seconds_bucket{com=\"COM2\",address=\"1\",position=\"0\",le=\"0."
              "01\"} 0",
              "vrx_reply_duration_seconds_bucket{com=\"COM2\",address=\"1\",position=\"0\",le=\"0."
              "025\"} 1",
              "vrx_reply_duration_seconds_bucket{com=\"COM2\",address=\"1\",position=\"0\",le=\"0."
              "1\"} 2",
              "vrx_reply_duration_seconds_bucket{com=\"COM2\",address=\"1\",position=\"0\",le=\"+"
              "Inf\"} 2",
              "vrx_reply_duration_seconds_sum{com=\"COM2\",address=\"1\",position=\"0\"} 0.092",
              "vrx_reply_duration_seconds_count{com=\"COM2\",address=\"1\",position=\"0\"} 2",
              "vrx_line_up{com=\"COM2\"} 1",
              "vrx_samples_written_total{com=\"COM2\"} 42",
              "vrx_record_file_bytes{com=\"COM2\"} 1234",
              "vrx_mqtt_connected{com=\"COM2\"} 1",
              "vrx_mqtt_queued_messages{com=\"COM2\"} 3",
              "vrx_hub_served_total{com=\"COM2\"} 120",
              "vrx_hub_masters{com=\"COM2\"} 2"})
            QVERIFY2(samples.contains(QString::fromUtf8(expected)), expected);
        QCOMPARE(types["vrx_reply_duration_seconds"], "histogram");
        // A status in place of the process value is no temperature: no sample, not 0 or -3276.
        QVERIFY(!text.contains("vrx_pv_celsius{com=\"COM2\",address=\"7\""));
        // Its set value still is one.
        QVERIFY(samples.contains("vrx_sv_celsius{com=\"COM2\",address=\"7\",position=\"3\"} -1.2"));
        // Without a broker or a hub their families are left out, not written as 0.
        const QByteArray plain = MetricsText(TwoDevices());
        QVERIFY(!plain.contains("vrx_mqtt_") && !plain.contains("vrx_hub_"));
    }

    void health_data() {
        QTest::addColumn<int>("change");
        QTest::addColumn<QString>("problem");
        QTest::newRow("well") << 0 << "";
        QTest::newRow("line down") << 1 << "COM2 is down";
        QTest::newRow("file cannot be written") << 2
                                                << "the record file cannot be written: 4 lines "
                                                   "wait";
        QTest::newRow("a late cycle is no problem") << 3 << "";
        QTest::newRow("no cycle for long") << 4 << "no cycle completed for 21 s";
        QTest::newRow("no cycle since the start") << 5 << "no cycle completed for 30 s";
    }
    void health() {
        QFETCH(int, change);
        QFETCH(QString, problem);
        RecorderStatus status = TwoDevices();
        const QDateTime started = Noon.addSecs(-30);
        switch (change) {
        case 1:
            status.lineUp = false;
            break;
        case 2:
            status.linesWaiting = 4;
            break;
        case 3: // the bound is three intervals and five seconds: 20 s at 5 s
            status.lastCycle = Noon.addSecs(-20);
            break;
        case 4:
            status.lastCycle = Noon.addSecs(-21);
            break;
        case 5:
            status.lastCycle = {};
            status.started = started;
            break;
        }
        QCOMPARE(HealthProblem(status), problem);
    }

    // The page's JSON: the values in degrees, a status as its code, the age in seconds; under
    // 2 KB with eight devices at their longest.
    void stateJson() {
        const QJsonObject state = QJsonDocument::fromJson(StateJson(TwoDevices())).object();
        QCOMPARE(state["com"].toString(), "COM2");
        QCOMPARE(state["line"].toString(), "up");
        QCOMPARE(state["health"].toString(), "");
        const QJsonArray devices = state["devices"].toArray();
        QCOMPARE(devices.size(), 2);
        QCOMPARE(devices[0]["pv"].toDouble(), 25.3);
        QCOMPARE(devices[0]["age"].toInt(), 1);
        QCOMPARE(devices[0]["state"].toString(), "ok");
        QVERIFY(devices[1]["pv"].isNull());
        QCOMPARE(devices[1]["code"].toInt(), 3);
        QCOMPARE(devices[1]["sv"].toDouble(), -1.2);
        QVERIFY(!state.contains("mqtt"));

        RecorderStatus full = TwoDevices();
        full.mqtt = RecorderStatus::Mqtt{false, true, 691200};
        full.hub = RecorderStatus::Hub{9999999999, 9999999999, 64};
        full.file = "2026-03-14-99.txt";
        full.linesWaiting = 86400;
        full.devices.clear();
        for (int p = 0; p < DevicePositions; ++p) {
            DeviceStatus d = TwoDevices().devices[0];
            d.position = p;
            d.address = 250 + p % 6;
            d.pv = -32767 + p;
            d.sv = -32767;
            d.answered = false;
            d.resting = true;
            d.lastGood = Noon.addDays(-400);
            full.devices.push_back(d);
        }
        const QByteArray json = StateJson(full);
        QVERIFY2(json.size() < 2048, QByteArray::number(json.size()));
        QCOMPARE(QJsonDocument::fromJson(json)["devices"][7]["state"].toString(), "resting");
    }

    // One row per cycle for the last hour, older ones gone; what was not a temperature is null.
    void history() {
        PvHistory history;
        Readings readings{};
        readings[0] = {true, 253, 300};
        readings[2] = {true, qint16(0x8005), 0};
        history.Add(Noon.addSecs(-3700), readings);
        readings[0].pv = -12;
        readings[2] = {};
        history.Add(Noon.addSecs(-90), readings);
        history.Add(Noon, readings);
        QCOMPARE(history.Size(), 2);
        QCOMPARE(history.Json({1, 0, 9, 0, 0, 0, 0, 0}),
                 "{\"positions\":[0,2],\"addresses\":[1,9],\"rows\":[[" +
                     QByteArray::number(Noon.addSecs(-90).toMSecsSinceEpoch()) + ",-1.2,null],[" +
                     QByteArray::number(Noon.toMSecsSinceEpoch()) + ",-1.2,null]]}");
    }

    // A file link names a file of the folder, or nothing, however the path is spelt.
    void fileLink_data() {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QString>("name"); // empty: refused
        QTest::addColumn<bool>("csv");
        QTest::newRow("record") << QByteArray("/files/2026-03-14.txt") << "2026-03-14.txt" << false;
        QTest::newRow("csv") << QByteArray("/files/2026-03-14.txt.csv") << "2026-03-14.txt" << true;
        QTest::newRow("encoded letters")
            << QByteArray("/files/lab%2Dline%2etxt") << "lab-line.txt" << false;
        QTest::newRow("parent") << QByteArray("/files/../etc/passwd") << "" << false;
        QTest::newRow("parent encoded")
            << QByteArray("/files/%2e%2e%2fetc%2fpasswd") << "" << false;
        QTest::newRow("parent upper") << QByteArray("/files/%2E%2E%2Fetc") << "" << false;
        QTest::newRow("parent alone") << QByteArray("/files/..") << "" << false;
        QTest::newRow("parent csv") << QByteArray("/files/...csv") << "" << false;
        QTest::newRow("dot csv") << QByteArray("/files/.csv") << "" << false;
        QTest::newRow("double encoded") << QByteArray("/files/%252e%252e") << "" << false;
        QTest::newRow("backslash") << QByteArray("/files/..\\..\\etc") << "" << false;
        QTest::newRow("backslash encoded") << QByteArray("/files/..%5c..%5cetc") << "" << false;
        QTest::newRow("absolute") << QByteArray("/files//etc/passwd") << "" << false;
        QTest::newRow("absolute encoded") << QByteArray("/files/%2fetc%2fpasswd") << "" << false;
        QTest::newRow("sub folder") << QByteArray("/files/a/2026-03-14.txt") << "" << false;
        QTest::newRow("hidden") << QByteArray("/files/.hidden") << "" << false;
        QTest::newRow("nul") << QByteArray("/files/a.txt%00.csv") << "" << false;
        QTest::newRow("space") << QByteArray("/files/a%20b.txt") << "" << false;
        QTest::newRow("utf-8") << QByteArray("/files/%E6%97%A5.txt") << "" << false;
        QTest::newRow("empty") << QByteArray("/files/") << "" << false;
        QTest::newRow("no prefix") << QByteArray("/file/2026-03-14.txt") << "" << false;
        QTest::newRow("too long") << QByteArray("/files/" + QByteArray(65, 'a')) << "" << false;
    }
    void fileLink() {
        QFETCH(QByteArray, path);
        QFETCH(QString, name);
        QFETCH(bool, csv);
        const std::optional<FileLink> link = ParseFileLink(path);
        QCOMPARE(link.has_value(), !name.isEmpty());
        if (link) QCOMPARE(*link, (FileLink{name, csv}));
    }

    // Which names are the recording's, and that a name that is one still serves only a plain
    // file whose real place is in the folder.
    void recordFileNames_data() {
        QTest::addColumn<bool>("daily");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("matches");
        QTest::newRow("day") << true << "2026-03-14.txt" << true;
        QTest::newRow("day copy") << true << "2026-03-14-2.txt" << true;
        QTest::newRow("day copy 99") << true << "2026-03-14-99.txt" << true;
        QTest::newRow("day copy 100") << true << "2026-03-14-100.txt" << false;
        QTest::newRow("day copy 0") << true << "2026-03-14-0.txt" << false;
        QTest::newRow("no such day") << true << "2026-02-30.txt" << false;
        QTest::newRow("short date") << true << "2026-3-14.txt" << false;
        QTest::newRow("other name") << true << "notes.txt" << false;
        QTest::newRow("day csv left") << true << "2026-03-14.csv" << false;
        QTest::newRow("out") << false << "lab.txt" << true;
        QTest::newRow("out copy") << false << "lab-3.txt" << true;
        QTest::newRow("out other") << false << "lab2.txt" << false;
        QTest::newRow("out other folder's") << false << "2026-03-14.txt" << false;
    }
    void recordFileNames() {
        QFETCH(bool, daily);
        QFETCH(QString, name);
        QFETCH(bool, matches);
        const RecordFileNames names =
            daily ? RecordFileNames({}, "/var/lib/vrxcom") : RecordFileNames("/srv/lab.txt", {});
        QCOMPARE(names.Matches(name), matches);
    }
    void linksOutOfTheFolder() {
        QTemporaryDir root;
        QDir(root.path()).mkdir("rec");
        const QString outside = root.filePath("secret.txt");
        for (const QString& path : {outside, root.filePath("rec/2026-03-14.txt")}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("x");
        }
        QVERIFY(QFile::link(outside, root.filePath("rec/2026-03-15.txt")));
        QVERIFY(
            QFile::link(root.filePath("rec/2026-03-14.txt"), root.filePath("rec/2026-03-16.txt")));
        QDir(root.path()).mkpath("rec/2026-03-17.txt");
        const RecordFileNames names({}, root.filePath("rec"));
        QCOMPARE(names.PathOf("2026-03-14.txt"), root.filePath("rec/2026-03-14.txt"));
        QCOMPARE(names.PathOf("2026-03-15.txt"), QString()); // leads out
        QCOMPARE(names.PathOf("2026-03-16.txt"), root.filePath("rec/2026-03-16.txt"));
        QCOMPARE(names.PathOf("2026-03-17.txt"), QString()); // a folder
        QCOMPARE(names.PathOf("2026-03-18.txt"), QString()); // none
        QStringList listed;
        for (const RecordFileNames::Entry& entry : names.List())
            listed << entry.name;
        QCOMPARE(listed, (QStringList{"2026-03-16.txt", "2026-03-14.txt"}));
    }

    void pageLanguage_data() {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<QByteArray>("language");
        QTest::newRow("none") << QByteArray() << QByteArray("en");
        QTest::newRow("taiwan") << QByteArray("zh-TW,zh;q=0.9,en-US;q=0.8") << QByteArray("zh-TW");
        QTest::newRow("plain zh") << QByteArray("zh") << QByteArray("zh-TW");
        QTest::newRow("english first")
            << QByteArray("en-GB,en;q=0.9,zh-TW;q=0.5") << QByteArray("en");
        QTest::newRow("chinese by weight")
            << QByteArray("en;q=0.4, zh-Hant;q=0.8") << QByteArray("zh-TW");
        QTest::newRow("neither") << QByteArray("de-DE,fr;q=0.5") << QByteArray("en");
        QTest::newRow("german, then chinese")
            << QByteArray("de,zh-TW;q=0.7") << QByteArray("zh-TW");
        QTest::newRow("zhuang is not chinese") << QByteArray("zha") << QByteArray("en");
    }
    void pageLanguage() {
        QFETCH(QByteArray, header);
        QFETCH(QByteArray, language);
        QCOMPARE(PageLanguage(header), language);
    }
};

QTEST_GUILESS_MAIN(TestRecorderStatus)
#include "tst_recorderstatus.moc"
