// The hub's turns on a fake line and a manual clock: masters in turn, the recording first,
// bounded queues, a silent station's rest, a master that leaves, a lost line.
#include "hubbench.h"
#include "portnotes.h"
#include "recordengine.h"

#include <QLoggingCategory>
#include <QTest>

using namespace vrx;
using namespace vrx::test;

namespace {

constexpr int Tick = SerialPort::TickMs;
constexpr int ReplyTicks = HubBench::ReplyTicks;

// A read of `words` registers of `unit` from `reg`.
MbapAdu ReadOf(quint16 transaction, int unit, int reg = 0x4700, int words = 2) {
    QByteArray pdu = Hex("03");
    pdu.append(char(reg >> 8)).append(char(reg & 0xFF)).append(char(0)).append(char(words));
    return MbapAdu{transaction, unit, pdu};
}

// The recording's read of `station`, as its cycle asks it; `sharedBefore` as the engine says
// it.
LineQueue::Ask CycleAsk(int station, std::optional<quint32> sharedBefore = std::nullopt) {
    return {Request::Read(station, 0x4700, 2),
            Framing::Rtu,
            ReplyEndPolicy::FrameEnd,
            ReplyTiming{ReplyTicks, 0, 36},
            RequestPriority::Cycle,
            {},
            {},
            0,
            sharedBefore};
}

// The hub's bench, with what its masters are answered and what it logs.
struct Bench : HubBench {
    explicit Bench(LineHub::Settings settings = {}) : HubBench(settings) {
        QObject::connect(hub.get(), &LineHub::logged, [this](const QString& t) { log << t; });
    }
    quint64 Master(const QString& name) {
        return hub->AddMaster(name, [this, name](const MbapAdu& adu) {
            answers << QStringLiteral("%1 #%2 unit %3: %4")
                           .arg(name)
                           .arg(adu.transaction)
                           .arg(adu.unit)
                           .arg(QString::fromLatin1(adu.pdu.toHex().toUpper()));
        });
    }

    QStringList answers;
    QStringList log;
};

QString Read(const char* master, int transaction, int unit) {
    return QStringLiteral("%1 #%2 unit %3: 030400FA012C").arg(master).arg(transaction).arg(unit);
}

} // namespace

class TestLineHub : public QObject {
    Q_OBJECT

private slots:
    void init() { ForgetComDevices(); }

    // One request of theirs on the line at a time, the masters in turn however many each has
    // waiting; each answer goes to its own master with its transaction id.
    void mastersTakeTurns() {
        Bench bench;
        const quint64 a = bench.Master("A");
        const quint64 b = bench.Master("B");
        for (quint16 t = 1; t <= 3; ++t)
            bench.hub->Take(a, ReadOf(t, 1));
        bench.hub->Take(b, ReadOf(7, 2));
        bench.hub->Take(b, ReadOf(8, 2));
        QCOMPARE(bench.Sent(), QList<int>{1});
        QCOMPARE(bench.hub->WaitingOf(a), 2);
        for (int i = 0; i < 5; ++i)
            bench.Answer();
        QCOMPARE(bench.Sent(), (QList<int>{1, 2, 1, 2, 1}));
        QCOMPARE(bench.answers, (QStringList{Read("A", 1, 1), Read("B", 7, 2), Read("A", 2, 1),
                                             Read("B", 8, 2), Read("A", 3, 1)}));
        QCOMPARE(bench.hub->Tally(), (LineHub::Counts{5, 0, 2}));
        // The frame on the line is the station's RTU request.
        const QByteArray request = Hex("010347000002");
        QCOMPARE(bench.lines.last->written.first(), request + ModbusCrc(request));
    }

