// The exchange (one request and the end of its reply) and the line owner that lends the one
// port to one tool at a time, on a fake line and a manual clock.
#include "errorlog.h"
#include "errors.h"
#include "exchange.h"
#include "fakeline.h"
#include "framecodec.h"
#include "manualtime.h"
#include "portnotes.h"

#include <QSignalSpy>
#include <QTest>

using namespace vrx;
using namespace vrx::test;

namespace {

constexpr int Tick = SerialPort::TickMs;

// A line on COM1 shared by two tools, "A" and "B", each with its exchange.
struct Bench {
    Bench() {
        qputenv("VRX_COM1", "sim");
        QObject::connect(&a, &Exchange::replied, &a, [this](const QByteArray& frame, qint64 ms) {
            results << QStringLiteral("replied %1 after %2 ms")
                           .arg(QString::fromLatin1(frame.toHex()))
                           .arg(ms);
        });
        QObject::connect(&a, &Exchange::timedOut, &a, [this](const QByteArray& partial) {
            results
                << QStringLiteral("timed out with %1").arg(QString::fromLatin1(partial.toHex()));
        });
        QObject::connect(&a, &Exchange::lineLost, &a, [this] { results << "line lost"; });
        QObject::connect(&a, &Exchange::lineRestored, &a, [this] { results << "line back"; });
    }
    void Open(const char* tool) {
        ComSelections settings;
        line.Open(QString::fromLatin1(tool), 1, ToLineSettings(settings));
    }
    // Bytes from the far end after `ms` of line time, handed over through the event loop.
    void Arrive(int ms, const QByteArray& bytes) {
        clock.Run(ms);
        lines.last->Reply(bytes);
        clock.Run(0);
    }

    FakeLineFactory lines;
    ManualTime clock;
    ErrorLog errors;
    LineOwner line;
    Exchange a{line, QStringLiteral("A")};
    Exchange b{line, QStringLiteral("B")};
    QStringList results;
};

const QByteArray AsciiRead = ":010347000002B3\r\n";
const QByteArray AsciiReply = ":01030400FA012CD1\r\n";

} // namespace

class TestExchange : public QObject {
    Q_OBJECT

private slots:
    void init() { ForgetComDevices(); }

    // How each policy ends a reply, in both framings: the bytes that arrive (after how many
    // ms each), and the one result the exchange gives.
    void replyEnds_data() {
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<bool>("testerRule");
        QTest::addColumn<int>("silenceTicks");
        QTest::addColumn<QList<int>>("delays");
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<QString>("result");

        const QByteArray rtuReply = AsciiToRtu(AsciiReply);
        const QByteArray badCrc = rtuReply.first(rtuReply.size() - 1) + '\x00';
        QTest::newRow("ascii ends at the LF, noise after it left out")
            << false << false << 36 << QList<int>{60} << QList<QByteArray>{AsciiReply + "\x13"}
            << QString::fromLatin1("replied " + AsciiReply.toHex() + " after 60 ms");
        QTest::newRow("ascii in pieces")
            << false << false << 36 << QList<int>{10, 500}
            << QList<QByteArray>{AsciiReply.first(5), AsciiReply.mid(5)}
            << QString::fromLatin1("replied " + AsciiReply.toHex() + " after 510 ms");
        QTest::newRow("ascii without its LF times out")
            << false << false << 36 << QList<int>{10} << QList<QByteArray>{AsciiReply.first(9)}
            << QString::fromLatin1("timed out with " + AsciiReply.first(9).toHex());
        QTest::newRow("rtu whole frame at once")
            << true << false << 1 << QList<int>{30} << QList<QByteArray>{rtuReply}
            << QString::fromLatin1("replied " + rtuReply.toHex() + " after 30 ms");
        QTest::newRow("rtu bad crc ends at the silence")
            << true << false << 1 << QList<int>{30} << QList<QByteArray>{badCrc}
            << QString::fromLatin1("replied " + badCrc.toHex() + " after 110 ms");
        QTest::newRow("rtu nothing") << true << false << 1 << QList<int>{} << QList<QByteArray>{}
                                     << QStringLiteral("timed out with ");
        QTest::newRow("tester rule: rtu whole frame waits for the time-out")
            << true << true << 0 << QList<int>{30} << QList<QByteArray>{rtuReply}
            << QString::fromLatin1("replied " + rtuReply.toHex() + " after 1045 ms");
        QTest::newRow("tester rule: ascii ends at the LF")
            << false << true << 0 << QList<int>{30} << QList<QByteArray>{AsciiReply}
            << QString::fromLatin1("replied " + AsciiReply.toHex() + " after 30 ms");
    }
    void replyEnds() {
        QFETCH(bool, rtu);
        QFETCH(bool, testerRule);
        QFETCH(int, silenceTicks);
        QFETCH(QList<int>, delays);
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(QString, result);
        Bench bench;
        bench.Open("A");
        const QByteArray request = rtu ? AsciiToRtu(AsciiRead) : AsciiRead;
        // The tester's 18 ticks, otherwise the Monitor's: 36 in ASCII, one of silence in RTU.
        const int replyTicks = testerRule ? 18 : rtu ? 1 : 36;
        bench.a.Send(request, rtu ? Framing::Rtu : Framing::Ascii,
                     testerRule ? ReplyEndPolicy::TimeOutEnd : ReplyEndPolicy::FrameEnd,
                     {replyTicks, silenceTicks});
        QCOMPARE(bench.lines.last->written, QList<QByteArray>{request});
        for (qsizetype i = 0; i < chunks.size(); ++i)
            bench.Arrive(delays[i], chunks[i]);
        bench.clock.Run(40 * Tick);
        QCOMPARE(bench.results, QStringList{result});
        QVERIFY(!bench.a.Outstanding());
    }

