// The acquisition cycle on the bytes of the line: requests and time-outs in both framings, the
// order of a poll cycle, reply checks, retries and drops, the 601st sample, RTU replies taken
// as soon as they are whole, and a line that goes away. A fake line shows single exchanges;
// simulated controllers run whole recordings. Time is a manual clock throughout.
#include "errors.h"
#include "fakeline.h"
#include "framecodec.h"
#include "frames.h"
#include "manualtime.h"
#include "openline.h"
#include "recordengine.h"
#include "simulatedline.h"

#include <QPointer>
#include <QTest>

using namespace vrx;
using namespace vrx::test;

namespace {

const QDateTime Stamp(QDate(2026, 3, 15), QTime(15, 4, 5));

// The engine on COM1 with the settings of the test; COM1 is a fake line (`sim`) or simulated
// controllers (`sim:<options>`).
struct Rig {
    explicit Rig(bool rtu, int baudIndex = 2, const QByteArray& simOptions = {}) {
        if (simOptions.isEmpty()) {
            fake = std::make_unique<FakeLineFactory>();
            qputenv("VRX_COM1", "sim");
        } else {
            sim::InstallSimulatedLine();
            qputenv("VRX_COM1", "sim:" + simOptions);
        }
        settings.modBus = rtu ? 1 : 0;
        settings.baudRate = baudIndex;
        if (rtu) settings.bitLen = 1;
        if (!test::OpenLine(line, RecordEngine::LineTool, settings)) qWarning("COM1 did not open");
        engine.SetLineSettings(ToLineSettings(settings));
        engine.SetTimeSource([] { return Stamp; });
        // The chart's window fed as the Recorder window feeds it.
        QObject::connect(&engine, &RecordEngine::cycleCompleted, &engine,
                         [this](const CycleReport& r) {
                             cycles.append(r);
                             restarted.append(window.Add(r.readings, engine.Used()));
                         });
        QObject::connect(&engine, &RecordEngine::devicesDropped, &engine,
                         [this](const QList<int>& positions, bool stopped) {
                             drops.append({positions, stopped});
                         });
        QObject::connect(&engine, &RecordEngine::lineFailed, &engine,
                         [this](const QString& text) { failures.append(text); });
    }
    ~Rig() {
        port.SetOpen(false);
        InstallSimulatedLineFactory({});
    }

    FakeLine* Line() const { return fake ? fake->last.data() : nullptr; }
    QList<QByteArray> Sent() const { return Line()->written; }
    // Bytes from the far end, delivered as the event loop would.
    void Reply(const QByteArray& bytes) {
        Line()->Reply(bytes);
        clock.Run(0);
    }
    void Run(qint64 ms) { clock.Run(ms); }
    bool Start(Addresses addresses, int seconds = 1) { return engine.Start(addresses, seconds); }

    struct Drop {
        QList<int> positions;
        bool stopped;
    };
    std::unique_ptr<FakeLineFactory> fake;
    vrx::test::ManualTime clock{1000};
    ComSelections settings;
    LineOwner line;
    SerialPort& port = line.Port();
    RecordEngine engine{line};
    QList<CycleReport> cycles;
    RecordedWindow window;
    QList<bool> restarted; // per cycle: it opened a new chart window
    QList<Drop> drops;
    QStringList failures;
};

QByteArray SampleRequest(int address, bool rtu) {
    return Framed(AsciiRead(address, 0x4700, 2), rtu);
}

} // namespace

class TestRecordEngine : public QObject {
    Q_OBJECT

private slots:
    void requestAndTimeOut_data() {
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<int>("baudIndex");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("ticks");
        QTest::newRow("ascii") << false << 2 << QByteArray(":010347000002B3\r\n") << 9;
        QTest::newRow("rtu 9600") << true << 2 << QByteArray::fromHex("010347000002D0BF") << 1;
        QTest::newRow("rtu 4800") << true << 1 << QByteArray::fromHex("010347000002D0BF") << 2;
        QTest::newRow("rtu 2400") << true << 0 << QByteArray::fromHex("010347000002D0BF") << 2;
        QTest::newRow("rtu 38400") << true << 4 << QByteArray::fromHex("010347000002D0BF") << 1;
    }
    void requestAndTimeOut() {
        QFETCH(bool, rtu);
        QFETCH(int, baudIndex);
        QFETCH(QByteArray, request);
        QFETCH(int, ticks);
        Rig rig(rtu, baudIndex);
        QVERIFY(rig.Start({1, 0, 0, 0, 0, 0, 0, 0}));
        QCOMPARE(rig.Sent(), QList<QByteArray>{request});
        QVERIFY(rig.engine.AwaitingReply());
        // No reply: the attempt fails after the time-out and is repeated at once.
        rig.Run(ticks * 55);
        QCOMPARE(rig.Sent().size(), 1);
        rig.Run(55);
        QCOMPARE(rig.Sent().size(), 2);
        QCOMPARE(rig.Sent().last(), request);
        QCOMPARE(rig.engine.FailCount(0), 1);
    }

