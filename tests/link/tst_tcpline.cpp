// Lines over the network: the endpoint forms of VRX_COMn, the Modbus TCP conversion, and the
// exchange over a TCP line against a scripted far end on a loopback port (a serial server,
// a gateway, or a gateway that calls in), in real time.
#include "errorlog.h"
#include "errors.h"
#include "exchange.h"
#include "framecodec.h"
#include "framedecode.h"
#include "freeport.h"
#include "manualtime.h"
#include "mbap.h"
#include "netendpoint.h"
#include "tcpline.h"
#include "traffic.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

using namespace vrx;
using namespace vrx::test;

namespace {

constexpr int Bound = 10000; // ms: the longest any wait may take

const QByteArray AsciiRead = ":010347000002B3\r\n";
const QByteArray AsciiReply = ":01030400FA012CD1\r\n";
const QByteArray RtuRead = AsciiToRtu(AsciiRead);
const QByteArray RtuReply = AsciiToRtu(AsciiReply);
const QByteArray RtuReadStation2 = AsciiToRtu(ReadRequest(2, 0x4700, 2));

QByteArray Adu(quint16 transaction, const QByteArray& rtuFrame) {
    return EncodeMbap({transaction, static_cast<unsigned char>(rtuFrame.at(0)),
                       rtuFrame.mid(1, rtuFrame.size() - 3)});
}

// A piece of what the far end sends, after a pause.
struct Piece {
    int afterMs;
    QByteArray bytes;
    bool closeAfter = false;
};

// The far end on a free loopback port: takes connections, keeps what came, and answers each
// chunk it receives with the script's pieces.
class FarEnd : public QObject {
public:
    explicit FarEnd(quint16 port = 0) {
        server.listen(QHostAddress::LocalHost, port);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server.nextPendingConnection())
                Take(socket);
        });
    }
    quint16 Port() const { return server.serverPort(); }

    void Take(QTcpSocket* socket) {
        sockets << socket;
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            received += socket->readAll();
            Play(socket, std::exchange(script, {}));
        });
    }
    void Play(QPointer<QTcpSocket> socket, const QList<Piece>& pieces) {
        int at = 0;
        for (const Piece& piece : pieces) {
            at += piece.afterMs;
            QTimer::singleShot(at, this, [socket, piece] {
                if (!socket) return;
                socket->write(piece.bytes);
                socket->flush();
                if (piece.closeAfter) socket->disconnectFromHost();
            });
        }
    }

    QTcpServer server;
    QList<QPointer<QTcpSocket>> sockets;
    QByteArray received;
    QList<Piece> script;
};

// Tool "A" on COM1 with its exchange, the results it gave, and what reached the error handler.
struct Tool {
    explicit Tool(const QString& com1) {
        qputenv("VRX_COM1", com1.toLatin1());
        QObject::connect(&a, &Exchange::replied, &a, [this](const QByteArray& frame, qint64) {
            results << "replied " + QString::fromLatin1(frame.toHex());
        });
        QObject::connect(&a, &Exchange::timedOut, &a, [this](const QByteArray& partial) {
            results << "timed out with " + QString::fromLatin1(partial.toHex());
        });
        QObject::connect(&a, &Exchange::lineLost, &a, [this] { results << "line lost"; });
        QObject::connect(&a, &Exchange::lineRestored, &a, [this] { results << "line back"; });
    }
    void Open(bool rtu) {
        ComSelections settings;
        settings.modBus = rtu ? 1 : 0;
        settings.bitLen = rtu ? 1 : 0;
        line.Open(QStringLiteral("A"), 1, ToLineSettings(settings));
    }
    void Send(const QByteArray& request, bool rtu, ReplyTiming timing = {2, 1}) {
        a.Send(request, rtu ? Framing::Rtu : Framing::Ascii, ReplyEndPolicy::FrameEnd, timing);
    }

    ErrorLog errors;
    LineOwner line;
    Exchange a{line, QStringLiteral("A")};
    QStringList results;
};

// What the line logs (vrx.line at its default level) while it lives.
class LineMessages {
public:
    LineMessages() {
        texts().clear();
        previous_ = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext& context, const QString& text) {
                if (QByteArray(context.category) == "vrx.line") texts() << text;
            });
    }
    ~LineMessages() { qInstallMessageHandler(previous_); }
    static QStringList& texts() {
        static QStringList logged;
        return logged;
    }
    static qsizetype Count(const QString& part) { return texts().filter(part).size(); }

private:
    QtMessageHandler previous_ = nullptr;
};

quint16 ListenPort() {
    return quint16(FreePort());
}

} // namespace