    // A request value goes out framed by the line's framing, and its end comes back once as a
    // Reply that carries it, beside the signal of the same end.
    void requestValueFramedByTheLine_data() {
        QTest::addColumn<bool>("rtu");
        QTest::newRow("ascii") << false;
        QTest::newRow("rtu") << true;
    }
    void requestValueFramedByTheLine() {
        QFETCH(bool, rtu);
        Bench bench;
        LineSettings settings;
        if (rtu) settings = {9600, Parity::None, 8, 1, Framing::Rtu};
        bench.line.Open(QStringLiteral("A"), 1, settings);
        QList<Reply> replies;
        QObject::connect(&bench.a, &Exchange::answered, &bench.a, [&](const Reply& reply) {
            QVERIFY(!bench.a.Outstanding());
            replies << reply;
        });
        const Request read = Request::Read(1, 0x4700, 2);
        bench.a.Send(read, ReplyEndPolicy::FrameEnd, {rtu ? 1 : 36, 0});
        const QByteArray onWire = rtu ? AsciiToRtu(AsciiRead) : AsciiRead;
        QCOMPARE(bench.lines.last->written, QList<QByteArray>{onWire});
        QCOMPARE(bench.a.Request(), onWire);
        QVERIFY(bench.a.Outstanding());
        const QByteArray reply = rtu ? AsciiToRtu(AsciiReply) : AsciiReply;
        bench.Arrive(40, reply);
        QCOMPARE(replies.size(), 1);
        QCOMPARE(int(replies.first().kind), int(ReplyKind::Replied));
        QCOMPARE(replies.first().request, read);
        QCOMPARE(replies.first().frame, reply);
        QCOMPARE(replies.first().elapsedMs, 40);
        QCOMPARE(bench.results,
                 QStringList{"replied " + QString::fromLatin1(reply.toHex()) + " after 40 ms"});

        // Disowned: the reply is nobody's, only its end is said.
        QSignalSpy freed(&bench.a, &Exchange::freed);
        bench.a.Send(read, ReplyEndPolicy::FrameEnd, {rtu ? 1 : 36, 0});
        bench.a.Disown();
        bench.Arrive(40, reply);
        QCOMPARE(freed.size(), 1);
        QCOMPARE(replies.size(), 2);
        QCOMPARE(int(replies.last().kind), int(ReplyKind::Freed));
        QVERIFY(replies.last().frame.isEmpty());
        QCOMPARE(bench.results.size(), 1);
    }

    // Every byte restarts the time-out when the policy says so: a slow ASCII reply that keeps
    // coming is not cut off at the first time-out after the send.
    void silenceRestartsTheTimeOut() {
        Bench bench;
        bench.Open("A");
        bench.a.Send(AsciiRead, Framing::Ascii, ReplyEndPolicy::FrameEnd, {36, 36});
        bench.Arrive(30 * Tick, AsciiReply.first(3));
        bench.Arrive(30 * Tick, AsciiReply.mid(3));
        QCOMPARE(bench.results.size(), 1);
        QVERIFY(bench.results.first().startsWith("replied"));
    }