    void nothingToPoll() {
        Rig rig(false);
        QVERIFY(!rig.Start({}));
        QVERIFY(!rig.engine.Running());
        rig.Run(5000);
        QVERIFY(rig.Sent().isEmpty());
    }

    // Used positions in ascending order, each asked as soon as the one before has answered;
    // then nothing until the next tick.
    void pollCycle_data() {
        QTest::addColumn<bool>("rtu");
        QTest::newRow("ascii") << false;
        QTest::newRow("rtu") << true;
    }
    void pollCycle() {
        QFETCH(bool, rtu);
        Rig rig(rtu);
        QVERIFY(rig.Start({0, 5, 0, 0, 9, 0, 0, 5}, 2));
        const auto answer = [&](int address, int pv, int sv) {
            const QByteArray ascii = AsciiWordsReply(address, {pv & 0xFFFF, sv});
            rig.Reply(Framed(ascii, rtu));
        };
        QCOMPARE(rig.Sent().last(), SampleRequest(5, rtu));
        answer(5, 253, 300);
        QCOMPARE(rig.Sent().last(), SampleRequest(9, rtu));
        answer(9, -12, 0);
        QCOMPARE(rig.Sent().last(), SampleRequest(5, rtu));
        QVERIFY(rig.cycles.isEmpty());
        answer(5, 1000, 1200);
        QCOMPARE(rig.Sent().size(), 3);
        QCOMPARE(rig.cycles.size(), 1);
        const CycleReport& report = rig.cycles.first();
        QCOMPARE(report.stamp, Stamp);
        QCOMPARE(report.readings[1], (DeviceReading{true, 253, 300}));
        QCOMPARE(report.readings[4], (DeviceReading{true, -12, 0}));
        QCOMPARE(report.readings[7], (DeviceReading{true, 1000, 1200}));
        QVERIFY(!report.readings[0].answered);
        QCOMPARE(rig.window.Count(), 1);
        QCOMPARE(rig.window.Samples().At(4, 0), -12);
        QCOMPARE(rig.engine.PollIndex(), quint16(1));
        // The next cycle starts with the tick, two seconds after START.
        rig.Run(1900);
        QCOMPARE(rig.Sent().size(), 3);
        rig.Run(150);
        QCOMPARE(rig.Sent().size(), 4);
        QCOMPARE(rig.Sent().last(), SampleRequest(5, rtu));
    }

