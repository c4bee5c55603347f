// The hub's Modbus TCP side on loopback sockets, its line a fake one and its timers on a manual
// clock: requests in, answers out with their transaction ids, and the limits that close one
// connection and leave the others served.
#include "hubbench.h"
#include "hubserver.h"
#include "portnotes.h"

#include <QTcpSocket>
#include <QTest>

using namespace vrx;
using namespace vrx::test;

namespace {

constexpr int Bound = 10000;

QByteArray ReadAdu(quint16 transaction, int unit) {
    return EncodeMbap(MbapAdu{transaction, unit, Hex("0347000002")});
}

// The hub's bench served on a free loopback port, with what the server logs.
struct Bench : HubBench {
    explicit Bench(HubServer::Limits limits = {}) {
        server = std::make_unique<HubServer>(*hub, limits);
        QObject::connect(server.get(), &HubServer::logged,
                         [this](const QString& text) { log << text; });
        QString error;
        const bool listening = server->Listen({ServeAddress{}}, &error);
        QVERIFY2(listening, qPrintable(error));
    }
    std::unique_ptr<QTcpSocket> Connect() {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(QHostAddress::LocalHost, server->Ports().first());
        if (!socket->waitForConnected(Bound)) return nullptr;
        return socket;
    }

    std::unique_ptr<HubServer> server;
    QStringList log;
};

bool Closed(QTcpSocket& socket) {
    return socket.state() == QAbstractSocket::UnconnectedState;
}

} // namespace

class TestHubServer : public QObject {
    Q_OBJECT

private slots:
    void init() { ForgetComDevices(); }