    // One tool at a time: the other cannot open the line, send on it or see its bytes, and
    // the Main window learns the holder from the line.
    void lineIsLentToOneTool() {
        Bench bench;
        QCOMPARE(bench.line.Holder(), QString());
        bench.Open("A");
        QCOMPARE(bench.line.Holder(), "A");
        QVERIFY(bench.line.HeldByOther("B"));
        QVERIFY(!bench.line.HeldByOther("A"));
        QVERIFY_THROWS_EXCEPTION(PortError, bench.Open("B"));
        QVERIFY_THROWS_EXCEPTION(
            PortError, bench.b.Send(AsciiRead, Framing::Ascii, ReplyEndPolicy::FrameEnd, {36, 36}));
        QVERIFY(bench.lines.last->written.isEmpty());
        QSignalSpy seenByB(&bench.b, &Exchange::bytesReceived);
        bench.a.Send(AsciiRead, Framing::Ascii, ReplyEndPolicy::FrameEnd, {36, 36});
        bench.Arrive(10, AsciiReply);
        QCOMPARE(seenByB.size(), 0);
        QCOMPARE(bench.results.size(), 1);
        // B closing what it does not hold changes nothing.
        bench.line.Close(QStringLiteral("B"));
        QCOMPARE(bench.line.Holder(), "A");
        bench.line.Close(QStringLiteral("A"));
        QCOMPARE(bench.line.Holder(), QString());
        bench.Open("B");
        QCOMPARE(bench.line.Holder(), "B");
    }

    // Bytes that answer nothing are not a reply to the next request.
    void bytesBetweenExchangesAreNoReply() {
        Bench bench;
        bench.Open("A");
        bench.a.Send(AsciiRead, Framing::Ascii, ReplyEndPolicy::FrameEnd, {36, 36});
        bench.Arrive(10, AsciiReply);
        bench.Arrive(10, ":0103");
        bench.clock.Run(40 * Tick);
        QCOMPARE(bench.results.size(), 1);
        bench.a.Send(AsciiRead, Framing::Ascii, ReplyEndPolicy::FrameEnd, {36, 36});
        bench.Arrive(10, AsciiReply);
        QCOMPARE(bench.results.size(), 2);
        QCOMPARE(bench.results.last(), "replied " + AsciiReply.toHex() + " after 10 ms");
    }

    // A line that goes away ends the exchange once, and no time-out follows. It stays the
    // tool's while it is tried again once a second, without a message per try, and the tool is
    // told when it is back.
    void lostLineComesBackByItself() {
        Bench bench;
        bench.Open("A");
        bench.a.Send(AsciiRead, Framing::Ascii, ReplyEndPolicy::FrameEnd, {36, 36});
        bench.lines.refuseOpen = true; // unplugged for a while
        emit bench.lines.last->lost(QStringLiteral("gone"));
        bench.clock.Run(40 * Tick);
        QCOMPARE(bench.results, QStringList{"line lost"});
        QVERIFY(bench.a.LineDown());
        QCOMPARE(bench.line.Holder(), "A");
        QVERIFY(bench.line.HeldByOther(QStringLiteral("B")));
        QVERIFY_THROWS_EXCEPTION(PortError, bench.line.Reopen(QStringLiteral("B")));
        QVERIFY_THROWS_EXCEPTION(
            PortError, bench.a.Send(AsciiRead, Framing::Ascii, ReplyEndPolicy::FrameEnd, {36, 36}));

        bench.clock.Run(5000);
        QCOMPARE(bench.errors.texts,
                 QStringList{"COM1 (fake line) was disconnected. It is opened again by itself as "
                             "soon as it is back."});
        QVERIFY(bench.a.LineDown());

        bench.lines.refuseOpen = false; // plugged in again
        bench.clock.Run(LineOwner::RetryMs);
        QCOMPARE(bench.results, (QStringList{"line lost", "line back"}));
        QVERIFY(bench.a.HoldsLine() && !bench.a.LineDown());
        QCOMPARE(bench.errors.texts.size(), 1);
        bench.a.Send(AsciiRead, Framing::Ascii, ReplyEndPolicy::FrameEnd, {36, 36});
        bench.Arrive(20, AsciiReply);
        QCOMPARE(bench.results.last(), "replied " + AsciiReply.toHex() + " after 20 ms");
    }

    // A tool that lets go of its lost line ends the retries: the line is free for the others
    // and is not opened behind anyone's back.
    void closingALostLineEndsTheRetries() {
        Bench bench;
        bench.Open("A");
        emit bench.lines.last->lost(QStringLiteral("gone"));
        bench.line.Close(QStringLiteral("A"));
        bench.clock.Run(3000);
        QVERIFY(!bench.line.Port().Open());
        QCOMPARE(bench.line.Holder(), QString());
        QCOMPARE(bench.results, QStringList{"line lost"});
        bench.line.Reopen(QStringLiteral("B"));
        QVERIFY(bench.b.HoldsLine());
    }
};

QTEST_GUILESS_MAIN(TestExchange)
#include "tst_exchange.moc"