    // What each kind of reply leads to, in both framings.
    void replies_data() {
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("outcome"); // stored, askedAgain, failed
        const QByteArray good = AsciiWordsReply(1, {250, 300});
        QByteArray badLrc = good;
        badLrc[badLrc.size() - 3] = badLrc.at(badLrc.size() - 3) == '0' ? '1' : '0';
        QByteArray badCrc = Rtu(good);
        badCrc[badCrc.size() - 1] = char(badCrc.at(badCrc.size() - 1) ^ 0x5A);
        const QByteArray exception = AsciiException(1, 0x03, 2);
        const QByteArray shortRead = AsciiWordsReply(1, {250});
        for (const bool rtu : {false, true}) {
            const char* f = rtu ? "rtu " : "ascii ";
            const auto frame = [rtu](const QByteArray& ascii) { return Framed(ascii, rtu); };
            QTest::addRow("%sgood", f) << rtu << frame(good) << "stored";
            QTest::addRow("%sother station", f)
                << rtu << frame(AsciiWordsReply(2, {250, 300})) << "failed";
            QTest::addRow("%sexception", f) << rtu << frame(exception) << "askedAgain";
            QTest::addRow("%sone word", f) << rtu << frame(shortRead) << "failed";
            QTest::addRow("%sother function", f)
                << rtu << frame(AsciiFrame(1, 0x06, "47")) << "askedAgain";
        }
        QTest::newRow("ascii bad lrc") << false << badLrc << "failed";
        QTest::newRow("ascii no colon") << false << good.mid(1) << "failed";
        // The LF ends the reply, as it does for the Monitor on the same line: noise after it
        // neither spoils the reply nor drops the device.
        QTest::newRow("ascii bytes after the LF") << false << good + "\x13"
                                                  << "stored";
        QTest::newRow("rtu bad crc") << true << badCrc << "failed";
        QTest::newRow("rtu stray bytes after the frame") << true << Rtu(good) + "\x13\x13"
                                                         << "stored";
    }
    void replies() {
        QFETCH(bool, rtu);
        QFETCH(QByteArray, reply);
        QFETCH(QString, outcome);
        Rig rig(rtu);
        QVERIFY(rig.Start({1, 0, 0, 0, 0, 0, 0, 0}));
        rig.Reply(reply);
        if (outcome == "failed") {
            // A reply that answers not is a failed attempt, as a time-out is: counted, and the
            // device asked again at once (ignored, it would be asked again at every tick and
            // no cycle would ever complete).
            for (int step = 0; step < 20 && rig.Sent().size() < 2; ++step)
                rig.Run(55);
            QCOMPARE(rig.Sent().size(), 2);
            QVERIFY(rig.cycles.isEmpty());
            QCOMPARE(rig.engine.FailCount(0), 1);
            QCOMPARE(rig.engine.Stats(0).checkErrors, 1);
            QCOMPARE(rig.engine.Stats(0).timeouts, 0);
            return;
        }
        // RTU frames that cannot be whole end with the silence; ASCII ones with their LF.
        const bool whole = !rtu || outcome == "stored" ||
                           QByteArray(QTest::currentDataTag()).contains("exception");
        rig.Run(!whole ? 10 * 55 : 0);
        const QList<QByteArray> sent = rig.Sent();
        if (outcome == "stored") {
            QCOMPARE(rig.cycles.size(), 1);
            QCOMPARE(rig.window.Samples().At(0, 0), 250);
            QCOMPARE(sent.size(), 1);
        } else {
            QVERIFY(rig.cycles.isEmpty());
            QCOMPARE(sent.size(), 2);
            QCOMPARE(rig.engine.FailCount(0), 0);
        }
    }

    // A device whose every reply is bad (check, address) fails like a silent one: dropped in
    // the window's way, resting in the unattended one; the others are recorded meanwhile.
    void badRepliesCostOnlyTheirDevice_data() {
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<QByteArray>("fault");
        QTest::addColumn<bool>("rest");
        for (const bool rtu : {false, true}) {
            for (const char* fault : {"badcheck", "wrongaddress"}) {
                for (const bool rest : {false, true})
                    QTest::addRow("%s %s %s", rtu ? "rtu" : "ascii", fault,
                                  rest ? "rests" : "dropped")
                        << rtu << QByteArray(fault) << rest;
            }
        }
    }
    void badRepliesCostOnlyTheirDevice() {
        QFETCH(bool, rtu);
        QFETCH(QByteArray, fault);
        QFETCH(bool, rest);
        Rig rig(rtu, 2, "addresses=1-3:preset=factory:faultaddress=2:fault=" + fault);
        if (rest) rig.engine.SetRestAfterFailure(60000);
        QList<int> resting;
        QList<AttemptFailure> why;
        QObject::connect(&rig.engine, &RecordEngine::devicesResting, &rig.engine,
                         [&](const QList<int>& positions, AttemptFailure last) {
                             resting += positions;
                             why << last;
                         });
        QVERIFY(rig.Start({1, 2, 3, 0, 0, 0, 0, 0}));
        rig.Run(10000);
        QVERIFY2(rig.cycles.size() >= 9, qPrintable(QString::number(rig.cycles.size())));
        const Readings& last = rig.cycles.last().readings;
        QVERIFY(last[0].answered && !last[1].answered && last[2].answered);
        QCOMPARE(rig.engine.Stats(1).checkErrors, RecordEngine::MaxFailures + 1);
        QCOMPARE(rig.engine.Stats(1).timeouts, 0);
        if (rest) {
            QCOMPARE(resting, QList<int>{1});
            QCOMPARE(why, QList<AttemptFailure>{AttemptFailure::BadReply});
            QVERIFY(rig.drops.isEmpty());
        } else {
            QCOMPARE(rig.drops.size(), 1);
            QCOMPARE(rig.drops.first().positions, QList<int>{1});
            QVERIFY(!rig.drops.first().stopped);
        }
    }