    // The recording's request that comes while a master's is out goes next, before the
    // masters' others: the recording waits for one served exchange at most.
    void recordingFirst() {
        Bench bench;
        const quint64 a = bench.Master("A");
        bench.hub->Take(a, ReadOf(1, 1));
        bench.hub->Take(a, ReadOf(2, 1));
        QObject recorder;
        QStringList recorded;
        const LineQueue::Ask cycle = CycleAsk(9);
        bench.owner.Queue().Submit(cycle, &recorder,
                                   [&](const vrx::Reply& r) { recorded << r.frame.toHex(); });
        bench.Answer();
        QCOMPARE(bench.Sent(), (QList<int>{1, 9}));
        bench.Answer();
        QCOMPARE(recorded.size(), 1);
        QCOMPARE(bench.Sent(), (QList<int>{1, 9, 1}));
        bench.Answer();
        QCOMPARE(bench.answers, (QStringList{Read("A", 1, 1), Read("A", 2, 1)}));
    }

    // Between two of the cycle's requests one master's goes first when the cycle has room for
    // its time on the line (two registers: 28 ms at 9600 8E1; 125: 309 ms); never two of
    // theirs in a row, and none where the cycle gives no room.
    void betweenTheCycle_data() {
        QTest::addColumn<int>("room");
        QTest::addColumn<int>("words");
        QTest::addColumn<int>("masters");
        QTest::addColumn<QList<int>>("sent");
        QTest::newRow("room for it") << 40 << 2 << 1 << QList<int>{9, 1, 8};
        QTest::newRow("just room") << 28 << 2 << 1 << QList<int>{9, 1, 8};
        QTest::newRow("too little room") << 27 << 2 << 1 << QList<int>{9, 8, 1};
        QTest::newRow("too long for the room") << 300 << 125 << 1 << QList<int>{9, 8, 1};
        QTest::newRow("no room given") << -1 << 2 << 1 << QList<int>{9, 8, 1};
        QTest::newRow("one of two masters") << 100 << 2 << 2 << QList<int>{9, 1, 8, 2};
    }
    void betweenTheCycle() {
        QFETCH(int, room);
        QFETCH(int, words);
        QFETCH(int, masters);
        QFETCH(QList<int>, sent);
        Bench bench;
        QObject recorder;
        const auto next = [&](const vrx::Reply&) {
            const std::optional<quint32> before =
                room < 0 ? std::nullopt
                         : std::optional<quint32>(Clock::Current().Milliseconds() + quint32(room));
            bench.owner.Queue().Submit(CycleAsk(8, before), &recorder, [](const vrx::Reply&) {});
        };
        bench.owner.Queue().Submit(CycleAsk(9), &recorder, next);
        for (int m = 1; m <= masters; ++m) {
            QByteArray pdu = Hex("034700");
            pdu.append(char(0)).append(char(words));
            bench.hub->Take(bench.Master(QStringLiteral("M%1").arg(m)), MbapAdu{1, m, pdu});
        }
        for (qsizetype i = 1; i < sent.size(); ++i)
            bench.Answer();
        QCOMPARE(bench.Sent(), sent);
    }

    // The recording's cycle with a master that always has a request waiting: the master's go
    // between the cycle's while they have had no more of the line than the cycle's own (each
    // read at least 28 ms on the line, or as long as its answer took); a master's longer
    // request (ten registers, 46 ms) waits until the cycle has had that much.
    void cycleMakesRoom_data() {
        QTest::addColumn<int>("answerMs");
        QTest::addColumn<int>("words");
        QTest::addColumn<QList<int>>("sent");
        QTest::newRow("answers in line time") << 25 << 2 << QList<int>{1, 7, 2, 7, 3, 7};
        QTest::newRow("slow answers") << 40 << 2 << QList<int>{1, 7, 2, 7, 3, 7};
        QTest::newRow("a master's longer request") << 25 << 10 << QList<int>{1, 2, 7, 3, 7, 7};
        QTest::newRow("a longer one, slow answers") << 50 << 10 << QList<int>{1, 7, 2, 7, 3, 7};
    }
    void cycleMakesRoom() {
        QFETCH(int, answerMs);
        QFETCH(int, words);
        QFETCH(QList<int>, sent);
        Bench bench;
        RecordEngine engine(bench.owner);
        LineSettings settings;
        settings.framing = Framing::Rtu;
        settings.dataBits = 8;
        engine.SetLineSettings(settings);
        int cycles = 0;
        QObject::connect(&engine, &RecordEngine::cycleCompleted, [&] { ++cycles; });
        QVERIFY(engine.Start({1, 2, 3, 0, 0, 0, 0, 0}, 1));
        const quint64 a = bench.Master("A");
        for (quint16 t = 1; t <= 3; ++t)
            bench.hub->Take(a, ReadOf(t, 7, 0x4700, words));
        while (bench.lines.last->written.size() < sent.size()) {
            const qsizetype before = bench.lines.last->written.size();
            bench.Answer(answerMs, 0);
            QCOMPARE_GT(bench.lines.last->written.size(), before);
        }
        bench.Answer(answerMs, 0);
        QCOMPARE(bench.Sent(), sent);
        QCOMPARE(cycles, 1);
        QCOMPARE(bench.answers.size(), 3);
    }