    void addresses_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("address"); // empty: refused
        QTest::newRow("bare port") << "1502"
                                   << "127.0.0.1:1502";
        QTest::newRow("any") << "0.0.0.0:502"
                             << "0.0.0.0:502";
        QTest::newRow("localhost") << "localhost:1502"
                                   << "127.0.0.1:1502";
        QTest::newRow("ipv6") << "[::1]:1502"
                              << "[::1]:1502";
        QTest::newRow("ipv6 without brackets") << "::1:1502"
                                               << "";
        QTest::newRow("host name") << "plant.lan:1502"
                                   << "";
        QTest::newRow("port 0") << "0"
                                << "";
        QTest::newRow("port too large") << "127.0.0.1:65536"
                                        << "";
        QTest::newRow("no port") << "127.0.0.1:"
                                 << "";
        QTest::newRow("signed port") << "+1502"
                                     << "";
    }
    void addresses() {
        QFETCH(QString, text);
        QFETCH(QString, address);
        QString error;
        const std::optional<ServeAddress> parsed = ParseServeAddress(text, &error);
        QCOMPARE(parsed ? DescribeServeAddress(*parsed) : QString(), address);
        QCOMPARE(error.isEmpty(), !address.isEmpty());
    }

    // Two requests in one write go on the line one after the other; each answer carries its
    // own transaction id and unit.
    void servesOverTcp() {
        Bench bench;
        const auto master = bench.Connect();
        QVERIFY(master);
        master->write(ReadAdu(0x1234, 1) + ReadAdu(0x1235, 2));
        QTRY_COMPARE_WITH_TIMEOUT(bench.lines.last->written.size(), 1, Bound);
        bench.Answer();
        QTRY_COMPARE_WITH_TIMEOUT(bench.lines.last->written.size(), 2, Bound);
        bench.Answer();
        QByteArray answers;
        QTRY_VERIFY_WITH_TIMEOUT((answers += master->readAll()).size() >= 2 * 13, Bound);
        QCOMPARE(answers, EncodeMbap(MbapAdu{0x1234, 1, Hex("030400FA012C")}) +
                              EncodeMbap(MbapAdu{0x1235, 2, Hex("030400FA012C")}));
        QCOMPARE(bench.hub->Tally().masters, 1);
        master->disconnectFromHost();
        QTRY_COMPARE_WITH_TIMEOUT(bench.hub->Tally().masters, 0, Bound);
    }

    // What closes one master's connection, said in the log, while another master stays served.
    void limits_data() {
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<int>("waitMs");
        QTest::addColumn<QString>("said");
        QTest::newRow("length 0") << Hex("00010000000001") << 0
                                  << "not Modbus TCP (length 0); closed";
        QTest::newRow("protocol 5")
            << Hex("00010005000601034700") << 0 << "not Modbus TCP (protocol id 5); closed";
        QTest::newRow("partial header")
            << Hex("000100") << 1001 << "left a request unfinished; closed";
        QTest::newRow("partial request")
            << ReadAdu(7, 1).left(9) << 1001 << "left a request unfinished; closed";
        QTest::newRow("idle") << QByteArray() << 10 * 60 * 1000
                              << "sent nothing for 10 minutes; closed";
    }
    void limits() {
        QFETCH(QByteArray, sent);
        QFETCH(int, waitMs);
        QFETCH(QString, said);
        Bench bench;
        const auto good = bench.Connect();
        const auto bad = bench.Connect();
        QVERIFY(good && bad);
        QTRY_COMPARE_WITH_TIMEOUT(bench.hub->Tally().masters, 2, Bound);
        if (!sent.isEmpty()) {
            bad->write(sent);
            QVERIFY(bad->waitForBytesWritten(Bound));
        }
        // The good master keeps the idle timer from closing it: it asks just before.
        if (waitMs > 0) {
            bench.clock.Run(waitMs - 500);
            good->write(ReadAdu(1, 1));
            QTRY_COMPARE_WITH_TIMEOUT(bench.lines.last->written.size(), 1, Bound);
        }
        // Time moves on in steps while the server takes what came, whenever it does: the close
        // falls due on the clock.
        QTRY_VERIFY_WITH_TIMEOUT((bench.clock.Run(50), Closed(*bad)), Bound);
        QCOMPARE(bench.log.size(), 1);
        QVERIFY2(bench.log.first().endsWith(said), qPrintable(bench.log.first()));
        QCOMPARE(bench.hub->Tally().masters, 1);
        QVERIFY(!Closed(*good));
    }

    // Listening beyond the machine itself is the user's choice, said once; on the machine's
    // own address nothing is said.
    void otherMachinesSaidOnce_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("said");
        QTest::newRow("loopback") << "127.0.0.1" << 0;
        QTest::newRow("any") << "0.0.0.0" << 1;
    }
    void otherMachinesSaidOnce() {
        QFETCH(QString, address);
        QFETCH(int, said);
        HubBench bench;
        HubServer server(*bench.hub, HubServer::Limits{});
        QStringList log;
        connect(&server, &HubServer::logged, this, [&log](const QString& t) { log << t; });
        QString error;
        QVERIFY(server.Listen({ServeAddress{QHostAddress(address), 0}}, &error));
        QCOMPARE(log.size(), said);
        if (said)
            QCOMPARE(log.first(), QStringLiteral("serving the line on 0.0.0.0:%1: reachable "
                                                 "from other machines")
                                      .arg(server.Ports().first()));
    }

    // The masters past the most allowed are closed at once, said once a minute at most.
    void tooManyMasters() {
        HubServer::Limits limits;
        limits.clients = 2;
        Bench bench(limits);
        std::vector<std::unique_ptr<QTcpSocket>> masters;
        for (int i = 0; i < 2; ++i)
            masters.push_back(bench.Connect());
        QTRY_COMPARE_WITH_TIMEOUT(bench.hub->Tally().masters, 2, Bound);
        for (int i = 0; i < 2; ++i) {
            auto extra = bench.Connect();
            QVERIFY(extra);
            QTRY_VERIFY_WITH_TIMEOUT(Closed(*extra), Bound);
        }
        QCOMPARE(bench.log.size(), 1);
        QVERIFY2(bench.log.first().contains("2 are connected, the most allowed"),
                 qPrintable(bench.log.first()));
        bench.clock.Run(60000);
        auto late = bench.Connect();
        QTRY_VERIFY_WITH_TIMEOUT(Closed(*late), Bound);
        QCOMPARE(bench.log.size(), 2);
        QCOMPARE(bench.hub->Tally().masters, 2);
    }
};

QTEST_GUILESS_MAIN(TestHubServer)
#include "tst_hubserver.moc"