    // A reply that takes the line down with it (a torn MBAP stream, a reset connection) is
    // charged to its device like a time-out: after its failures it rests or is dropped, and the
    // devices after it are recorded again instead of being `---` in every line.
    void lostLineChargesItsDevice_data() {
        QTest::addColumn<bool>("rest");
        QTest::newRow("dropped") << false;
        QTest::newRow("rests") << true;
    }
    void lostLineChargesItsDevice() {
        QFETCH(bool, rest);
        Rig rig(false);
        if (rest) rig.engine.SetRestAfterFailure(60000);
        QList<int> lostAt;
        QList<AttemptFailure> why;
        QObject::connect(&rig.engine, &RecordEngine::lineLost, &rig.engine,
                         [&](int position) { lostAt << position; });
        QObject::connect(&rig.engine, &RecordEngine::devicesResting, &rig.engine,
                         [&](const QList<int>&, AttemptFailure last) { why << last; });
        QVERIFY(rig.Start({1, 2, 3, 4, 0, 0, 0, 0}));
        // Addresses 1, 3 and 4 answer; a request to 2 takes the line down.
        QPointer<FakeLine> line;
        qsizetype served = 0;
        for (int t = 0; t < 15000; t += 5) {
            if (rig.Line() != line) {
                line = rig.Line();
                served = 0;
            }
            while (line && served < line->written.size()) {
                const QByteArray request = line->written[served++];
                const int address = HexToByte(request[1], request[2]);
                if (address == 2) {
                    emit line->lost(QStringLiteral("connection reset by peer"));
                    break;
                }
                line->Reply(AsciiWordsReply(address, {quint16(address * 100), 300}));
            }
            rig.Run(5);
        }
        QCOMPARE(lostAt.size(), RecordEngine::MaxFailures + 1);
        QVERIFY(std::all_of(lostAt.begin(), lostAt.end(), [](int p) { return p == 1; }));
        QCOMPARE(rig.engine.Stats(1).timeouts, RecordEngine::MaxFailures + 1);
        QVERIFY(rig.failures.isEmpty());
        if (rest) {
            QVERIFY(rig.engine.Resting(1));
            QCOMPARE(why, QList<AttemptFailure>{AttemptFailure::LineLost});
        } else {
            QCOMPARE(rig.drops.size(), 1);
            QCOMPARE(rig.drops.first().positions, QList<int>{1});
        }
        // One line a second throughout, the last ones with every other device.
        QVERIFY2(rig.cycles.size() >= 14, qPrintable(QString::number(rig.cycles.size())));
        for (int i = int(rig.cycles.size()) - 5; i < rig.cycles.size(); ++i) {
            const Readings& r = rig.cycles[i].readings;
            QVERIFY(r[0].answered && !r[1].answered && r[2].answered && r[3].answered);
            QCOMPARE(r[3].pv, 400);
        }
    }

    // Devices slower together than the interval: each tick that comes while the cycle before
    // is still asking writes a line of `---`, so the record keeps one line a second, and the
    // slowness is said once, naming the device the tick found on the line.
    void slowCycleMarksMissedSamples() {
        Rig rig(false, 2, "addresses=1-3:preset=factory:turnaround=400");
        QList<int> missed;
        QObject::connect(&rig.engine, &RecordEngine::samplesMissed, &rig.engine,
                         [&](int position) { missed << position; });
        QVERIFY(rig.Start({1, 2, 3, 0, 0, 0, 0, 0}));
        rig.Run(30000 - 100);
        QCOMPARE(rig.cycles.size(), 30);
        QVERIFY(rig.drops.isEmpty());
        qsizetype empty = 0;
        for (const CycleReport& c : rig.cycles) {
            const bool any =
                c.readings[0].answered || c.readings[1].answered || c.readings[2].answered;
            QCOMPARE(!any, c.missed);
            if (c.missed) {
                ++empty;
                continue;
            }
            QVERIFY(c.readings[0].answered && c.readings[1].answered && c.readings[2].answered);
        }
        QVERIFY2(empty >= 5 && empty <= 15, qPrintable(QString::number(empty)));
        QCOMPARE(missed.size(), 1);
        // The chart's store keeps each missed sample as a gap, not as 0.0.
        for (int j = 0; j < rig.window.Count(); ++j) {
            const bool gap = rig.window.Samples().At(0, j) == MissingSample;
            QCOMPARE(gap, rig.cycles[j].missed);
        }
    }
    // An RTU reply is taken the moment it is whole; only a broken one waits for the silence.
    void rtuReplyEndsWhenWhole() {
        Rig rig(true);
        QVERIFY(rig.Start({1, 2, 0, 0, 0, 0, 0, 0}));
        const QByteArray reply = Rtu(AsciiWordsReply(1, {250, 300}));
        rig.Reply(reply.first(4));
        QCOMPARE(rig.Sent().size(), 1);
        rig.Reply(reply.mid(4));
        QCOMPARE(rig.Sent().size(), 2);
        QCOMPARE(rig.Sent().last(), SampleRequest(2, true));

        // As measured against: with only the silence, the same reply waits nine ticks.
        Rig slow(true);
        slow.engine.SetEarlyRtuEnd(false);
        QVERIFY(slow.Start({1, 2, 0, 0, 0, 0, 0, 0}));
        slow.Reply(reply);
        slow.Run(9 * 55);
        QCOMPARE(slow.Sent().size(), 1);
        slow.Run(55);
        QCOMPARE(slow.Sent().size(), 2);
    }