    // Answered at once, nothing put on the line: what the line cannot carry, writes unless
    // allowed, broadcasts unless writes are, and a master's 17th waiting request.
    void answeredAtOnce_data() {
        QTest::addColumn<bool>("writes");
        QTest::addColumn<int>("unit");
        QTest::addColumn<QByteArray>("pdu");
        QTest::addColumn<QString>("answer");
        QTest::newRow("write not allowed") << false << 3 << Hex("064701012C") << "8601";
        QTest::newRow("unknown function") << true << 3 << Hex("2B0E0100") << "AB01";
        QTest::newRow("bad length") << true << 3 << Hex("03470000020000") << "8303";
        QTest::newRow("broadcast read") << true << 0 << Hex("0347000002") << "8301";
        QTest::newRow("broadcast write not allowed") << false << 0 << Hex("064701012C") << "8601";
        QTest::newRow("queue full") << false << 2 << Hex("0347000002") << "8306";
    }
    void answeredAtOnce() {
        QFETCH(bool, writes);
        QFETCH(int, unit);
        QFETCH(QByteArray, pdu);
        QFETCH(QString, answer);
        LineHub::Settings settings;
        settings.writes = writes;
        Bench bench(settings);
        const quint64 a = bench.Master("A");
        // One out and sixteen waiting fill the master's share.
        for (quint16 t = 1; t <= 17; ++t)
            bench.hub->Take(a, ReadOf(t, 1));
        QVERIFY(bench.answers.isEmpty());
        QCOMPARE(bench.hub->WaitingOf(a), 16);
        if (answer != "8306") bench.Answer(); // room again
        bench.answers.clear();
        const qsizetype sent = bench.lines.last->written.size();
        bench.hub->Take(a, MbapAdu{99, unit, pdu});
        QCOMPARE(bench.answers,
                 QStringList{QStringLiteral("A #99 unit %1: %2").arg(unit).arg(answer)});
        QCOMPARE(bench.lines.last->written.size(), sent);
        QCOMPARE(bench.hub->Tally().exceptions, 1u);
    }

    // A silent station costs the line one time-out; then it is answered 0x0B at once, also
    // for what other masters had waiting for it, until its rest is over.
    void silentStationRests() {
        LineHub::Settings settings;
        settings.restMs = 10000;
        Bench bench(settings);
        const quint64 a = bench.Master("A");
        const quint64 b = bench.Master("B");
        bench.hub->Take(a, ReadOf(1, 9));
        bench.hub->Take(b, ReadOf(2, 9));
        bench.hub->Take(b, ReadOf(3, 4));
        bench.clock.Run((ReplyTicks + 2) * Tick);
        QCOMPARE(bench.answers, (QStringList{"A #1 unit 9: 830B", "B #2 unit 9: 830B"}));
        QCOMPARE(bench.Sent(), (QList<int>{9, 4}));
        bench.Answer();
        bench.hub->Take(a, ReadOf(4, 9));
        QCOMPARE(bench.answers.last(), "A #4 unit 9: 830B");
        QCOMPARE(bench.Sent(), (QList<int>{9, 4}));
        bench.clock.Run(10000);
        bench.hub->Take(a, ReadOf(5, 9));
        QCOMPARE(bench.Sent(), (QList<int>{9, 4, 9}));
        bench.Answer();
        QCOMPARE(bench.answers.last(), Read("A", 5, 9));
    }