Q_DECLARE_METATYPE(Piece)

class TestTcpLine : public QObject {
    Q_OBJECT

private slots:
    void endpoints_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("described"); // empty: refused
        QTest::addColumn<int>("extraMs");
        QTest::addColumn<QString>("allowed"); // the allow list, or why it was refused
        auto row = [](const char* name, const QString& text, const QString& described, int extraMs,
                      const QString& allowedOrWhy) {
            QTest::newRow(name) << text << described << extraMs << allowedOrWhy;
        };

        row("serial server", "tcp:10.0.0.7:4001", "tcp 10.0.0.7:4001", 100, "");
        row("gateway with latency", "mbtcp:gw.example:502:timeout=300", "mbtcp gw.example:502", 300,
            "");
        row("listen on all", "listen:0.0.0.0:5020", "listen 0.0.0.0:5020", 100, "");
        row("IPv6 in brackets", "tcp:[::1]:4001:timeout=0", "tcp [::1]:4001", 0, "");
        row("no port", "tcp:10.0.0.7", "", 0, "the port is missing");
        row("no host", "tcp::4001", "", 0, "the host is missing");
        row("port 0", "listen:127.0.0.1:0", "", 0, "is not a port");
        row("port too big", "tcp:h:65536", "", 0, "is not a port");
        row("unclosed IPv6", "tcp:[::1:4001", "", 0, "']' is missing");
        row("unknown option", "tcp:h:1:retries=3", "", 0, "unknown option");
        row("time-out not a number", "tcp:h:1:timeout=x", "", 0, "timeout 'x'");
        row("time-out too long", "tcp:h:1:timeout=60001", "", 0, "timeout '60001'");
        row("nothing after the prefix", "mbtcp:", "", 0, "HOST:PORT is missing");