    // A reply in pieces is taken at the piece that ends with LF.
    void asciiReplyInPieces() {
        Rig rig(false);
        QVERIFY(rig.Start({1, 0, 0, 0, 0, 0, 0, 0}));
        const QByteArray reply = AsciiWordsReply(1, {250, 300});
        rig.Reply(reply.first(5));
        rig.Run(8 * 55);
        rig.Reply(reply.mid(5, 9));
        rig.Run(8 * 55);
        QVERIFY(rig.cycles.isEmpty());
        rig.Reply(reply.mid(14));
        QCOMPARE(rig.cycles.size(), 1);
    }

    // Bytes that answer no request neither count as a failure nor provoke a request.
    void strayBytesBetweenCycles() {
        Rig rig(true);
        QVERIFY(rig.Start({1, 0, 0, 0, 0, 0, 0, 0}));
        rig.Reply(Rtu(AsciiWordsReply(1, {250, 300})));
        QCOMPARE(rig.cycles.size(), 1);
        rig.Reply(Rtu(AsciiWordsReply(1, {999, 300})));
        rig.Run(600);
        QCOMPARE(rig.Sent().size(), 1);
        QCOMPARE(rig.cycles.size(), 1);
        QCOMPARE(rig.engine.FailCount(0), 0);
        rig.Run(400);
        QCOMPARE(rig.Sent().size(), 2);
    }

    // A silent controller gets one attempt and three retries, then is dropped; positions
    // sharing its address go with it; the recording stops only when no device is left.
    void drops_data() {
        QTest::addColumn<QList<int>>("addresses");
        QTest::addColumn<int>("silent");
        QTest::addColumn<QList<int>>("dropped");
        QTest::addColumn<bool>("stopped");
        QTest::newRow("last of three")
            << QList<int>{1, 2, 3, 0, 0, 0, 0, 0} << 3 << QList<int>{2} << false;
        QTest::newRow("middle of three")
            << QList<int>{1, 2, 3, 0, 0, 0, 0, 0} << 2 << QList<int>{1} << false;
        QTest::newRow("first of three")
            << QList<int>{1, 2, 3, 0, 0, 0, 0, 0} << 1 << QList<int>{0} << false;
        QTest::newRow("two positions, one address")
            << QList<int>{1, 1, 0, 0, 0, 0, 0, 0} << 1 << QList<int>{0, 1} << true;
        // Four positions answer and the fifth is silent: the four go on being recorded.
        QTest::newRow("fifth of five")
            << QList<int>{1, 2, 1, 2, 3, 0, 0, 0} << 3 << QList<int>{4} << false;
        QTest::newRow("shared address around another")
            << QList<int>{3, 1, 3, 0, 0, 0, 0, 0} << 3 << QList<int>{0, 2} << false;
    }
    void drops() {
        QFETCH(QList<int>, addresses);
        QFETCH(int, silent);
        QFETCH(QList<int>, dropped);
        QFETCH(bool, stopped);
        Rig rig(false, 2,
                "addresses=1-3:preset=factory:fault=noanswer:faultaddress=" +
                    QByteArray::number(silent));
        Addresses a{};
        std::copy(addresses.begin(), addresses.end(), a.begin());
        QVERIFY(rig.Start(a));
        rig.Run(10000);
        QCOMPARE(rig.drops.size(), 1);
        QCOMPARE(rig.drops.first().positions, dropped);
        QCOMPARE(rig.drops.first().stopped, stopped);
        QCOMPARE(rig.engine.Running(), !stopped);
        for (const int p : dropped)
            QCOMPARE(rig.engine.DeviceAddr()[std::size_t(p)], 0);
        if (stopped) {
            QVERIFY(!rig.engine.Timer1().isActive());
            return;
        }
        // The others go on being sampled, one cycle a second.
        const qsizetype cycles = rig.cycles.size();
        rig.Run(3000);
        QCOMPARE(rig.cycles.size(), cycles + 3);
        for (const int p : dropped)
            QVERIFY(!rig.cycles.last().readings[std::size_t(p)].answered);
        for (int p = 0; p < DevicePositions; ++p) {
            if (a[std::size_t(p)] != 0 && !dropped.contains(p))
                QVERIFY(rig.cycles.last().readings[std::size_t(p)].answered);
        }
    }