    // A master that leaves: its waiting requests never go out; its request on the line keeps
    // the line until its reply, which answers nobody, and then the others go on.
    void masterLeaves() {
        Bench bench;
        const quint64 a = bench.Master("A");
        const quint64 b = bench.Master("B");
        bench.hub->Take(a, ReadOf(1, 1));
        bench.hub->Take(a, ReadOf(2, 1));
        bench.hub->Take(b, ReadOf(3, 2));
        bench.hub->RemoveMaster(a);
        QCOMPARE(bench.hub->Tally().masters, 1);
        QCOMPARE(bench.Sent(), QList<int>{1});
        bench.Answer();
        QCOMPARE(bench.Sent(), (QList<int>{1, 2}));
        bench.Answer();
        QCOMPARE(bench.answers, QStringList{Read("B", 3, 2)});
    }

    // A lost line answers 0x0A, the request out and those that come while it is away.
    void lostLine() {
        Bench bench;
        const quint64 a = bench.Master("A");
        bench.hub->Take(a, ReadOf(1, 1));
        emit bench.lines.last->lost(QStringLiteral("unplugged"));
        QTRY_COMPARE(bench.answers, QStringList{"A #1 unit 1: 830A"});
        bench.hub->Take(a, ReadOf(2, 1));
        QCOMPARE(bench.answers.last(), "A #2 unit 1: 830A");
    }

    // The traffic log names the master each served frame and its reply are for; the
    // recording's own frames are the line's alone.
    void trafficNamesTheMaster() {
        QLoggingCategory::setFilterRules(QStringLiteral("vrx.line=true"));
        static QStringList logged;
        logged.clear();
        const QtMessageHandler before = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext& context, const QString& text) {
                if (QByteArray(context.category) == "vrx.line")
                    logged << text.left(text.indexOf(QLatin1String(" ms: ")) + 4);
            });
        {
            Bench bench;
            const quint64 a = bench.Master("127.0.0.1:53422");
            bench.hub->Take(a, ReadOf(1, 1));
            bench.Answer();
            QObject recorder;
            const LineQueue::Ask cycle = CycleAsk(9);
            bench.owner.Queue().Submit(cycle, &recorder, [](const vrx::Reply&) {});
            bench.Answer();
        }
        qInstallMessageHandler(before);
        QLoggingCategory::setFilterRules(QStringLiteral("vrx.line=false"));
        QCOMPARE(logged, (QStringList{"COM1 <- 127.0.0.1:53422 sent +0 ms:",
                                      "COM1 <- 127.0.0.1:53422 received +10 ms:",
                                      "COM1 sent +55 ms:", "COM1 received +10 ms:"}));
    }

    // A write goes on the line only when allowed, and is logged with its master and outcome.
    void writesLogged() {
        LineHub::Settings settings;
        settings.writes = true;
        Bench bench(settings);
        const quint64 a = bench.Master("127.0.0.1:53422");
        bench.hub->Take(a, MbapAdu{5, 3, Hex("064701012C")});
        QByteArray echo = Hex("03064701012C");
        bench.clock.Run(10);
        bench.lines.last->Reply(echo + ModbusCrc(echo));
        bench.clock.Run(Tick);
        QCOMPARE(bench.answers, QStringList{"127.0.0.1:53422 #5 unit 3: 064701012C"});
        QCOMPARE(bench.log,
                 QStringList{"COM1 address 3: 127.0.0.1:53422 writes 06 47 01 01 2C: done"});
    }
};

QTEST_GUILESS_MAIN(TestLineHub)
#include "tst_linehub.moc"
