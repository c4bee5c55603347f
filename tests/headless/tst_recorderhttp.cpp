// The recorder's HTTP server on a real loopback socket, with the manual clock for its deadlines:
// the answers of each path, the files and CSVs of the folder only, requests refused, the bound
// on connections, slow and oversized requests closed; then a whole recorder on simulated
// controllers, whose page and metrics say what its record file says.
#include "csvexport.h"
#include "headlessrecorder.h"
#include "manualtime.h"
#include "recorderhttpserver.h"
#include "simulatedline.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace vrx;

namespace {

struct Response {
    int status = 0;
    QMap<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;
};

// The whole responses at the start of `bytes` (each with its Content-Length; `head`: none has a
// body); what is left stays in `bytes`.
QList<Response> TakeResponses(QByteArray& bytes, bool head = false) {
    QList<Response> responses;
    for (;;) {
        const qsizetype end = bytes.indexOf("\r\n\r\n");
        if (end < 0) return responses;
        Response r;
        const QList<QByteArray> lines = bytes.left(end).split('\n');
        r.status = lines.first().split(' ').value(1).toInt();
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            r.headers[lines[i].left(colon).trimmed().toLower()] = lines[i].mid(colon + 1).trimmed();
        }
        const qsizetype length = head ? 0 : r.headers.value("content-length").toLongLong();
        if (bytes.size() < end + 4 + length) return responses;
        r.body = bytes.mid(end + 4, length);
        bytes.remove(0, end + 4 + length);
        responses << r;
    }
}

// Waits, with a bound, for a condition that the event loop makes true.
bool WaitFor(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done() && elapsed.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

// A peer of the server: what it sent, what came back.
struct Peer {
    explicit Peer(quint16 port) { socket.connectToHost(QHostAddress::LocalHost, port); }
    bool Connected() { return socket.waitForConnected(10000); }
    QList<Response> Ask(const QByteArray& request, int answers = 1, bool head = false) {
        socket.write(request);
        QList<Response> responses;
        WaitFor([&] {
            received += socket.readAll();
            responses += TakeResponses(received, head);
            return responses.size() >= answers ||
                   socket.state() == QAbstractSocket::UnconnectedState;
        });
        return responses;
    }
    bool Closed() {
        return WaitFor([&] {
            received += socket.readAll();
            return socket.state() == QAbstractSocket::UnconnectedState;
        });
    }
    QTcpSocket socket;
    QByteArray received;
};

const QByteArray Record = "01  00  00  00  00  00  00  00  01\r\n"
                          "0 253    300        3:04:05 PM\r\n"
                          "0 254    300        3:04:06 PM\r\n";

} // namespace

class TestRecorderHttp : public QObject {
    Q_OBJECT

    std::unique_ptr<test::ManualTime> clock_;
    std::unique_ptr<QTemporaryDir> root_;
    std::unique_ptr<RecorderHttpServer> server_;
    RecorderStatus status_;

    QString Folder() const { return root_->filePath("rec"); }
    quint16 Port() const { return server_->Port(); }
    Response Get(const QByteArray& request, bool head = false) {
        Peer peer(Port());
        if (!peer.Connected()) return {};
        return peer.Ask(request, 1, head).value(0);
    }

private slots:
    void init() {
        clock_ = std::make_unique<test::ManualTime>(1000);
        root_ = std::make_unique<QTemporaryDir>();
        QDir(root_->path()).mkdir("rec");
        for (const auto& [path, text] :
             {std::pair{root_->filePath("rec/2026-03-14.txt"), Record},
              std::pair{root_->filePath("secret.txt"), QByteArray("not for the web")}}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(text);
        }
        status_ = {};
        status_.now = QDateTime::currentDateTime();
        status_.lastCycle = status_.now;
        DeviceStatus device;
        device.address = 1;
        device.pv = 254;
        device.sv = 300;
        device.answered = device.cycled = true;
        status_.devices = {device};
        RecorderHttpServer::Content content{[this] { return status_; },
                                            [] { return QByteArray("{\"rows\":[]}"); },
                                            RecordFileNames({}, Folder())};
        server_ = std::make_unique<RecorderHttpServer>(content, RecorderHttpServer::Limits{});
        QString error;
        QVERIFY2(server_->Listen({QHostAddress(QHostAddress::LocalHost), 0}, &error),
                 qPrintable(error));
    }
    void cleanup() {
        server_.reset();
        root_.reset();
        clock_.reset();
    }