    // Unattended: a silent device is not dropped but rests, `---` in every cycle, and is asked
    // once a minute (one try each time); the others go on at one cycle a second.
    void restingDeviceIsAskedOnceAMinute() {
        Rig rig(false, 2, "addresses=1-3:preset=factory:fault=noanswer:faultaddress=2");
        rig.engine.SetRestAfterFailure(60000);
        QList<int> resting;
        int timeOuts = 0;
        QObject::connect(&rig.engine, &RecordEngine::devicesResting, &rig.engine,
                         [&](const QList<int>& positions) { resting += positions; });
        QObject::connect(&rig.engine, &RecordEngine::attemptTimedOut, &rig.engine,
                         [&](int position) {
                             QCOMPARE(position, 1);
                             ++timeOuts;
                         });
        QVERIFY(rig.Start({1, 2, 3, 0, 0, 0, 0, 0}));
        rig.Run(10000);
        QCOMPARE(resting, QList<int>{1});
        QCOMPARE(timeOuts, RecordEngine::MaxFailures + 1);
        QVERIFY(rig.drops.isEmpty());
        QCOMPARE(rig.engine.DeviceAddr()[1], 2);
        QVERIFY(rig.engine.Resting(1));
        const qsizetype before = rig.cycles.size();
        rig.Run(45000);
        QCOMPARE(timeOuts, RecordEngine::MaxFailures + 1);
        QCOMPARE(rig.cycles.size(), before + 45);
        const Readings& last = rig.cycles.last().readings;
        QVERIFY(last[0].answered && !last[1].answered && last[2].answered);
        // Its minute is over: one more try, and it rests again without a second message.
        rig.Run(10000);
        QCOMPARE(timeOuts, RecordEngine::MaxFailures + 2);
        QCOMPARE(resting, QList<int>{1});
        rig.Run(125000);
        QCOMPARE(timeOuts, RecordEngine::MaxFailures + 4);
        QVERIFY(rig.engine.Running());
    }

    // Every device rests: the ticks still write cycles (all `---`); one that answers its next
    // try is back in the cycle at once.
    void restingDeviceComesBack() {
        Rig rig(false);
        rig.engine.SetRestAfterFailure(60000);
        QList<int> back;
        QObject::connect(&rig.engine, &RecordEngine::deviceBack, &rig.engine,
                         [&](int position) { back.append(position); });
        QVERIFY(rig.Start({7, 0, 0, 0, 0, 0, 0, 0}));
        rig.Run(5000);
        QVERIFY(rig.engine.Resting(0));
        const qsizetype sent = rig.Sent().size();
        QCOMPARE(sent, RecordEngine::MaxFailures + 1);
        const qsizetype cycles = rig.cycles.size();
        rig.Run(20000);
        QCOMPARE(rig.Sent().size(), sent);
        QCOMPARE(rig.cycles.size(), cycles + 20);
        QVERIFY(!rig.cycles.last().readings[0].answered);
        // Answered while it is asked, at the end of its minute.
        for (int step = 0; step < 500 && rig.Sent().size() == sent; ++step)
            rig.Run(100);
        QVERIFY(rig.cycles.size() >= cycles + 55);
        QCOMPARE(rig.Sent().size(), sent + 1);
        QCOMPARE(rig.Sent().last(), SampleRequest(7, false));
        rig.Reply(AsciiWordsReply(7, {250, 300}));
        QCOMPARE(back, QList<int>{0});
        QVERIFY(!rig.engine.Resting(0));
        QVERIFY(rig.cycles.last().readings[0].answered);
        QCOMPARE(rig.cycles.last().readings[0].pv, 250);
    }