        row("allow one caller", "listen:0.0.0.0:5020:allow=192.0.2.5", "listen 0.0.0.0:5020", 100,
            "192.0.2.5");
        row("allow two, then a time-out",
            "listen:0.0.0.0:5020:allow=192.0.2.5,192.0.2.6:timeout=50", "listen 0.0.0.0:5020", 50,
            "192.0.2.5,192.0.2.6");
        row("allow IPv6 in brackets", "listen:[::]:5020:allow=[2001:db8::5],192.0.2.6",
            "listen [::]:5020", 100, "2001:db8::5,192.0.2.6");
        row("allow on a line that calls out", "tcp:10.0.0.7:4001:allow=192.0.2.5", "", 0,
            "allow= is for a listen: line");
        row("allow a name", "listen:0.0.0.0:5020:allow=gw.example", "", 0,
            "allow: 'gw.example' is not an IPv4 address");
        row("allow nothing", "listen:0.0.0.0:5020:allow=", "", 0, "allow: '' is not");
        row("allow an empty item", "listen:0.0.0.0:5020:allow=192.0.2.5,", "", 0,
            "allow: '' is not");
        row("allow IPv6 without brackets", "listen:0.0.0.0:5020:allow=2001:db8::5", "", 0,
            "allow: '2001' is not");
        row("allow IPv4 in a short form", "listen:0.0.0.0:5020:allow=10.1", "", 0,
            "allow: '10.1' is not");
        row("allow IPv4 with leading zeros", "listen:0.0.0.0:5020:allow=010.0.0.1", "", 0,
            "allow: '010.0.0.1' is not");
        row("allow a scoped IPv6 address", "listen:[::]:5020:allow=[fe80::1%eth0]", "", 0,
            "allow: '[fe80::1%eth0]' is not");
        row("allow IPv4 in brackets", "listen:0.0.0.0:5020:allow=[192.0.2.5]", "", 0,
            "allow: '[192.0.2.5]' is not");
        row(
            "allow too many",
            "listen:0.0.0.0:5020:allow=" +
                [] {
                    QStringList many;
                    for (int i = 1; i <= NetEndpoint::MaxAllowed + 1; ++i)
                        many << QStringLiteral("192.0.2.%1").arg(i);
                    return many.join(u',');
                }(),
            "", 0, "allow: at most 32 addresses");
    }
    void endpoints() {
        QFETCH(QString, text);
        QFETCH(QString, described);
        QFETCH(int, extraMs);
        QFETCH(QString, allowed);
        QVERIFY(IsNetEndpointText(text));
        QString error;
        const auto endpoint = ParseNetEndpoint(text, &error);
        if (described.isEmpty()) {
            QVERIFY(!endpoint);
            QVERIFY2(error.contains(allowed), qPrintable(error));
            QVERIFY2(error.size() < 200, qPrintable(error));
            return;
        }
        QVERIFY2(endpoint, qPrintable(error));
        QCOMPARE(DescribeEndpoint(*endpoint), described);
        QCOMPARE(endpoint->extraReplyMs, extraMs);
        QStringList addresses;
        for (const QHostAddress& address : endpoint->allow)
            addresses << address.toString();
        QCOMPARE(addresses.join(u','), allowed);
    }

    // Who a listen: line with an allow list takes: the addresses listed, an IPv4 caller also
    // when it comes to a dual-stack listener as an IPv4-mapped IPv6 address.
    void allowList_data() {
        QTest::addColumn<QString>("allow");
        QTest::addColumn<QString>("peer");
        QTest::addColumn<bool>("taken");
        QTest::newRow("no list takes anyone") << ""
                                              << "203.0.113.9" << true;
        QTest::newRow("listed") << "192.0.2.5,192.0.2.6"
                                << "192.0.2.6" << true;
        QTest::newRow("not listed") << "192.0.2.5,192.0.2.6"
                                    << "192.0.2.7" << false;
        QTest::newRow("IPv4 caller on a dual-stack listener") << "192.0.2.5"
                                                              << "::ffff:192.0.2.5" << true;
        QTest::newRow("IPv6 listed") << "[2001:db8::5]"
                                     << "2001:db8::5" << true;
        QTest::newRow("IPv6 not listed") << "[2001:db8::5]"
                                         << "2001:db8::6" << false;
    }
    void allowList() {
        QFETCH(QString, allow);
        QFETCH(QString, peer);
        QFETCH(bool, taken);
        const QString text = "listen:[::]:5020" + (allow.isEmpty() ? QString() : ":allow=" + allow);
        QString error;
        const auto endpoint = ParseNetEndpoint(text, &error);
        QVERIFY2(endpoint, qPrintable(error));
        QCOMPARE(endpoint->Allows(QHostAddress(peer)), taken);
    }

    // The program's frames as a gateway takes them, and the frames its replies become.
    void serialFramesAsPdus_data() {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<bool>("ascii"); // the line's framing
        QTest::addColumn<int>("unit");   // -1: not a frame a slave would take
        QTest::addColumn<QByteArray>("pdu");

        const QByteArray read = QByteArray::fromHex("0347000002");
        QTest::newRow("ascii read") << AsciiRead << true << 1 << read;
        QTest::newRow("rtu read") << RtuRead << false << 1 << read;
        QTest::newRow("ascii lowercase hex")
            << QByteArray(":010347000002b3\r\n") << true << 1 << read;
        QTest::newRow("rtu broadcast write")
            << AsciiToRtu(":00064701000AA8\r\n") << false << 0 << QByteArray::fromHex("064701000A");
        QTest::newRow("rtu to station 0x3A, which starts with a colon")
            << PduToSerialFrame(0x3A, read, false) << false << 0x3A << read;
        QTest::newRow("ascii bad lrc")
            << QByteArray(":010347000002B4\r\n") << true << -1 << QByteArray();
        QTest::newRow("ascii without CR LF")
            << QByteArray(":010347000002B3") << true << -1 << QByteArray();
        QTest::newRow("ascii not hex")
            << QByteArray(":01034700000GB3\r\n") << true << -1 << QByteArray();
        QTest::newRow("an ascii frame on an rtu line") << AsciiRead << false << -1 << QByteArray();
        QTest::newRow("rtu bad crc") << RtuRead.first(7) + '\x00' << false << -1 << QByteArray();
        QTest::newRow("rtu too short") << QByteArray("\x01\x03", 2) << false << -1 << QByteArray();
    }
    void serialFramesAsPdus() {
        QFETCH(QByteArray, frame);
        QFETCH(bool, ascii);
        QFETCH(int, unit);
        QFETCH(QByteArray, pdu);
        const auto request = SerialFrameToPdu(frame, ascii);
        if (unit < 0) {
            QVERIFY(!request);
            return;
        }
        QVERIFY(request);
        QCOMPARE(request->unit, unit);
        QCOMPARE(request->pdu, pdu);
        QCOMPARE(PduToSerialFrame(unit, pdu, ascii).toUpper(), frame.toUpper());
    }

    void mbapStream_data() {
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<QList<quint16>>("transactions"); // the ADUs found, in order
        QTest::addColumn<bool>("broken");

        const QByteArray one = Adu(1, RtuReply), two = Adu(2, RtuReply);
        QTest::newRow("byte by byte") << [&] {
            QList<QByteArray> bytes;
            for (char c : one)
                bytes << QByteArray(1, c);
            return bytes;
        }() << QList<quint16>{1} << false;
        QTest::newRow("two in one segment")
            << QList<QByteArray>{one + two} << QList<quint16>{1, 2} << false;
        QTest::newRow("one and a half, then the rest")
            << QList<QByteArray>{one + two.first(5), two.mid(5)} << QList<quint16>{1, 2} << false;
        QTest::newRow("protocol id not 0")
            << QList<QByteArray>{QByteArray::fromHex("00010001000601034700")} << QList<quint16>{}
            << true;
        QTest::newRow("length no ADU has")
            << QList<QByteArray>{QByteArray::fromHex("000100000001") + QByteArray(1, '\x01')}
            << QList<quint16>{} << true;
    }
    void mbapStream() {
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(QList<quint16>, transactions);
        QFETCH(bool, broken);
        MbapReader reader;
        std::vector<MbapAdu> adus;
        bool ok = true;
        for (const QByteArray& chunk : chunks)
            ok = ok && reader.Feed(chunk, &adus, nullptr);
        QCOMPARE(ok, !broken);
        QList<quint16> found;
        for (const MbapAdu& adu : adus) {
            found << adu.transaction;
            QCOMPARE(PduToSerialFrame(adu.unit, adu.pdu, false), RtuReply);
        }
        QCOMPARE(found, transactions);
    }

    // A request on each network form, and how the far end's answer ends it. The gaps inside a
    // reply are longer than the serial line's silence (1 tick), shorter than it with the
    // network's 100 ms on top: on TCP they end nothing.
    void replies_data() {
        QTest::addColumn<QString>("form");
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<QList<Piece>>("script");
        QTest::addColumn<QByteArray>("expectedOnWire");
        QTest::addColumn<QString>("result");

        const QString replied = "replied " + QString::fromLatin1(RtuReply.toHex());
        QList<Piece> bytewise;
        for (char c : RtuReply)
            bytewise << Piece{130, QByteArray(1, c)};
        QTest::newRow("tcp: rtu reply split over many segments with long gaps")
            << "tcp" << true << bytewise << RtuRead << replied;
        QTest::newRow("tcp: two replies in one segment, the first ends it")
            << "tcp" << true << QList<Piece>{{5, RtuReply + RtuReply}} << RtuRead << replied;
        QTest::newRow("tcp: ascii in two segments")
            << "tcp" << false << QList<Piece>{{5, AsciiReply.first(7)}, {130, AsciiReply.mid(7)}}
            << AsciiRead << "replied " + QString::fromLatin1(AsciiReply.toHex());
        QTest::newRow("tcp: a reply cut short times out, no silence ends it")
            << "tcp" << true << QList<Piece>{{5, RtuReply.first(5)}} << RtuRead
            << "timed out with " + QString::fromLatin1(RtuReply.first(5).toHex());
        QTest::newRow("tcp: a reply that cannot be good is handed to the checks")
            << "tcp" << true << QList<Piece>{{5, RtuReply.first(8) + '\x00'}} << RtuRead
            << "replied " + QString::fromLatin1((RtuReply.first(8) + '\x00').toHex());
        QTest::newRow("mbtcp: rtu request as MBAP, reply split")
            << "mbtcp" << true
            << QList<Piece>{{5, Adu(1, RtuReply).first(3)}, {130, Adu(1, RtuReply).mid(3)}}
            << Adu(1, RtuRead) << replied;
        QTest::newRow("mbtcp: ascii request, reply back as an ascii frame")
            << "mbtcp" << false << QList<Piece>{{5, Adu(1, RtuReply)}} << Adu(1, RtuRead)
            << "replied " + QString::fromLatin1(AsciiReply.toHex());
        QTest::newRow("mbtcp: a stale transaction in the same segment answers nothing")
            << "mbtcp" << true << QList<Piece>{{5, Adu(7, RtuReply) + Adu(1, RtuReply)}}
            << Adu(1, RtuRead) << replied;
        QTest::newRow("mbtcp: target failed to respond is a time-out of the station")
            << "mbtcp" << true << QList<Piece>{{5, EncodeMbap({1, 1, QByteArray::fromHex("830B")})}}
            << Adu(1, RtuRead) << "timed out with ";
        QTest::newRow("mbtcp: an exception of the station is its reply")
            << "mbtcp" << true << QList<Piece>{{5, EncodeMbap({1, 1, QByteArray::fromHex("8302")})}}
            << Adu(1, RtuRead)
            << "replied " + QString::fromLatin1(PduToSerialFrame(1, "\x83\x02", false).toHex());
    }
    void replies() {
        QFETCH(QString, form);
        QFETCH(bool, rtu);
        QFETCH(QList<Piece>, script);
        QFETCH(QByteArray, expectedOnWire);
        QFETCH(QString, result);
        FarEnd far;
        far.script = script;
        Tool tool(QStringLiteral("%1:127.0.0.1:%2").arg(form).arg(far.Port()));
        tool.Open(rtu);
        tool.Send(rtu ? RtuRead : AsciiRead, rtu);
        QTRY_VERIFY_WITH_TIMEOUT(!tool.results.isEmpty(), Bound);
        QCOMPARE(tool.results, QStringList{result});
        QCOMPARE(far.received, expectedOnWire);
        QVERIFY(tool.a.HoldsLine());
        QVERIFY2(tool.errors.texts.isEmpty(), qPrintable(tool.errors.texts.join('|')));
    }

    // A request value on the network forms: a Modbus TCP gateway gets its unit and PDU as the
    // frame would have given them, the same bytes on the network, and the reply is its own.
    void requestValueOnTheNetwork_data() {
        QTest::addColumn<QString>("form");
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<QByteArray>("expectedOnWire");
        QTest::newRow("tcp: rtu") << "tcp" << true << RtuRead;
        QTest::newRow("tcp: ascii") << "tcp" << false << AsciiRead;
        QTest::newRow("mbtcp: rtu") << "mbtcp" << true << Adu(1, RtuRead);
        QTest::newRow("mbtcp: ascii") << "mbtcp" << false << Adu(1, RtuRead);
    }
    void requestValueOnTheNetwork() {
        QFETCH(QString, form);
        QFETCH(bool, rtu);
        QFETCH(QByteArray, expectedOnWire);
        FarEnd far;
        const bool gateway = form == "mbtcp";
        far.script = {{5, gateway ? Adu(1, RtuReply) : rtu ? RtuReply : AsciiReply}};
        Tool tool(QStringLiteral("%1:127.0.0.1:%2").arg(form).arg(far.Port()));
        QList<Reply> replies;
        QObject::connect(&tool.a, &Exchange::answered, &tool.a,
                         [&replies](const Reply& reply) { replies << reply; });
        tool.Open(rtu);
        const Request read = Request::Read(1, 0x4700, 2);
        tool.a.Send(read, ReplyEndPolicy::FrameEnd, {2, 1});
        QTRY_VERIFY_WITH_TIMEOUT(!replies.isEmpty(), Bound);
        QCOMPARE(far.received, expectedOnWire);
        QCOMPARE(replies.size(), 1);
        QCOMPARE(int(replies.first().kind), int(ReplyKind::Replied));
        QCOMPARE(replies.first().request, read);
        QCOMPARE(replies.first().frame, rtu ? RtuReply : AsciiReply);
        QCOMPARE(tool.results.size(), 1);
    }

    // The connection refused, closed in the middle of a reply or reset: a lost line, said once
    // with the endpoint, however many tries find it still gone; the line comes back by itself
    // once the far end is there again.
    void lostConnection_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("refused") << "refused";
        QTest::newRow("closed mid-reply") << "closed";
        QTest::newRow("reset") << "reset";
    }
    void lostConnection() {
        QFETCH(QString, how);
        // The tries are counted on this clock: a busy machine cannot make fewer of them.
        ManualTime clock;
        auto far = std::make_unique<FarEnd>();
        const quint16 port = far->Port();
        if (how == "refused") far->server.close();
        if (how == "closed") far->script = {{5, RtuReply.first(4), true}};
        Tool tool(QStringLiteral("tcp:127.0.0.1:%1").arg(port));
        tool.Open(true);
        tool.Send(RtuRead, true, {40, 40});
        if (how == "reset") {
            QTRY_COMPARE_WITH_TIMEOUT(far->received, RtuRead, Bound);
            far->sockets.first()->abort();
        }
        QTRY_COMPARE_WITH_TIMEOUT(tool.results, QStringList{"line lost"}, Bound);
        const QStringList said{QStringLiteral("COM1 (tcp 127.0.0.1:%1) was disconnected. It is "
                                              "opened again by itself as soon as it is back.")
                                   .arg(port)};
        QTRY_COMPARE_WITH_TIMEOUT(tool.errors.texts, said, Bound);

        // The far end stays away for a few tries (refused each time), then is back on its port.
        if (how != "refused") {
            far.reset();
        }
        for (int attempt = 0; attempt < 3; ++attempt) {
            clock.Run(LineOwner::RetryMs);
            QTRY_VERIFY_WITH_TIMEOUT(!tool.line.Port().Open(), Bound);
            QVERIFY(tool.line.Recovering());
        }
        QCOMPARE(tool.results, QStringList{"line lost"});
        far = std::make_unique<FarEnd>(port);
        QVERIFY(far->server.isListening());
        far->script = {{5, RtuReply}};
        clock.Run(LineOwner::RetryMs);
        QTRY_COMPARE_WITH_TIMEOUT(tool.results, (QStringList{"line lost", "line back"}), Bound);
        QCOMPARE(tool.errors.texts, said);
        tool.results.clear();
        tool.Send(RtuRead, true);
        QTRY_COMPARE_WITH_TIMEOUT(
            tool.results, QStringList{"replied " + QString::fromLatin1(RtuReply.toHex())}, Bound);
    }

    // A far end that takes the request and says nothing: each request times out, the line
    // stays (a station that does not answer is not a line that is gone).
    void silentFarEnd() {
        FarEnd far;
        Tool tool(QStringLiteral("tcp:127.0.0.1:%1:timeout=0").arg(far.Port()));
        tool.Open(false);
        for (int i = 0; i < 2; ++i) {
            tool.Send(AsciiRead, false, {3, 0});
            QTRY_COMPARE_WITH_TIMEOUT(tool.results.size(), i + 1, Bound);
        }
        QCOMPARE(tool.results, (QStringList{"timed out with ", "timed out with "}));
        QVERIFY(tool.a.HoldsLine());
        QVERIFY(tool.errors.texts.isEmpty());
    }

    // listen: opens at once with no gateway; a request waits for it, its time-out with it, and
    // goes out when the gateway calls in. A second gateway is turned away while one stands.
    void listenWaitsForItsGateway() {
        quint16 port = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            port = probe.serverPort();
        }
        Tool tool(QStringLiteral("listen:127.0.0.1:%1").arg(port));
        tool.Open(true);
        QVERIFY(tool.line.Port().Open());
        tool.Send(RtuRead, true, {1, 1});

        // The gateway calls in far past the request's time-out (1 tick and the 100 ms), which
        // has not run meanwhile: the request goes out then, and its reply is the one result.
        FarEnd gateway;
        QTcpSocket first;
        gateway.Take(&first);
        gateway.script = {{5, RtuReply}};
        QTimer::singleShot(400, &first,
                           [&] { first.connectToHost(QHostAddress::LocalHost, port); });
        QTRY_VERIFY_WITH_TIMEOUT(!tool.results.isEmpty(), Bound);
        QCOMPARE(tool.results, QStringList{"replied " + QString::fromLatin1(RtuReply.toHex())});
        QCOMPARE(gateway.received, RtuRead);

        QTcpSocket second;
        second.connectToHost(QHostAddress::LocalHost, port);
        QTRY_COMPARE_WITH_TIMEOUT(second.state(), QAbstractSocket::UnconnectedState, Bound);
        QCOMPARE(first.state(), QAbstractSocket::ConnectedState);
        gateway.script = {{5, RtuReply}};
        tool.Send(RtuRead, true);
        QTRY_COMPARE_WITH_TIMEOUT(tool.results.size(), 2, Bound);
        QCOMPARE(tool.results.last(), "replied " + QString::fromLatin1(RtuReply.toHex()));

        // The gateway gone is the line lost; opened again, the next gateway is taken.
        first.disconnectFromHost();
        QTRY_COMPARE_WITH_TIMEOUT(tool.results.last(), QString("line lost"), Bound);
        tool.Open(true);
        QTcpSocket third;
        gateway.Take(&third);
        gateway.script = {{5, RtuReply}};
        third.connectToHost(QHostAddress::LocalHost, port);
        tool.Send(RtuRead, true);
        QTRY_COMPARE_WITH_TIMEOUT(tool.results.size(), 4, Bound);
        QCOMPARE(tool.results.last(), "replied " + QString::fromLatin1(RtuReply.toHex()));
    }

    // A line that stands a moment and drops again, try after try: the loss is said once, not
    // once a try, and the line is still tried and back each time.
    void lossSaidOnce_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("a server that accepts and closes") << "accept and close";
        QTest::newRow("a peer that resets one station's requests") << "reset one station";
        QTest::newRow("a port scanner on listen:") << "scanner";
    }
    void lossSaidOnce() {
        QFETCH(QString, how);
        constexpr int Drops = 4;
        const QString back = "line back", lost = "line lost";
        QTcpServer server;
        int accepted = 0;
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
            while (QTcpSocket* socket = server.nextPendingConnection()) {
                ++accepted;
                if (how == "accept and close") {
                    socket->disconnectFromHost();
                    continue;
                }
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                    if (socket->readAll().startsWith('\x02'))
                        socket->abort();
                    else
                        socket->write(RtuReply);
                });
            }
        });
        quint16 port = server.serverPort();
        if (how == "scanner") {
            server.close();
            port = ListenPort();
        }
        Tool tool(
            QStringLiteral("%1:127.0.0.1:%2").arg(how == "scanner" ? "listen" : "tcp").arg(port));
        tool.Open(true);
        if (how == "accept and close") {
            QTRY_VERIFY_WITH_TIMEOUT(accepted > Drops, Drops * Bound);
            QTRY_VERIFY_WITH_TIMEOUT(tool.results.count(back) >= Drops, Bound);
        }
        for (int i = 0; how == "reset one station" && i < Drops; ++i) {
            tool.results.clear();
            tool.Send(RtuRead, true, {40, 40});
            QTRY_VERIFY_WITH_TIMEOUT(tool.results.value(0).startsWith("replied"), Bound);
            tool.Send(RtuReadStation2, true, {40, 40});
            QTRY_COMPARE_WITH_TIMEOUT(tool.results.value(1), lost, Bound);
            QTRY_COMPARE_WITH_TIMEOUT(tool.results.value(2), back, Bound);
        }
        for (int i = 0; how == "scanner" && i < Drops; ++i) {
            QTRY_VERIFY_WITH_TIMEOUT(tool.line.Port().Open(), Bound);
            QTcpSocket scanner;
            scanner.connectToHost(QHostAddress::LocalHost, port);
            QTRY_VERIFY_WITH_TIMEOUT(tool.line.Port().Connected(), Bound);
            scanner.abort();
            QTRY_COMPARE_WITH_TIMEOUT(tool.results.count(lost), i + 1, Bound);
        }
        const QString said = QStringLiteral("COM1 (%1 127.0.0.1:%2) was disconnected. It is opened "
                                            "again by itself as soon as it is back.")
                                 .arg(how == "scanner" ? "listen" : "tcp")
                                 .arg(port);
        QCOMPARE(tool.errors.texts, QStringList{said});
    }

    // listen: a caller that connects and says nothing holds the line only until it has been
    // silent for a while: the gateway that calls next takes its place. A gateway that has
    // answered keeps its place however long the line is then quiet.
    void listenSilentCallerGivesWay() {
        ManualTime clock;
        const quint16 port = ListenPort();
        Tool tool(QStringLiteral("listen:127.0.0.1:%1").arg(port));
        tool.Open(true);
        QTcpSocket stranger;
        stranger.connectToHost(QHostAddress::LocalHost, port);
        QTRY_VERIFY_WITH_TIMEOUT(tool.line.Port().Connected(), Bound);
        tool.Send(RtuRead, true, {1, 1});
        QTRY_COMPARE_WITH_TIMEOUT(stranger.bytesAvailable(), qint64(RtuRead.size()), Bound);
        clock.Run(TcpLine::ReplaceSilentMs);
        QCOMPARE(tool.results, QStringList{"timed out with "});

        FarEnd gateway;
        QTcpSocket first;
        gateway.Take(&first);
        gateway.script = {{5, RtuReply}};
        first.connectToHost(QHostAddress::LocalHost, port);
        QTRY_COMPARE_WITH_TIMEOUT(stranger.state(), QAbstractSocket::UnconnectedState, Bound);
        QCOMPARE(first.state(), QAbstractSocket::ConnectedState);
        tool.Send(RtuRead, true, {1, 1});
        QTRY_COMPARE_WITH_TIMEOUT(tool.results.size(), 2, Bound);
        QCOMPARE(tool.results.last(), "replied " + QString::fromLatin1(RtuReply.toHex()));

        clock.Run(2 * TcpLine::ReplaceSilentMs);
        QTcpSocket second;
        second.connectToHost(QHostAddress::LocalHost, port);
        QTRY_COMPARE_WITH_TIMEOUT(second.state(), QAbstractSocket::UnconnectedState, Bound);
        QCOMPARE(first.state(), QAbstractSocket::ConnectedState);
        QVERIFY(tool.errors.texts.isEmpty());
    }

    // listen: with an allow list: a caller from elsewhere is closed at once and logged once,
    // however often it calls; one from a listed address is the gateway.
    void listenAllowList_data() {
        QTest::addColumn<QString>("allow");
        QTest::addColumn<bool>("taken");
        QTest::newRow("not listed") << "192.0.2.5" << false;
        QTest::newRow("listed") << "192.0.2.5,127.0.0.1" << true;
    }
    void listenAllowList() {
        QFETCH(QString, allow);
        QFETCH(bool, taken);
        const quint16 port = ListenPort();
        LineMessages messages;
        Tool tool(QStringLiteral("listen:127.0.0.1:%1:allow=%2").arg(port).arg(allow));
        tool.Open(true);
        QTcpSocket callers[3];
        for (QTcpSocket& caller : callers) {
            caller.connectToHost(QHostAddress::LocalHost, port);
            // Taken, or turned away: one caller at a time, so that the first is the one taken.
            QTRY_VERIFY_WITH_TIMEOUT(caller.state() == QAbstractSocket::UnconnectedState ||
                                         (&caller == callers && tool.line.Port().Connected()),
                                     Bound);
        }
        QCOMPARE(tool.line.Port().Connected(), taken);
        QCOMPARE(callers[0].state() == QAbstractSocket::ConnectedState, taken);
        QCOMPARE(messages.Count("which is not on the allow list"), taken ? 0 : 1);
        QCOMPARE(messages.Count("a gateway is connected from"), taken ? 1 : 0);
        QVERIFY(tool.errors.texts.isEmpty());
    }

    // A far end that takes nothing more (it stopped reading): the line is lost and tried
    // again, as a reset one is, rather than a write that fails and ends the tool's work.
    void stalledFarEndIsALostLine() {
        QTcpServer stalled;
        QVERIFY(stalled.listen(QHostAddress::LocalHost, 0));
        // Connections stand in the system's queue, and no byte is ever read from them.
        stalled.pauseAccepting();
        Tool tool(QStringLiteral("tcp:127.0.0.1:%1").arg(stalled.serverPort()));
        QSignalSpy lost(&tool.line, &LineOwner::lost);
        tool.Open(true);
        QTRY_VERIFY_WITH_TIMEOUT(tool.line.Port().Connected(), Bound);
        const QByteArray block(SerialPort::BufferSize - 96, 'x');
        // The system's buffers on both ends fill first: a few megabytes at most.
        for (int i = 0; i < 100000 && lost.isEmpty(); ++i) {
            try {
                tool.line.Port().SendText(block);
            } catch (const PortError& error) {
                QFAIL(qPrintable(error.text()));
            }
            QCoreApplication::processEvents();
        }
        QCOMPARE(lost.size(), 1);
        QVERIFY(tool.line.Recovering());
        QCOMPARE(tool.line.Holder(), "A");
        QTRY_COMPARE_WITH_TIMEOUT(tool.errors.texts.size(), 1, Bound);
    }

    // The traffic log names the endpoint, and in Modbus TCP shows the bytes on the wire.
    void trafficLog() {
        static QStringList logged;
        logged.clear();
        QLoggingCategory::setFilterRules(QStringLiteral("vrx.line.debug=true"));
        const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext& context, const QString& text) {
                if (QByteArray(context.category) == "vrx.line") logged << text;
            });
        FarEnd far;
        far.script = {{5, Adu(1, RtuReply)}};
        {
            Tool tool(QStringLiteral("mbtcp:127.0.0.1:%1").arg(far.Port()));
            tool.Open(true);
            tool.Send(RtuRead, true);
            QTRY_COMPARE_WITH_TIMEOUT(tool.results.size(), 1, Bound);
        }
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules(QString());
        const QString port = QStringLiteral("COM1 (mbtcp 127.0.0.1:%1)").arg(far.Port());
        const QString sent =
            port + " sent +0 ms: " + QString::fromLatin1(Adu(1, RtuRead).toHex(' ').toUpper());
        const QString received = port + " received +";
        QVERIFY2(logged.size() >= 2, qPrintable(logged.join('\n')));
        QCOMPARE(logged.at(0), sent);
        QVERIFY2(logged.at(1).startsWith(received) && logged.at(1).endsWith(QString::fromLatin1(
                                                          Adu(1, RtuReply).toHex(' ').toUpper())),
                 qPrintable(logged.at(1)));
        // The traffic window reads them as what they are.
        const TrafficRing& ring = TrafficFeed::Instance().Frames();
        QVERIFY(ring.Size() >= 2);
        const TrafficFrame& request = ring.At(ring.Size() - 2);
        const TrafficFrame& reply = ring.At(ring.Size() - 1);
        QVERIFY(request.mbap && reply.mbap);
        QCOMPARE(reply.bytes, Adu(1, RtuReply));
        QCOMPARE(DescribeFrame(DecodeFrame(request.bytes, true, request.mbap)),
                 "transaction 1, unit 1, read 0x4700 x2, length good");
    }
};

QTEST_GUILESS_MAIN(TestTcpLine)
#include "tst_tcpline.moc"