    // What each path answers; anything that would change something, or carries a body, or
    // names a file outside the folder, is refused.
    void answers_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("type");
        QTest::addColumn<QByteArray>("body"); // a part of it
        const auto get = [](const char* path) {
            return "GET " + QByteArray(path) + " HTTP/1.1\r\nHost: x\r\n\r\n";
        };
        QTest::newRow("metrics") << get("/metrics") << 200
                                 << QByteArray("text/plain; version=0.0.4; charset=utf-8")
                                 << QByteArray("vrx_pv_celsius{com=\"COM1\",address=\"1\","
                                               "position=\"0\"} 25.4\n");
        QTest::newRow("metrics with a query") << get("/metrics?x=1") << 200
                                              << QByteArray("text/plain; version=0.0.4; "
                                                            "charset=utf-8")
                                              << QByteArray("# TYPE vrx_device_up gauge\n");
        QTest::newRow("health") << get("/healthz") << 200 << QByteArray("text/plain; charset=utf-8")
                                << QByteArray("ok\n");
        QTest::newRow("state") << get("/api/state") << 200 << QByteArray("application/json")
                               << QByteArray("\"pv\":25.4");
        QTest::newRow("history") << get("/api/history") << 200 << QByteArray("application/json")
                                 << QByteArray("{\"rows\":[]}");
        QTest::newRow("files") << get("/api/files") << 200 << QByteArray("application/json")
                               << QByteArray("\"name\":\"2026-03-14.txt\"");
        QTest::newRow("page") << get("/") << 200 << QByteArray("text/html; charset=utf-8")
                              << QByteArray("<html lang=\"en\">");
        QTest::newRow("page in chinese")
            << QByteArray("GET / HTTP/1.1\r\nHost: x\r\nAccept-Language: zh-TW,zh;q=0.9,"
                          "en;q=0.8\r\n\r\n")
            << 200 << QByteArray("text/html; charset=utf-8") << QByteArray("<html lang=\"zh-TW\">");
        QTest::newRow("page script")
            << get("/page.js") << 200 << QByteArray("text/javascript; charset=utf-8")
            << QByteArray("\"zh-TW\": {");
        QTest::newRow("record file") << get("/files/2026-03-14.txt") << 200
                                     << QByteArray("text/plain; charset=iso-8859-1") << Record;
        QTest::newRow("unknown") << get("/admin") << 404 << QByteArray("text/plain")
                                 << QByteArray("not found");
        QTest::newRow("no such record") << get("/files/2026-03-15.txt") << 404
                                        << QByteArray("text/plain") << QByteArray("not found");
        QTest::newRow("parent") << get("/files/../secret.txt") << 404 << QByteArray("text/plain")
                                << QByteArray("not found");
        QTest::newRow("parent encoded") << get("/files/%2e%2e%2fsecret.txt") << 404
                                        << QByteArray("text/plain") << QByteArray("not found");
        QTest::newRow("parent in the path") << get("/files/%2E%2E/secret.txt") << 404
                                            << QByteArray("text/plain") << QByteArray("not found");
        QTest::newRow("backslashes") << get("/files/..%5Csecret.txt") << 404
                                     << QByteArray("text/plain") << QByteArray("not found");
        QTest::newRow("absolute") << get("/files/%2Fetc%2Fpasswd") << 404
                                  << QByteArray("text/plain") << QByteArray("not found");
        QTest::newRow("post") << QByteArray("POST /metrics HTTP/1.1\r\nHost: x\r\nContent-Length: "
                                            "3\r\n\r\nabc")
                              << 405 << QByteArray("text/plain") << QByteArray("only GET and HEAD");
        QTest::newRow("delete a file")
            << QByteArray("DELETE /files/2026-03-14.txt HTTP/1.1\r\nHost: x\r\n\r\n") << 405
            << QByteArray("text/plain") << QByteArray("only GET and HEAD");
        QTest::newRow("get with a body")
            << QByteArray("GET /metrics HTTP/1.1\r\nHost: x\r\n"
                          "Content-Length: 5\r\n\r\nhello")
            << 413 << QByteArray("text/plain") << QByteArray("no body");
        QTest::newRow("get with a chunked body")
            << QByteArray("GET /metrics HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n"
                          "5\r\nhello\r\n0\r\n\r\n")
            << 413 << QByteArray("text/plain") << QByteArray("no body");
    }
    void answers() {
        QFETCH(QByteArray, request);
        QFETCH(int, status);
        QFETCH(QByteArray, type);
        QFETCH(QByteArray, body);
        const Response r = Get(request);
        QCOMPARE(r.status, status);
        QCOMPARE(r.headers.value("content-type"), type);
        QVERIFY2(r.body.contains(body), r.body.left(300).constData());
        QCOMPARE(r.headers.value("content-length").toLongLong(), r.body.size());
        // Nothing was changed by any of them.
        QFile record(root_->filePath("rec/2026-03-14.txt"));
        QVERIFY(record.open(QIODevice::ReadOnly));
        QCOMPARE(record.readAll(), Record);
    }

    // HEAD says what GET would, without the body; the connection stays for the next request.
    void headAndKeepAlive() {
        Peer peer(Port());
        QVERIFY(peer.Connected());
        const QList<Response> head = peer.Ask("HEAD /metrics HTTP/1.1\r\nHost: x\r\n\r\n", 1, true);
        QCOMPARE(head.size(), 1);
        QCOMPARE(head[0].status, 200);
        QCOMPARE(head[0].headers.value("content-length").toLongLong(), MetricsText(status_).size());
        QVERIFY(peer.received.isEmpty());
        const QList<Response> two = peer.Ask("GET /healthz HTTP/1.1\r\nHost: x\r\n\r\n"
                                             "GET /api/state HTTP/1.1\r\nHost: x\r\n\r\n",
                                             2);
        QCOMPARE(two.size(), 2);
        QCOMPARE(two[0].body, "ok\n");
        QVERIFY(two[1].body.startsWith("{\"com\":"));
    }

    // 503 with the reason, for systemd's and a load balancer's checks.
    void unhealthy() {
        status_.lineUp = false;
        const Response r = Get("GET /healthz HTTP/1.1\r\nHost: x\r\n\r\n");
        QCOMPARE(r.status, 503);
        QCOMPARE(r.body, "COM1 is down\n");
    }

    // The CSV is the one `vrxcom export` makes of the same file.
    void csvAsExported() {
        const QString exported = root_->filePath("exported.csv");
        QCOMPARE(ExportRecordFile(root_->filePath("rec/2026-03-14.txt"), exported, std::nullopt),
                 QString());
        QFile file(exported);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const Response r = Get("GET /files/2026-03-14.txt.csv HTTP/1.1\r\nHost: x\r\n\r\n");
        QCOMPARE(r.status, 200);
        QCOMPARE(r.headers.value("content-type"), "text/csv; charset=utf-8");
        QCOMPARE(r.headers.value("content-disposition"), "attachment; filename=\"2026-03-14.csv\"");
        QCOMPARE(r.body, file.readAll());
        // Its made file goes with the answer.
        QVERIFY(WaitFor(
            [] { return QDir::temp().entryList({"vrxcom-csv-*"}, QDir::Files).isEmpty(); }));
    }

    // At most 32 connections: the next is answered 503 and closed; one closed makes room.
    void connectionBound() {
        std::vector<std::unique_ptr<Peer>> peers;
        for (int i = 0; i < 32; ++i) {
            peers.push_back(std::make_unique<Peer>(Port()));
            QVERIFY(peers.back()->Connected());
        }
        QTRY_COMPARE(server_->Connections(), 32);
        QSignalSpy logged(server_.get(), &RecorderHttpServer::logged);
        Peer refused(Port());
        QVERIFY(refused.Connected());
        QVERIFY(refused.Closed());
        QVERIFY(refused.received.startsWith("HTTP/1.1 503 "));
        QCOMPARE(logged.size(), 1);
        QVERIFY(logged[0][0].toString().contains("32 are open"));
        QCOMPARE(server_->Connections(), 32);
        peers.front()->socket.abort();
        QTRY_COMPARE(server_->Connections(), 31);
        QCOMPARE(Get("GET /healthz HTTP/1.1\r\nHost: x\r\n\r\n").status, 200);
        // The ones kept open are served too.
        QCOMPARE(peers.back()->Ask("GET /healthz HTTP/1.1\r\nHost: x\r\n\r\n").value(0).status,
                 200);
    }

    // A request that does not come whole within 10 s is closed, however it dribbles in; an
    // answer gives the connection its time again.
    void slowRequests_data() {
        QTest::addColumn<int>("byteEveryMs"); // 0: the start of a request, then nothing
        QTest::newRow("stalled") << 0;
        QTest::newRow("a byte a second") << 1000;
    }
    void slowRequests() {
        QFETCH(int, byteEveryMs);
        Peer peer(Port());
        QVERIFY(peer.Connected());
        QCOMPARE(peer.Ask("GET /healthz HTTP/1.1\r\nHost: x\r\n\r\n").value(0).status, 200);
        clock_->Run(9000);
        QCOMPARE(peer.Ask("GET /healthz HTTP/1.1\r\nHost: x\r\n\r\n").value(0).status, 200);
        const QByteArray request = "GET /metrics HTTP/1.1\r\nHost: x\r\nX-Slow: ";
        peer.socket.write(request);
        for (int ms = 0; ms < 9900; ms += 100) {
            if (byteEveryMs && ms % byteEveryMs == 0) peer.socket.write("a");
            QVERIFY(WaitFor([&] { return peer.socket.bytesToWrite() == 0; }));
            QCoreApplication::processEvents();
            clock_->Run(100);
            QVERIFY2(peer.socket.state() == QAbstractSocket::ConnectedState,
                     qPrintable(QString::number(ms)));
        }
        clock_->Run(200);
        QVERIFY(peer.Closed());
        QVERIFY(peer.received.isEmpty());
    }

    // Listening beyond the machine is the user's choice, said once; on the machine's own
    // address nothing is said.
    void listeningBeyondTheMachine_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("said");
        QTest::newRow("loopback") << "127.0.0.1"
                                  << "";
        QTest::newRow("any") << "0.0.0.0"
                             << "serving the page and metrics on 0.0.0.0:%1: reachable from other "
                                "machines";
    }
    void listeningBeyondTheMachine() {
        QFETCH(QString, host);
        QFETCH(QString, said);
        RecorderHttpServer server({[this] { return status_; }, [] { return QByteArray(); },
                                   RecordFileNames({}, Folder())},
                                  RecorderHttpServer::Limits{});
        QStringList events;
        connect(&server, &RecorderHttpServer::logged, this,
                [&events](const QString& text) { events << text; });
        QString error;
        QVERIFY2(server.Listen({QHostAddress(host), 0}, &error), qPrintable(error));
        QCOMPARE(events, said.isEmpty() ? QStringList() : QStringList{said.arg(server.Port())});
    }

    // A request longer than 16 KiB is closed without an answer; garbage is closed; the server
    // serves the next.
    void brokenRequests_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::newRow("long header")
            << "GET / HTTP/1.1\r\nX-Long: " + QByteArray(20000, 'a') + "\r\n\r\n";
        QTest::newRow("many headers")
            << "GET / HTTP/1.1\r\n" + QByteArray("X-A: b\r\n").repeated(3000) + "\r\n";
        QTest::newRow("no http") << QByteArray("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03"
                                               "garbage\r\n\r\n");
        QTest::newRow("bad request line") << QByteArray("GET\r\n\r\n");
    }
    void brokenRequests() {
        QFETCH(QByteArray, request);
        Peer peer(Port());
        QVERIFY(peer.Connected());
        peer.socket.write(request);
        QVERIFY(peer.Closed());
        QVERIFY(!peer.received.startsWith("HTTP/1.1 200"));
        QCOMPARE(Get("GET /healthz HTTP/1.1\r\nHost: x\r\n\r\n").status, 200);
    }

    // A whole recorder with --http on simulated controllers: its page's values and its metrics
    // are the record file's last line.
    void recorderServesItsRecording() {
        sim::InstallSimulatedLine();
        qputenv("VRX_COM1", "sim:addresses=1,2:preset=factory");
        RecordOptions options;
        options.com = 1;
        options.addresses = {1, 2, 0, 0, 0, 0, 0, 0};
        options.outDir = Folder();
        options.http = ServeAddress{QHostAddress(QHostAddress::LocalHost), 0};
        HeadlessRecorder recorder(options, std::nullopt);
        QStringList events;
        connect(&recorder, &HeadlessRecorder::logged, this,
                [&events](const QString& text) { events << text; });
        QString error;
        QVERIFY2(recorder.Start(options.com, LineSettings{}, &error), qPrintable(error));
        QVERIFY(recorder.Http());
        QCOMPARE(events.first(), QStringLiteral("page and metrics on http://127.0.0.1:%1/")
                                     .arg(recorder.Http()->Port()));
        for (int i = 0; i < 200 && recorder.Sink().LinesWritten() < 3; ++i)
            clock_->Run(25);
        QCOMPARE(recorder.Sink().LinesWritten(), 3u);
        QFile file(recorder.Sink().CurrentPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        const QList<QByteArray> last = lines[lines.size() - 2].simplified().split(' ');
        // "0 PV SV 1 PV SV TIME AM"
        const auto degrees = [](const QByteArray& tenths) { return tenths.toInt() / 10.0; };

        Peer peer(recorder.Http()->Port());
        QVERIFY(peer.Connected());
        const QList<Response> answers = peer.Ask("GET /api/state HTTP/1.1\r\nHost: x\r\n\r\n"
                                                 "GET /metrics HTTP/1.1\r\nHost: x\r\n\r\n"
                                                 "GET /api/files HTTP/1.1\r\nHost: x\r\n\r\n",
                                                 3);
        QCOMPARE(answers.size(), 3);
        const QJsonObject state = QJsonDocument::fromJson(answers[0].body).object();
        const QJsonArray devices = state["devices"].toArray();
        QCOMPARE(devices.size(), 2);
        QCOMPARE(devices[0]["pv"].toDouble(), degrees(last[1]));
        QCOMPARE(devices[0]["sv"].toDouble(), degrees(last[2]));
        QCOMPARE(devices[1]["pv"].toDouble(), degrees(last[4]));
        QCOMPARE(devices[1]["state"].toString(), "ok");
        QCOMPARE(state["samples"].toInt(), 3);
        QCOMPARE(state["file"].toString(), QFileInfo(file).fileName());
        QVERIFY(answers[1].body.contains("vrx_pv_celsius{com=\"COM1\",address=\"2\","
                                         "position=\"1\"} " +
                                         QByteArray::number(degrees(last[4]), 'f', 1) + "\n"));
        QVERIFY(answers[1].body.contains("vrx_samples_written_total{com=\"COM1\"} 3\n"));
        QVERIFY(answers[2].body.contains(QFileInfo(file).fileName().toUtf8()));
        recorder.Stop();
        QVERIFY(peer.Closed());
        InstallSimulatedLineFactory({});
    }
};

QTEST_GUILESS_MAIN(TestRecorderHttp)
#include "tst_recorderhttp.moc"