    // A set value is written between two cycles: the range is read first, a value outside
    // it is refused without a write, an exception is said; the cycle follows each time.
    void setValueWrite_data() {
        QTest::addColumn<QList<int>>("range"); // high, low
        QTest::addColumn<QByteArray>("writeReply");
        QTest::addColumn<bool>("written");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("reason");
        const QByteArray write(":0106470101A40C\r\n");
        QTest::newRow("in range") << QList<int>{1000, 0} << write << true << true << "";
        QTest::newRow("above") << QList<int>{300, 0} << QByteArray() << false << false
                               << "outside the controller's range 0.0 to 30.0";
        QTest::newRow("below") << QList<int>{1000, 500} << QByteArray() << false << false
                               << "outside the controller's range 50.0 to 100.0";
        QTest::newRow("refused") << QList<int>{1000, 0} << QByteArray(":01860376\r\n") << true
                                 << false << "the controller refused it (exception 3)";
    }
    void setValueWrite() {
        QFETCH(QList<int>, range);
        QFETCH(QByteArray, writeReply);
        QFETCH(bool, written);
        QFETCH(bool, ok);
        QFETCH(QString, reason);
        Rig rig(false);
        QList<QVariantList> results;
        QObject::connect(&rig.engine, &RecordEngine::setValueWritten, &rig.engine,
                         [&](int position, qint32 tenths, bool good, const QString& why) {
                             results.append({position, tenths, good, why});
                         });
        QVERIFY(rig.Start({1, 0, 0, 0, 0, 0, 0, 0}));
        rig.Reply(AsciiWordsReply(1, {250, 300}));
        rig.engine.QueueSetValue(0, 420);
        rig.Run(1000);
        QCOMPARE(rig.Sent().last(), QByteArray(":010347040002AF\r\n"));
        rig.Reply(AsciiWordsReply(1, {quint16(range[0]), quint16(range[1])}));
        if (written) {
            QCOMPARE(rig.Sent().last(), QByteArray(":0106470101A40C\r\n"));
            rig.Reply(writeReply);
        }
        QCOMPARE(results, (QList<QVariantList>{{0, 420, ok, reason}}));
        // The cycle of this tick follows at once.
        QCOMPARE(rig.Sent().last(), SampleRequest(1, false));
        QCOMPARE(rig.Sent().count(QByteArray(":0106470101A40C\r\n")), written ? 1 : 0);
    }

    // The window's message about a drop is modal: a tick that comes while it shows sends the
    // next request, and closing it must not send a second one.
    void tickDuringDropMessage() {
        Rig rig(false);
        QObject::connect(&rig.engine, &RecordEngine::devicesDropped, &rig.engine,
                         [&rig] { rig.clock.Advance(1000); });
        QVERIFY(rig.Start({1, 2, 0, 0, 0, 0, 0, 0}));
        rig.Run(4 * 10 * 55);
        QCOMPARE(rig.drops.size(), 1);
        QCOMPARE(rig.Sent().count(SampleRequest(2, false)), 1);
        QVERIFY(rig.engine.AwaitingReply());
    }

    // A controller that refuses every read is asked again without pause and never dropped.
    // A device that refuses every read is asked again a few times, then the cycle goes on
    // without its values: the devices before and after it are recorded, and it is neither
    // dropped nor charged, since it answers.
    void exceptionsAreAskedAgain() {
        Rig rig(false, 2, "addresses=1,2,3:preset=factory:fault=exception:faultaddress=2");
        QVERIFY(rig.Start({1, 2, 3, 0, 0, 0, 0, 0}));
        rig.Run(3000);
        QCOMPARE(rig.cycles.size(), 3);
        for (const CycleReport& c : rig.cycles) {
            QVERIFY(!c.missed);
            QVERIFY(c.readings[0].answered && c.readings[2].answered);
            QVERIFY(!c.readings[1].answered);
        }
        QVERIFY(rig.drops.isEmpty());
        QCOMPARE(rig.engine.FailCount(1), 0);
        QCOMPARE(rig.engine.Stats(1).exceptions, 3 * (RecordEngine::MaxFailures + 1));
    }

    // The 601st sample opens a new window: column 0 holds it, the rest is cleared.
    void sample601StartsNewWindow() {
        Rig rig(true, 4, "addresses=1,2:preset=demo:speed=50");
        QVERIFY(rig.Start({1, 0, 2, 0, 0, 0, 0, 0}));
        rig.Run(600 * 1000 - 500);
        QCOMPARE(rig.cycles.size(), 600);
        QCOMPARE(rig.window.Count(), 600);
        QVERIFY(!rig.restarted.last());
        rig.Run(1000);
        QCOMPARE(rig.cycles.size(), 601);
        const CycleReport& last = rig.cycles.last();
        QVERIFY(rig.restarted.last());
        QCOMPARE(rig.window.Count(), 1);
        QCOMPARE(rig.window.Samples().At(0, 0), last.readings[0].pv);
        QCOMPARE(rig.window.Samples().At(2, 0), last.readings[2].pv);
        for (const int j : {1, 300, 600})
            QCOMPARE(rig.window.Samples().At(0, j), 0);
    }

    // Eight controllers at 9600 in RTU fit a one-second interval.
    void eightDevicesKeepOneSecond() {
        Rig rig(true, 2, "addresses=1-8:preset=factory");
        QVERIFY(rig.Start({1, 2, 3, 4, 5, 6, 7, 8}));
        rig.Run(10 * 1000 - 500);
        QCOMPARE(rig.cycles.size(), 10);
        QVERIFY(rig.drops.isEmpty());
    }

    // The line is lost while recording: the recording goes on, each tick a cycle with nothing
    // answered (so the file shows `---`, never the last values again), nothing sent and nothing
    // said by the engine; when the line is back the devices are read again at the next tick.
    void lostLineRecordsGapsAndResumes() {
        Rig rig(false);
        QVERIFY(rig.Start({1, 2, 0, 0, 0, 0, 0, 0}));
        rig.Reply(AsciiWordsReply(1, {250, 300}));
        rig.Reply(AsciiWordsReply(2, {260, 310}));
        QCOMPARE(rig.cycles.size(), 1);
        rig.Run(1000);
        rig.Reply(AsciiWordsReply(1, {251, 300})); // the cycle is half read
        rig.fake->refuseOpen = true;
        emit rig.Line()->lost(QStringLiteral("unplugged"));
        rig.Run(3000);
        QVERIFY(rig.engine.Running());
        QVERIFY(rig.failures.isEmpty() && rig.drops.isEmpty());
        // One line a tick: the interrupted cycle, then one for each tick without the line.
        QCOMPARE(rig.cycles.size(), 5);
        QVERIFY(rig.cycles[1].readings[0].answered); // read before the line went
        QCOMPARE(rig.cycles[1].readings[0].pv, 251);
        QVERIFY(!rig.cycles[1].readings[1].answered);
        for (int i = 2; i < 5; ++i)
            QVERIFY(!rig.cycles[i].readings[0].answered && !rig.cycles[i].readings[1].answered);
        // The chart's store holds the gap as a gap: drawn as 0.0 it would read as a cold furnace.
        QCOMPARE(rig.window.Samples().At(0, 1), 251);
        QCOMPARE(rig.window.Samples().At(1, 1), MissingSample);
        for (int j = 2; j < 5; ++j) {
            QCOMPARE(rig.window.Samples().At(0, j), MissingSample);
            QCOMPARE(rig.window.Samples().At(1, j), MissingSample);
        }

        rig.fake->refuseOpen = false;
        // Reopened at the next try, read at the tick after it.
        rig.Run(LineOwner::RetryMs + 1000);
        QCOMPARE(rig.Sent(), QList<QByteArray>{SampleRequest(1, false)});
        rig.Reply(AsciiWordsReply(1, {252, 300}));
        rig.Reply(AsciiWordsReply(2, {262, 310}));
        QCOMPARE(rig.cycles.last().readings[0].pv, 252);
        QCOMPARE(rig.cycles.last().readings[1].pv, 262);
        QVERIFY(rig.failures.isEmpty());
    }

    // The port closed under the recording (not lost): the next tick cannot reopen it, the
    // recording stops, said once.
    void lineGoesAway() {
        Rig rig(false);
        QVERIFY(rig.Start({1, 0, 0, 0, 0, 0, 0, 0}));
        rig.Reply(AsciiWordsReply(1, {250, 300}));
        rig.port.SetOpen(false);
        rig.fake->refuseOpen = true;
        rig.Run(5000);
        QCOMPARE(rig.failures.size(), 1);
        QVERIFY(!rig.engine.Running());
        QVERIFY(!rig.engine.Timer1().isActive());
    }
};

QTEST_GUILESS_MAIN(TestRecordEngine)
#include "tst_recordengine.moc"
