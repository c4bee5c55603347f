// The polling engine on the bytes of a fake line, on a manual clock: request sequences, replies
// in both framings, time-outs, retries, the stalled chain, writes, results, the trend, and the
// parameter memory read, written back and broadcast.
#include "enginerig.h"
#include "paramimages.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using namespace vrx;
using namespace vrx::test;

namespace {

const QString Settings1 = "1:4704 1:470C 1:4713 1:471B 1:4720 1:4730 1:4732";

QStringList Split(const QString& labels) {
    return labels.split(u' ', Qt::SkipEmptyParts);
}

constexpr int Tick = SerialPort::TickMs;

QByteArray OnWire(const QByteArray& ascii, bool rtu) {
    return rtu ? AsciiToRtu(ascii) : ascii;
}

// A memory unlike Numbered() and unlike an empty buffer.
ParamImage Scrambled(int seed) {
    ParamImage image{};
    for (int n = 0; n < ParamEntries; ++n)
        image[n] = quint8(n * 7 + seed);
    return image;
}

// The rig's controllers with parameter memories, handed out as a controller walks through its
// memory: eight entries per 0x474C read, each word an entry's index and value.
struct Memories {
    QHash<int, ParamImage> images;
    QHash<int, int> walk;

    // Answers the request on the line: memory reads from `images`, broadcasts by their
    // time-out (nobody answers address 0), everything else as the rig's controllers do.
    QString Exchange(EngineRig& r) {
        const Asked a = r.Last();
        if (a.address == 0) {
            r.Run((r.Rtu() ? 2 : 37) * Tick);
            return r.Label(a);
        }
        if (a.function == 0x03 && a.reg == 0x474C && images.contains(a.address)) {
            int& at = walk[a.address];
            QList<int> words;
            for (int i = 0; i < a.value; ++i, at = (at + 1) % ParamEntries)
                words << (at << 8 | images[a.address][at]);
            if (!r.silent.contains(a.address)) r.ReplyFrame(AsciiWordsReply(a.address, words));
            return r.Label(a);
        }
        return r.Serve();
    }
    QStringList Exchange(EngineRig& r, int n) {
        QStringList labels;
        for (int i = 0; i < n; ++i)
            labels << Exchange(r);
        return labels;
    }
};

// Requests of a parameter transfer among frames sent: the memory read, writes, broadcasts.
int TransferFrames(const QList<QByteArray>& frames, bool rtu) {
    int n = 0;
    for (const QByteArray& frame : frames) {
        const Asked a = ParseRequest(frame, rtu);
        n += (a.function == 0x03 && a.reg == 0x474C) || a.function == 0x06;
    }
    return n;
}

// A transfer lent to the engine that sends what the test scripts and keeps what comes back.
struct ScriptedTransfer : vrx::Transfer {
    std::function<TransferRequest()> next;
    // True when the transfer is through.
    std::function<bool(const TransferReply&)> taken;
    QList<TransferReply> replies;
    QStringList stops;
    TransferRequest NextRequest() override { return next(); }
    bool TakeReply(const TransferReply& reply) override {
        replies << reply;
        return taken && taken(reply);
    }
    QString Stop(const QString& reason) override {
        stops << reason;
        return {};
    }
};

enum TransferKind { Read, WriteToSelect, Broadcast };
enum Cut {
    LineLost,
    WindowClosed,
    CancelSelected,
    SelectOther,
    AddressFixed,
    CancelOther,
    CancelAll
};
// What follows a silent station's drop while another one waits for its answer.
enum AfterSilentDrop { CancelTheLast, TheLastAnswers, FirstConnectedAgain };

} // namespace

class TestPollEngine : public QObject {
    Q_OBJECT

private slots:
    void firstRequestsOnTheWire_data() {
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<QByteArray>("values");
        QTest::newRow("ascii") << false << QByteArray(":01034725000789\r\n")
                               << QByteArray(":010347000004B1\r\n");
        QTest::newRow("rtu") << true << QByteArray::fromHex("0103472500070177")
                             << QByteArray::fromHex("010347000004 50BD");
    }
    void firstRequestsOnTheWire() {
        QFETCH(bool, rtu);
        QFETCH(QByteArray, status);
        QFETCH(QByteArray, values);
        EngineRig r(rtu);
        QVERIFY(r.opened);
        r.engine.ConnectStation(1);
        QCOMPARE(r.Sent(), QList<QByteArray>{status});
        QVERIFY(r.engine.Timer1().isActive());
        r.Serve();
        QCOMPARE(r.Sent().last(), values);
        QCOMPARE(r.engine.State().RequestCount[1], 2);
    }

    void requestSequence_data() {
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<QList<int>>("stations");
        QTest::addColumn<QList<int>>("programs");
        QTest::addColumn<QString>("sequence");
        const QString one = "1:4725 1:4700 " + Settings1 + " 1:4725 1:4700 1:4725 1:4700";
        QTest::newRow("one station") << false << QList<int>{1} << QList<int>{} << one;
        QTest::newRow("one station rtu") << true << QList<int>{1} << QList<int>{} << one;
        // The second station joins when the first cycle ends; the settings read that Connect
        // asked for follows the next cycle.
        QTest::newRow("stations 1 and 3") << false << QList<int>{1, 3} << QList<int>{}
                                          << "1:4725 1:4700 1:4725 3:4725 1:4700 3:4700 " +
                                                 Settings1 + " 1:4725 3:4725 1:4700 3:4700";
        // Only the stations that run a program are asked for its status, also those after the
        // first one that does.
        QTest::newRow("station 3 of 1, 3 and 4 runs a program")
            << false << QList<int>{1, 3, 4} << QList<int>{3}
            << "1:4725 1:4700 1:4725 3:4725 4:4725 3:4762 1:4700 3:4700 4:4700 " + Settings1 +
                   " 1:4725 3:4725 4:4725 3:4762 1:4700 3:4700 4:4700";
        QTest::newRow("stations 2 and 4 of four run programs")
            << false << QList<int>{1, 2, 3, 4} << QList<int>{2, 4}
            << "1:4725 1:4700 1:4725 2:4725 3:4725 4:4725 2:4762 4:4762 1:4700 2:4700 3:4700 "
               "4:4700";
        QTest::newRow("station 3 runs a program")
            << true << QList<int>{1, 3} << QList<int>{3}
            << "1:4725 1:4700 1:4725 3:4725 3:4762 1:4700 3:4700 " + Settings1 +
                   " 1:4725 3:4725 3:4762 1:4700 3:4700";
    }
    void requestSequence() {
        QFETCH(bool, rtu);
        QFETCH(QList<int>, stations);
        QFETCH(QList<int>, programs);
        QFETCH(QString, sequence);
        EngineRig r(rtu);
        PollEngine::PerStation<int> addresses{0, 1, 1, 1, 1};
        for (int st : stations)
            addresses[st] = st;
        r.engine.SetAddresses(addresses);
        for (int st : programs)
            r.registers[st][0x472B] = 1;
        for (int st : stations) {
            const qsizetype before = r.SentCount();
            r.engine.ConnectStation(st);
            // Only the first station starts the chain; the others wait for the cycle end.
            QCOMPARE(r.SentCount(), before + (st == stations.first() ? 1 : 0));
        }
        const QStringList expected = Split(sequence);
        QCOMPARE(r.Serve(int(expected.size())), expected);
        QVERIFY(r.errors.isEmpty());
    }

    void selectionReadsTheSettingsAfterTheCycle() {
        EngineRig r(false);
        r.engine.SetAddresses({0, 1, 2, 3, 4});
        r.engine.ConnectStation(1);
        r.engine.ConnectStation(2);
        r.Serve(2 + 4 + 7); // first cycle, the joined cycle, the settings of 1
        QCOMPARE(r.Serve(4), Split("1:4725 2:4725 1:4700 2:4700"));
        r.engine.SelectStation(2);
        QCOMPARE(r.engine.State().SelStation, 2);
        QCOMPARE(r.Serve(4 + 7 + 2),
                 Split("1:4725 2:4725 1:4700 2:4700 2:4704 2:470C 2:4713 2:471B 2:4720 2:4730 "
                       "2:4732 1:4725 2:4725"));
    }

    void controllerAsksForItsSettings_data() {
        QTest::addColumn<int>("reg");
        QTest::addColumn<int>("value");
        QTest::newRow("settings changed on the front panel") << 0x4729 << 0;
        QTest::newRow("auto-tuning started") << 0x4727 << 1;
        QTest::newRow("waiting after power-up") << 0x4700 << 0x8001;
    }
    void controllerAsksForItsSettings() {
        QFETCH(int, reg);
        QFETCH(int, value);
        EngineRig r(false);
        r.engine.ConnectStation(1);
        r.Serve(2 + 7 + 2);
        r.registers[1][reg] = value;
        QCOMPARE(r.Serve(2 + 7), Split("1:4725 1:4700 " + Settings1));
    }

    void cancelledStationsRequestCompletes() {
        EngineRig r(false);
        r.engine.ConnectStation(1);
        r.engine.CancelStation(1);
        QVERIFY(!r.engine.Timer1().isActive());
        QCOMPARE(r.engine.State().ConnectedCount, 0);
        // The reply still comes and is taken, but nothing more goes out and nothing is shown.
        QSignalSpy faces(&r.engine, &PollEngine::faceChanged);
        r.Serve();
        QCOMPARE(r.SentCount(), 1);
        QCOMPARE(faces.count(), 0);
        QVERIFY(r.errors.isEmpty());
    }

    void timeOutAfterTheLastStationWentIsNotReported_data() {
        QTest::addColumn<bool>("rtu");
        QTest::newRow("ascii") << false;
        QTest::newRow("rtu") << true;
    }
    void timeOutAfterTheLastStationWentIsNotReported() {
        QFETCH(bool, rtu);
        EngineRig r(rtu);
        r.engine.ConnectStation(1);
        r.engine.CancelStation(1); // its request still waits for an answer that never comes
        r.Run(5000);
        QVERIFY(r.errors.isEmpty());
        QCOMPARE(r.engine.State().ErrorCount[1], 0);
        QVERIFY(!r.engine.State().RequestOutstanding);
        QCOMPARE(r.SentCount(), 1);
    }

    void waitingStationTakesOverWhenTheOnlyPolledOneGoes() {
        EngineRig r(false);
        r.engine.SetAddresses({0, 1, 2, 1, 1});
        r.engine.ConnectStation(1);
        r.engine.ConnectStation(2); // waits for the cycle end
        r.engine.CancelStation(1);  // while 1's request is out
        r.Serve();
        // Station 2 is polled at once, not left connected and idle.
        QCOMPARE(r.engine.State().ConnectedCount, 1);
        QCOMPARE(r.Serve(2), Split("2:4725 2:4700"));
    }

    void completeRtuReplyNeedsNoSilence() {
        EngineRig r(true);
        r.engine.ConnectStation(1);
        const QByteArray reply = Rtu(r.AnswerTo(r.Last()));
        r.Reply(reply);
        // Handled the moment its CRC is in: the next request is already on the line.
        QCOMPARE(r.SentCount(), 2);
        QCOMPARE(r.Label(r.Last()), "1:4700");
    }

    void rtuReplySplitAcrossChunks_data() {
        QTest::addColumn<int>("cut");
        QTest::newRow("after the address") << 1;
        QTest::newRow("before the byte count") << 2;
        QTest::newRow("inside the data") << 9;
        QTest::newRow("between the CRC bytes") << 18;
    }
    void rtuReplySplitAcrossChunks() {
        QFETCH(int, cut);
        EngineRig r(true);
        r.engine.ConnectStation(1);
        const QByteArray reply = Rtu(r.AnswerTo(r.Last()));
        r.Reply(reply.left(cut));
        QCOMPARE(r.SentCount(), 1);
        r.Reply(reply.mid(cut));
        QCOMPARE(r.SentCount(), 2);
        QCOMPARE(r.Label(r.Last()), "1:4700");
    }

    void rtuSilenceEndsWhatIsNotAWholeFrame() {
        EngineRig r(true);
        r.engine.ConnectStation(1);
        QByteArray reply = Rtu(r.AnswerTo(r.Last()));
        reply.back() = char(reply.back() ^ 0x5A); // wrong CRC
        r.Reply(reply);
        QCOMPARE(r.SentCount(), 1);
        // The silence of one tick ends it; the same request is asked again, and the station is
        // charged with a reply that failed its check.
        r.Run(2 * Tick);
        QCOMPARE(r.SentCount(), 2);
        QCOMPARE(r.Sent().at(1), r.Sent().at(0));
        QCOMPARE(r.errors, QStringList{"Reply check error"});
        QCOMPARE(r.engine.State().ErrorCount[1], 1);
    }

    void slowLinesWaitTwoTicksOfSilence_data() {
        QTest::addColumn<int>("baudIndex");
        QTest::addColumn<int>("ticks");
        QTest::newRow("2400") << 0 << 2;
        QTest::newRow("4800") << 1 << 2;
        QTest::newRow("9600") << 2 << 1;
        QTest::newRow("38400") << 4 << 1;
    }
    void slowLinesWaitTwoTicksOfSilence() {
        QFETCH(int, baudIndex);
        QFETCH(int, ticks);
        EngineRig r(true, baudIndex);
        r.engine.ConnectStation(1);
        QCOMPARE(r.engine.State().ReplyTicks, ticks);
        r.Reply(QByteArray::fromHex("02")); // another station's start, then nothing
        r.Run(ticks * Tick);
        QCOMPARE(r.SentCount(), 1);
        // Ended by the silence: what is not this station's reply is asked again.
        r.Run(2 * Tick);
        QCOMPARE(r.SentCount(), 2);
        QCOMPARE(r.Sent().at(1), r.Sent().at(0));
    }

    // A reply that has begun is not cut at a pause, however long, but awaited until its frame
    // time; one that never ends is then asked again.
    void begunReplyIsAwaitedWhole() {
        EngineRig r(true);
        r.engine.ConnectStation(1);
        const QByteArray reply = Rtu(r.AnswerTo(r.Last()));
        r.Reply(reply.first(3));
        r.Run(30 * Tick);
        QCOMPARE(r.SentCount(), 1);
        r.Reply(reply.mid(3));
        QCOMPARE(r.SentCount(), 2);
        QCOMPARE(r.Label(r.Last()), "1:4700");
        QVERIFY(r.errors.isEmpty());
        r.Reply(Rtu(r.AnswerTo(r.Last())).first(5));
        r.Run(30 * Tick);
        QCOMPARE(r.SentCount(), 2);
        r.Run(8 * Tick);
        QCOMPARE(r.SentCount(), 3);
        QCOMPARE(r.Sent().at(2), r.Sent().at(1));
    }

    void asciiReplyEndsAtItsLineFeed() {
        EngineRig r(false);
        r.engine.ConnectStation(1);
        // Noise right behind the reply, in the same chunk, does not hold it up.
        r.Reply(r.AnswerTo(r.Last()) + QByteArray("\x00\xFF", 2));
        QCOMPARE(r.SentCount(), 2);
        QCOMPARE(r.Label(r.Last()), "1:4700");
        // A reply in pieces is taken at its LF.
        const QByteArray reply = r.AnswerTo(r.Last());
        r.Reply(reply.left(10));
        QCOMPARE(r.SentCount(), 2);
        r.Reply(reply.mid(10));
        QCOMPARE(r.SentCount(), 3);
        QVERIFY(r.errors.isEmpty());
    }

    void asciiWrongLrcIsAskedAgain() {
        EngineRig r(false);
        r.engine.ConnectStation(1);
        QByteArray reply = r.AnswerTo(r.Last());
        reply[reply.size() - 3] = reply.at(reply.size() - 3) == '0' ? '1' : '0';
        r.Reply(reply);
        QCOMPARE(r.SentCount(), 2);
        QCOMPARE(r.Sent().at(1), r.Sent().at(0));
        QCOMPARE(r.errors, QStringList{"Reply check error"});
        QCOMPARE(r.engine.State().ErrorCount[1], 1);
    }

    // Replies that answer nothing count as misses, like time-outs: each is charged and asked
    // again at once, and three in a row drop the station, so that a controller that garbles
    // every reply cannot hold the line and starve the others.
    void badRepliesAreChargedAndDrop_data() {
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("text");
        for (bool rtu : {false, true}) {
            const QString f = rtu ? "rtu " : "ascii ";
            QTest::newRow(qPrintable(f + "bad check")) << rtu << "check"
                                                       << "Reply check error";
            QTest::newRow(qPrintable(f + "another address")) << rtu << "address"
                                                             << "Reply from another address";
            QTest::newRow(qPrintable(f + "another length")) << rtu << "length"
                                                            << "Reply check error";
        }
    }
    void badRepliesAreChargedAndDrop() {
        QFETCH(bool, rtu);
        QFETCH(QString, fault);
        QFETCH(QString, text);
        EngineRig r(rtu);
        r.engine.SetAddresses({0, 1, 2, 1, 1});
        r.engine.ConnectStation(1);
        r.engine.ConnectStation(2);
        r.Serve(2 + 4 + 7); // settled: both stations polled, station 1's settings read
        QCOMPARE(r.Label(r.Last()), "1:4725");
        const auto spoilt = [&](const Asked& asked) {
            QByteArray ascii = r.AnswerTo(asked);
            if (fault == "address") {
                Asked other = asked;
                other.address = 3;
                ascii = r.AnswerTo(other);
            } else if (fault == "length") {
                QList<int> words(asked.value + 1, 0);
                ascii = AsciiWordsReply(asked.address, words);
            }
            QByteArray wire = rtu ? AsciiToRtu(ascii) : ascii;
            if (fault == "check") wire[wire.size() - 3] = char(wire.at(wire.size() - 3) ^ 0x01);
            return wire;
        };
        for (int miss = 1; miss <= 3; ++miss) {
            const Asked asked = r.Last();
            QCOMPARE(asked.address, 1);
            r.Reply(spoilt(asked));
            // RTU: the silence ends a frame that is not whole; no longer, or the request asked
            // again would time out too.
            for (int ms = 0; r.errors.size() < miss && ms < 20 * Tick; ms += 5)
                r.Run(5);
            QCOMPARE(r.errors.size(), miss);
            QCOMPARE(r.errors.last(), text);
            QCOMPARE(r.engine.State().ErrorCount[1], miss);
            if (miss < 3) QCOMPARE(r.Last().address, 1); // asked again at once
        }
        QVERIFY(!r.engine.State().StationConnected[1]);
        // Station 2 goes on being polled.
        QCOMPARE(r.Last().address, 2);
        QCOMPARE(r.Serve(2), Split("2:4725 2:4700"));
    }

    // Cancel and Connect in one go while a request is on the line: its reply belongs to the
    // request before, so the first request of the new cycle waits for it, and no reply is ever
    // judged against another request.
    void reconnectWaitsForTheReplyOnTheLine_data() {
        QTest::addColumn<bool>("rtu");
        QTest::newRow("ascii") << false;
        QTest::newRow("rtu") << true;
    }
    void reconnectWaitsForTheReplyOnTheLine() {
        QFETCH(bool, rtu);
        EngineRig r(rtu);
        r.engine.ConnectStation(1);
        r.Serve(2 + 7 + 1);
        r.Serve(); // the process values: the status read is on the line
        const Asked onLine = r.Last();
        QCOMPARE(r.Label(onLine), "1:4725");
        const qsizetype sent = r.SentCount();
        r.engine.CancelStation(1);
        r.engine.ConnectStation(1);
        QCOMPARE(r.SentCount(), sent); // one request on the line at a time
        r.ReplyFrame(r.AnswerTo(onLine));
        QCOMPARE(r.SentCount(), sent + 1);
        QCOMPARE(r.Label(r.Last()), "1:4725");
        // From here every reply answers its own request.
        QCOMPARE(r.Serve(2 + 7 + 1).size(), 10);
        QVERIFY(r.errors.isEmpty());
        QCOMPARE(r.engine.State().ErrorCount[1], 0);
    }

    void wrongAddressIsAskedAgain_data() {
        QTest::addColumn<bool>("rtu");
        QTest::newRow("ascii") << false;
        QTest::newRow("rtu") << true;
    }
    void wrongAddressIsAskedAgain() {
        QFETCH(bool, rtu);
        EngineRig r(rtu);
        r.engine.ConnectStation(1);
        Asked asked = r.Last();
        asked.address = 2;
        r.ReplyFrame(r.AnswerTo(asked));
        r.Run(3 * Tick);
        // Charged, and the same request asked again at once rather than at Timer1's next tick.
        QCOMPARE(r.SentCount(), 2);
        QCOMPARE(r.Sent().at(1), r.Sent().at(0));
        QCOMPARE(r.errors, QStringList{"Reply from another address"});
    }

    // In RTU as in ASCII a silent station is charged a time-out for each request and dropped
    // after three in a row: the chain never stands still at it.
    void rtuSilentStationIsDropped() {
        EngineRig r(true);
        r.silent << 1;
        r.engine.ConnectStation(1);
        r.Run(10000);
        QCOMPARE(r.SentCount(), 3);
        QCOMPARE(r.errors, QStringList({"Time out", "Time out", "Time out"}));
        QVERIFY(!r.engine.State().StationConnected[1]);
    }

    // While no station has answered since Connect, a silent station's drop is held back:
    // cancelling the last one still waiting says the line once; a station that answers after
    // all has the held drop said for its station, unless the user connected that one again.
    void silentDropsHeldUntilAnAnswer_data() {
        QTest::addColumn<int>("then"); // AfterSilentDrop
        QTest::addColumn<int>("dropsSaid");
        QTest::addColumn<int>("linesSaid");
        QTest::newRow("none answers, the last one cancelled") << int(CancelTheLast) << 0 << 1;
        QTest::newRow("the second one answers") << int(TheLastAnswers) << 1 << 0;
        QTest::newRow("the first connected again, both answer")
            << int(FirstConnectedAgain) << 0 << 0;
    }
    void silentDropsHeldUntilAnAnswer() {
        QFETCH(int, then);
        QFETCH(int, dropsSaid);
        QFETCH(int, linesSaid);
        EngineRig r(false);
        QSignalSpy dropped(&r.engine, &PollEngine::stationDropped);
        QSignalSpy line(&r.engine, &PollEngine::noControllerAnswers);
        r.engine.SetAddresses({0, 1, 2, 1, 1});
        r.silent << 1 << 2;
        r.engine.ConnectStation(1);
        r.engine.ConnectStation(2);
        r.Run(3 * 38 * Tick);
        QVERIFY(!r.engine.State().StationConnected[1]);
        QCOMPARE(r.Last().address, 2);
        QCOMPARE(dropped.size() + line.size(), 0);
        switch (AfterSilentDrop(then)) {
        case CancelTheLast:
            r.engine.CancelStation(2);
            break;
        case TheLastAnswers:
            r.silent.clear();
            r.Serve();
            break;
        case FirstConnectedAgain:
            r.engine.ConnectStation(1);
            r.silent.clear();
            r.Serve(10);
            QVERIFY(r.engine.State().StationActive[1]);
            break;
        }
        QCOMPARE(dropped.size(), dropsSaid);
        if (dropsSaid == 1) QCOMPARE(dropped.first(), (QVariantList{1, 1}));
        QCOMPARE(line.size(), linesSaid);
        // Connected anew on its own, nothing is held over from before.
        r.engine.CancelStation(1);
        r.engine.CancelStation(2);
        r.engine.ConnectStation(1);
        r.engine.CancelStation(1);
        QCOMPARE(line.size(), linesSaid);
        QCOMPARE(dropped.size(), dropsSaid);
    }

    // Cancel of a station whose request is out: it is asked no more, and the others are polled
    // within the cycle.
    void cancelStopsAStationAtOnce_data() {
        QTest::addColumn<bool>("rtu");
        QTest::newRow("ascii") << false;
        QTest::newRow("rtu") << true;
    }
    void cancelStopsAStationAtOnce() {
        QFETCH(bool, rtu);
        EngineRig r(rtu);
        r.engine.SetAddresses({0, 1, 2, 1, 1});
        r.engine.ConnectStation(1);
        r.engine.ConnectStation(2);
        r.Serve(2 + 4 + 7); // settled: station 1's status read is on the line
        r.silent << 2;
        while (r.Last().address != 2)
            r.Serve();
        r.engine.CancelStation(2);
        const qsizetype at = r.SentCount();
        r.Run((rtu ? 3 : 38) * Tick); // its request times out
        QVERIFY(r.SentCount() > at);
        for (qsizetype i = at; i < r.SentCount(); ++i)
            QCOMPARE(ParseRequest(r.Sent().at(i), rtu).address, 1);
        // Station 1's cycle goes on: its process values and status, nothing else.
        QCOMPARE(r.Serve(3), Split("1:4700 1:4725 1:4700"));
        QCOMPARE(r.engine.State().TimeoutCount[1], 0);
    }

    void asciiTimeOutsDropAfterThree() {
        EngineRig r(false);
        r.engine.ConnectStation(1);
        // 36 ticks of waiting, then the same request again.
        r.Run(36 * Tick);
        QCOMPARE(r.SentCount(), 1);
        r.Run(2 * Tick);
        QCOMPARE(r.SentCount(), 2);
        QCOMPARE(r.errors, QStringList{"Time out"});
        QCOMPARE(r.engine.Face(1).runLed, LampColour::Red);
        r.Run(2 * 38 * Tick);
        QCOMPARE(r.errors.size(), 3);
        // Dropped: the only station, so the monitor is back to idle and sends nothing more.
        QVERIFY(!r.engine.State().StationConnected[1]);
        QCOMPARE(r.engine.State().ConnectedCount, 0);
        QVERIFY(!r.engine.Timer1().isActive());
        QCOMPARE(r.engine.Face(1).runLed, LampColour::Grey);
        r.Run(10000);
        QCOMPARE(r.SentCount(), 3);
    }

    void onlyConsecutiveTimeOutsCount() {
        EngineRig r(false);
        r.engine.SetAddresses({0, 1, 2, 1, 1});
        r.engine.ConnectStation(1);
        r.engine.ConnectStation(2);
        r.Serve(2 + 4 + 7); // steady polling of 1 and 2
        // Station 1 misses every other reply: never three in a row.
        for (int round = 0; round < 4; ++round) {
            QCOMPARE(r.Last().address, 1);
            r.Run(38 * Tick); // 1 times out, is asked again ...
            r.Serve();        // ... and answers
            r.Serve(3);       // the rest of the cycle
        }
        QCOMPARE(r.errors.size(), 4);
        QVERIFY(r.engine.State().StationConnected[1]);
        QCOMPARE(r.engine.State().ErrorCount[1], 4);
        QCOMPARE(r.engine.State().ErrorCount[2], 0);
    }

    void exceptionReplies_data() {
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        for (bool rtu : {false, true}) {
            const QByteArray f = rtu ? "rtu " : "ascii ";
            QTest::newRow(f + "1") << rtu << 1 << "illegal function ";
            QTest::newRow(f + "2") << rtu << 2 << "illegal address ";
            QTest::newRow(f + "3") << rtu << 3 << "illegal data ";
            QTest::newRow(f + "4") << rtu << 4 << "illegal command ";
            QTest::newRow(f + "5") << rtu << 5 << "Unknown error";
            QTest::newRow(f + "11") << rtu << 11 << "illegal frame ";
            QTest::newRow(f + "12") << rtu << 12 << "too few data ";
            QTest::newRow(f + "13") << rtu << 13 << "too many data ";
            QTest::newRow(f + "14") << rtu << 14 << "illegal ASCII ";
            QTest::newRow(f + "15") << rtu << 15 << "Unknown error";
        }
    }
    void exceptionReplies() {
        QFETCH(bool, rtu);
        QFETCH(int, code);
        QFETCH(QString, text);
        EngineRig r(rtu);
        r.engine.ConnectStation(1);
        r.ReplyFrame(AsciiException(1, 0x03, code));
        QCOMPARE(r.errors, QStringList{text});
        QCOMPARE(r.engine.State().ErrorCount[1], 1);
        QCOMPARE(r.engine.State().TimeoutCount[1], 0); // a refusal is an answer
        QCOMPARE(r.engine.Face(1).runLed, LampColour::Red);
        // Answered all the same: the chain moves on at once, to the process values.
        QCOMPARE(r.SentCount(), 2);
        QCOMPARE(r.Label(r.Last()), "1:4700");
    }

    // A controller that refuses every read is shown refusing each, stays connected, and is
    // asked again at its turns; the other station is polled every cycle, and the settings read
    // of the refusing one ends.
    void refusingStationDoesNotHoldTheChain_data() {
        QTest::addColumn<bool>("rtu");
        QTest::newRow("ascii") << false;
        QTest::newRow("rtu") << true;
    }
    void refusingStationDoesNotHoldTheChain() {
        QFETCH(bool, rtu);
        EngineRig r(rtu);
        r.refusing[1] = 2;
        r.engine.SetAddresses({0, 1, 2, 1, 1});
        QSignalSpy settingsEnded(&r.engine, &PollEngine::settingsReadEnded);
        r.engine.ConnectStation(1);
        r.engine.ConnectStation(2);
        const QStringList expected = Split("1:4725 1:4700 1:4725 2:4725 1:4700 2:4700 " +
                                           Settings1 + " 1:4725 2:4725 1:4700 2:4700");
        QCOMPARE(r.Serve(int(expected.size())), expected);
        const int refused = int(expected.filter(QRegularExpression("^1:")).size());
        QCOMPARE(r.errors, QStringList(refused, "illegal address "));
        QCOMPARE(r.engine.State().ErrorCount[1], refused);
        QCOMPARE(r.engine.State().ErrorCount[2], 0);
        QVERIFY(r.engine.State().StationConnected[1]);
        QCOMPARE(settingsEnded.count(), 1);
        QCOMPARE(r.engine.Face(1).runLed, LampColour::Red);
        QCOMPARE(r.engine.Face(2).runLed, LampColour::Lime);
    }

    void writeGoesOutBeforeThePollAndIsReadBack_data() {
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<bool>("unlock");
        QTest::newRow("ascii") << false << false;
        QTest::newRow("rtu") << true << false;
        QTest::newRow("ascii unlocked") << false << true;
        QTest::newRow("rtu unlocked") << true << true;
    }
    void writeGoesOutBeforeThePollAndIsReadBack() {
        QFETCH(bool, rtu);
        QFETCH(bool, unlock);
        EngineRig r(rtu);
        r.engine.ConnectStation(1);
        r.Serve(2 + 7 + 1); // settled: the process-value read is on the line
        const QByteArray write = ":0106470100FAB7\r\n";
        r.engine.QueueWrite(write, unlock);
        r.Serve(); // the process-value read
        const auto wire = [rtu](const QByteArray& ascii) {
            return rtu ? AsciiToRtu(ascii) : ascii;
        };
        if (unlock) {
            QCOMPARE(r.Sent().last(), wire(":0106472A7E5BAF\r\n"));
            r.Serve();
            QVERIFY(!r.engine.State().UnlockFirst);
            QVERIFY(r.engine.State().WritePending);
        }
        QCOMPARE(r.Sent().last(), wire(write));
        r.Serve();
        QVERIFY(!r.engine.State().WritePending);
        // The cycle starts over, then the settings are read back.
        QCOMPARE(r.Serve(2 + 7), Split("1:4725 1:4700 " + Settings1));
        QVERIFY(r.errors.isEmpty());
    }

    void failedWritesAreDroppedAndReadBack_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("text");
        QTest::newRow("refused") << AsciiException(1, 0x06, 3) << "Write data not successed";
        QTest::newRow("another echo")
            << QByteArray(":0106470100FBB6\r\n") << "Received data does not match";
    }
    void failedWritesAreDroppedAndReadBack() {
        QFETCH(QByteArray, answer);
        QFETCH(QString, text);
        EngineRig r(false);
        r.engine.ConnectStation(1);
        r.Serve(2 + 7 + 1);
        r.engine.QueueWrite(":0106470100FAB7\r\n", false);
        r.Serve();
        r.Reply(answer);
        QCOMPARE(r.errors, QStringList{text});
        QVERIFY(!r.engine.State().WritePending);
        QVERIFY(r.engine.State().SettingsReread);
        // The poll goes on where it stood: the status read of this cycle.
        QCOMPARE(r.Label(r.Last()), "1:4725");
    }

    void keyPressWhileAWriteIsOnTheLine_data() {
        QTest::addColumn<bool>("unlockOut");
        QTest::newRow("key withdrawn while the unlock frame is out") << true;
        QTest::newRow("key asked for while the write is out") << false;
    }
    void keyPressWhileAWriteIsOnTheLine() {
        // A key press changes UnlockFirst at any time; the echo is still judged by what went out.
        QFETCH(bool, unlockOut);
        EngineRig r(false);
        r.engine.ConnectStation(1);
        r.Serve(2 + 7 + 1);
        const QByteArray unlock = ":0106472A7E5BAF\r\n";
        const QByteArray write = ":01064730000280\r\n"; // output type 1, behind the key
        r.engine.QueueWrite(write, true);
        r.Serve(); // the process-value read; the unlock frame goes next
        QCOMPARE(r.Sent().last(), unlock);
        if (unlockOut) {
            r.engine.DecideUnlock(false); // a key in an ordinary box
            r.Serve();
            // The controller's key is open: the write goes, and its echo completes it.
            QCOMPARE(r.Sent().last(), write);
            r.Serve();
        } else {
            r.Serve();
            QCOMPARE(r.Sent().last(), write);
            r.engine.DecideUnlock(true); // a key in a protected box
            r.Serve();
            // Written once: the key goes out alone after it, as for any key press.
            QCOMPARE(r.Sent().last(), unlock);
            r.Serve();
            QVERIFY(!r.engine.State().UnlockFirst);
        }
        QVERIFY(!r.engine.State().WritePending);
        QCOMPARE(r.Serve(2), Split("1:4725 1:4700"));
        QCOMPARE(r.Sent().count(write), 1);
        QVERIFY(r.errors.isEmpty());
    }

    void writeSurvivesATimeOutAndChargesItsStation() {
        EngineRig r(false);
        r.engine.SetAddresses({0, 1, 2, 1, 1});
        r.engine.ConnectStation(1);
        r.engine.ConnectStation(2);
        r.Serve(2 + 4 + 7);
        r.engine.SelectStation(2);
        r.silent << 2;
        r.engine.QueueWrite(":0206470100FAB6\r\n", false);
        r.Serve(); // station 1's status; the write goes next
        QCOMPARE(r.Sent().last(), QByteArray(":0206470100FAB6\r\n"));
        r.Run(38 * Tick);
        // Sent again, and the time-out is station 2's, not that of the station the poll is at.
        QCOMPARE(r.Sent().last(), QByteArray(":0206470100FAB6\r\n"));
        QCOMPARE(r.engine.State().TimeoutCount[2], 1);
        QCOMPARE(r.engine.State().ErrorCount[2], 1);
        QCOMPARE(r.engine.State().ErrorCount[1], 0);
        r.Run(2 * 38 * Tick);
        QVERIFY(!r.engine.State().StationConnected[2]);
        QVERIFY(r.engine.State().StationConnected[1]);
        // The write went with its station: polling of 1 goes on, and nothing more is written.
        QVERIFY(!r.engine.State().WritePending);
        const qsizetype dropped = r.SentCount();
        QCOMPARE(r.Serve(2), Split("1:4725 1:4700"));
        for (qsizetype i = dropped - 1; i < r.SentCount(); ++i)
            QVERIFY(!r.Sent().at(i).startsWith(":0206"));
    }

    void addressTakesEffectAtTheCycleEndOrAfterAnError() {
        EngineRig r(false);
        r.engine.ConnectStation(1);
        r.Serve(2 + 7 + 1);
        r.engine.AddressEdited(1, 5);
        QCOMPARE(r.Serve(), "1:4700"); // this cycle still asks address 1
        QCOMPARE(r.Label(r.Last()), "5:4725");
        // After a failed check the edit is taken at once.
        r.engine.AddressEdited(1, 6);
        r.ReplyFrame(AsciiException(5, 0x03, 2));
        QCOMPARE(r.Label(r.Last()), "6:4700");
    }

    void closedLineReportsOnce() {
        EngineRig r(false);
        r.port.SetOpen(false);
        r.engine.ConnectStation(1);
        r.Run(5000);
        QCOMPARE(r.general.texts.size(), 1);
        QCOMPARE(r.engine.State().ConnectedCount, 1);
    }

    void laterPartsRunAtTheStartOfATurn() {
        EngineRig r(false);
        r.engine.ConnectStation(1);
        r.Serve(2 + 7 + 1);
        // The file routine runs between two exchanges: after the reply, before the next request.
        qsizetype sentDuringSave = -1;
        r.engine.SetFileRoutines(
            [&] {
                sentDuringSave = r.SentCount();
                r.engine.SaveDone();
            },
            {});
        r.engine.RequestSave(); // a request is on the line: the routine waits for its end
        QCOMPARE(sentDuringSave, -1);
        // A write transfer composes the write that this very turn sends.
        int steps = 0;
        ScriptedTransfer write;
        write.next = [&] {
            ++steps;
            return TransferRequest::Write(WriteRequest(1, 0x4766 + steps, 1), steps);
        };
        r.engine.Transfers().StartPatternWrite(write);
        const qsizetype before = r.SentCount();
        r.Serve();
        QCOMPARE(sentDuringSave, before);
        QCOMPARE(r.Sent().last(), WriteRequest(1, 0x4767, 1));
        QCOMPARE(r.engine.State().BufferWriteCount, 1);
        r.Serve(); // echoed: the transfer is told, the next step's write goes out
        QCOMPARE(write.replies.size(), 1);
        QCOMPARE(write.replies.first().kind, TransferReply::Kind::Echo);
        QCOMPARE(r.Sent().last(), WriteRequest(1, 0x4768, 1));
        r.engine.Transfers().Withdraw(write);
    }

    void broadcastFramesEndByTimeOut_data() {
        QTest::addColumn<bool>("rtu");
        QTest::newRow("ascii") << false;
        QTest::newRow("rtu") << true;
    }
    void broadcastFramesEndByTimeOut() {
        QFETCH(bool, rtu);
        EngineRig r(rtu);
        r.engine.ConnectStation(1);
        r.Serve(2 + 7 + 1);
        r.engine.LoadBuffer(Numbered());
        r.engine.StartBufferWrite(true);
        QSignalSpy panel(&r.engine, &PollEngine::opPanelEnabled);
        QSignalSpy done(&r.engine, &PollEngine::uploadFinished);
        r.Serve(); // the poll reply on the line; the broadcast starts
        const qsizetype first = r.SentCount() - 1;
        QCOMPARE(r.Last().address, 0);
        // Nobody answers address 0: each frame ends by the time-out, none is reported.
        const int ticks = rtu ? 2 : 37;
        for (int frame = 1; frame < 32; ++frame) {
            r.Run(ticks * Tick);
            QCOMPARE(r.SentCount() - first, frame + 1);
            QCOMPARE(r.Last().address, 0);
        }
        r.Run(ticks * Tick);
        QCOMPARE(r.SentCount() - first, 32 + 1); // then the poll again
        QVERIFY(r.errors.isEmpty());
        QCOMPARE(panel.count(), 1);
        QCOMPARE(done.count(), 1);
        QVERIFY(!r.engine.State().BufferWriting && !r.engine.State().Broadcasting &&
                !r.engine.State().WritePending);
        QCOMPARE(r.Label(r.Last()), "1:4725");
        QVERIFY(r.engine.State().SettingsReread);
    }

    // Load to Buffer pressed while a poll reply is awaited: that reply is still a poll reply,
    // and the buffer takes the memory only once all of it has come.
    void bufferReadStartsAfterTheExchangeInProgress_data() {
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<QByteArray>("request");
        QTest::newRow("ascii") << false << QByteArray(":0103474C000861\r\n");
        QTest::newRow("rtu") << true << AsciiToRtu(":0103474C000861\r\n");
    }
    void bufferReadStartsAfterTheExchangeInProgress() {
        QFETCH(bool, rtu);
        QFETCH(QByteArray, request);
        EngineRig r(rtu);
        Memories memories;
        memories.images[1] = Scrambled(3);
        r.engine.ConnectStation(1);
        r.Serve(2 + 7 + 1); // settled: the process-value read is on the line
        // Words that would read as entries 1 and 3 if they were taken for the memory.
        r.registers[1][0x4700] = 0x0155;
        r.registers[1][0x4701] = 0x0377;
        const ParamImage before = r.engine.State().ParamBuffer;
        QSignalSpy progress(&r.engine, &PollEngine::uploadProgress);
        QSignalSpy loaded(&r.engine, &PollEngine::bufferLoaded);
        r.engine.StartBufferRead();
        QCOMPARE(r.Serve(), "1:4700");
        QCOMPARE(r.engine.State().ParamBuffer, before);
        QCOMPARE(r.Sent().last(), request);
        QCOMPARE(memories.Exchange(r, 31), QStringList(31, "1:474C"));
        // Nearly all of it has come, and the buffer still holds what it held.
        QCOMPARE(r.engine.State().BufferReadCount, 248);
        QCOMPARE(r.engine.State().ParamBuffer, before);
        QVERIFY(!r.engine.State().BufferLoaded);
        memories.Exchange(r);
        ParamImage expected = memories.images[1];
        expected[ParamEndMarkerEntry] = ParamEndMarker;
        QCOMPARE(r.engine.State().ParamBuffer, expected);
        QVERIFY(r.engine.State().BufferLoaded && !r.engine.State().BufferReading);
        QCOMPARE(loaded.count(), 1);
        QCOMPARE(progress.count(), 31);
        QCOMPARE(progress.first().first().toInt(), 8 * 100 / 256);
        QCOMPARE(progress.last().first().toInt(), 248 * 100 / 256);
        // Polling goes on where it stood.
        QCOMPARE(r.Label(r.Last()), "1:4725");
        QVERIFY(r.errors.isEmpty());
    }

    // A controller that refuses the memory read, or does not answer it, does not keep the line
    // busy with it for good: after three tries the read stops and polling goes on.
    void refusedBufferReadStops_data() {
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<QString>("text");
        QTest::newRow("refused") << false
                                 << "Load to Buffer stopped: the controller refused the read "
                                    "(illegal address). The buffer is unchanged.";
        QTest::newRow("silent in rtu")
            << true
            << "Load to Buffer stopped: the controller gave no usable answer. The buffer is "
               "unchanged.";
    }
    void refusedBufferReadStops() {
        QFETCH(bool, rtu);
        QFETCH(QString, text);
        EngineRig r(rtu);
        r.engine.ConnectStation(1);
        r.Serve(2 + 7 + 1);
        r.engine.LoadBuffer(Numbered());
        QSignalSpy stopped(&r.engine, &PollEngine::transferStopped);
        QSignalSpy finished(&r.engine, &PollEngine::uploadFinished);
        QSignalSpy loaded(&r.engine, &PollEngine::bufferLoaded);
        r.engine.StartBufferRead();
        r.Serve();
        if (rtu) {
            r.silent << 1;
            r.Run(3500); // three silent tries, each ended by its time-out
        } else {
            for (int i = 0; i < 3; ++i) {
                QCOMPARE(r.Label(r.Last()), "1:474C");
                r.Reply(AsciiException(1, 0x03, 2));
            }
        }
        QCOMPARE(TransferFrames(r.Sent(), rtu), 3);
        QCOMPARE(stopped.count(), 1);
        QCOMPARE(stopped.first().first().toString(), text);
        QCOMPARE(finished.count(), 1);
        QVERIFY(!r.engine.State().BufferReading);
        QCOMPARE(loaded.count(), 0);
        // A silent controller is dropped with its third time-out as well, and being the only
        // station, the Monitor starts afresh; a refusing one stays, with the buffer as it was.
        if (!rtu) QCOMPARE(r.engine.State().ParamBuffer, Numbered());
        if (!rtu) QCOMPARE(r.Label(r.Last()), "1:4725"); // the poll again
    }

    // Write to Select: 32 writes to the selected station's address, from the buffer as it was
    // when the button was pressed.
    void writeBackToStationFive_data() {
        QTest::addColumn<bool>("rtu");
        QTest::newRow("ascii") << false;
        QTest::newRow("rtu") << true;
    }
    void writeBackToStationFive() {
        QFETCH(bool, rtu);
        EngineRig r(rtu);
        r.engine.SetAddresses({0, 5, 1, 1, 1});
        r.engine.ConnectStation(1);
        r.Serve(2 + 7 + 1);
        r.engine.LoadBuffer(Numbered());
        QSignalSpy progress(&r.engine, &PollEngine::uploadProgress);
        QSignalSpy finished(&r.engine, &PollEngine::uploadFinished);
        QSignalSpy stopped(&r.engine, &PollEngine::transferStopped);
        r.engine.StartBufferWrite(false);
        // A file opened while the writes go out changes none of them.
        ParamImage other;
        other.fill(0xEE);
        r.engine.LoadBuffer(other);
        r.Serve(); // the poll reply on the line
        QList<QByteArray> writes;
        for (int k = 0; k < ParamWriteFrames; ++k) {
            writes << r.Sent().last();
            r.Serve(); // echoed
        }
        QCOMPARE(writes.first(), OnWire(":05064717000C8B\r\n", rtu));
        QCOMPARE(writes.at(12), OnWire(":0506470118197C\r\n", rtu));
        for (int k = 0; k < ParamWriteFrames; ++k)
            QCOMPARE(writes.at(k), OnWire(BufferWriteFrame(Numbered(), k, 5), rtu));
        QCOMPARE(progress.count(), 32);
        QCOMPARE(progress.at(0).first().toInt(), 3);
        QCOMPARE(progress.last().first().toInt(), 100);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(stopped.count(), 0);
        QVERIFY(!r.engine.State().BufferWriting && !r.engine.State().WritePending);
        // The cycle starts over, then the settings the controller now holds are read.
        QCOMPARE(r.Serve(2 + 7), Split("5:4725 5:4700 " + QString(Settings1).replace("1:", "5:")));
        QVERIFY(r.errors.isEmpty());
    }

    // A write the controller refuses or does not answer is not repeated: the next one follows,
    // exactly 32 go out, and the end says which part did not go in.
    void failedWriteBackFramesAreSkipped() {
        EngineRig r(false);
        r.engine.ConnectStation(1);
        r.Serve(2 + 7 + 1);
        r.engine.LoadBuffer(Numbered());
        QSignalSpy stopped(&r.engine, &PollEngine::transferStopped);
        r.engine.StartBufferWrite(false);
        r.Serve();
        for (int k = 0; k < ParamWriteFrames; ++k) {
            QCOMPARE(r.Sent().last(), BufferWriteFrame(Numbered(), k, 1));
            if (k == 2) {
                r.Reply(AsciiException(1, 0x06, 3));
            } else if (k == 31) {
                r.Run(37 * Tick);
            } else {
                r.Serve();
            }
        }
        QCOMPARE(r.errors, QStringList({"Write data not successed", "Time out"}));
        QCOMPARE(TransferFrames(r.Sent(), false), 32);
        QVERIFY(!r.engine.State().BufferWriting && !r.engine.State().WritePending);
        QCOMPARE(stopped.count(), 1);
        QCOMPARE(stopped.first().first().toString(),
                 "Write to Select ended, but the controller did not take 2 of the 32 settings: "
                 "they keep their old values. Refused or unanswered: registers 4719, 4716.");
        QCOMPARE(r.Label(r.Last()), "1:4725");
        QVERIFY(r.engine.State().StationConnected[1]);
    }

    // BroadCast: the 32 writes to address 0, each ended by the reply time-out, in both framings.
    void broadcastSendsTheBufferToEveryController_data() {
        QTest::addColumn<bool>("rtu");
        QTest::newRow("ascii") << false;
        QTest::newRow("rtu") << true;
    }
    void broadcastSendsTheBufferToEveryController() {
        QFETCH(bool, rtu);
        EngineRig r(rtu);
        Memories memories;
        r.engine.ConnectStation(1);
        r.Serve(2 + 7 + 1);
        r.engine.LoadBuffer(Numbered());
        QSignalSpy panel(&r.engine, &PollEngine::opPanelEnabled);
        r.engine.StartBufferWrite(true);
        r.Serve();
        const qsizetype first = r.SentCount() - 1;
        memories.Exchange(r, 32); // each ends by its time-out
        QCOMPARE(r.SentCount() - first, 32 + 1);
        for (int k = 0; k < ParamWriteFrames; ++k)
            QCOMPARE(r.Sent().at(first + k), OnWire(BufferWriteFrame(Numbered(), k, 0), rtu));
        QCOMPARE(panel.count(), 1);
        QVERIFY(!r.engine.State().BufferWriting && !r.engine.State().Broadcasting);
        QCOMPARE(r.Label(r.Last()), "1:4725");
        QVERIFY(r.errors.isEmpty());
    }

    // A transfer belongs to the station selected when it began. When that station goes,
    // another one is selected, its address changes, the line is lost or the window closes, it
    // stops and says so; nothing of it goes to another controller, and a read leaves the
    // buffer as it was. A broadcast needs no station, only a connected one to keep the engine
    // turning.
    void interruptedTransfers_data() {
        QTest::addColumn<int>("transfer");
        QTest::addColumn<int>("cut");
        QTest::addColumn<QString>("text"); // empty: the transfer goes on to its end
        const QString read = "Load to Buffer stopped: %1. The buffer is unchanged.";
        // Four writes were echoed when the transfer is cut, the fifth is on the line: its echo
        // still counts when its station is not gone.
        const QString write = "Write to Select stopped: %1. The controller took %2 of the 32 "
                              "settings.";
        const QString broadcast =
            "BroadCast stopped: %1. 5 of the 32 settings were sent to the controllers.";
        QTest::newRow("read, line lost")
            << int(Read) << int(LineLost) << read.arg("the line was lost");
        QTest::newRow("read, window closed")
            << int(Read) << int(WindowClosed) << read.arg("the window was closed");
        QTest::newRow("read, its station cancelled")
            << int(Read) << int(CancelSelected) << read.arg("station 1 is no longer connected");
        QTest::newRow("read, another station selected")
            << int(Read) << int(SelectOther) << read.arg("another station was selected");
        QTest::newRow("read, address corrected after an error")
            << int(Read) << int(AddressFixed) << read.arg("the address of station 1 changed");
        QTest::newRow("read, another station cancelled") << int(Read) << int(CancelOther) << "";
        QTest::newRow("write, line lost")
            << int(WriteToSelect) << int(LineLost) << write.arg("the line was lost").arg(4);
        QTest::newRow("write, another station selected")
            << int(WriteToSelect) << int(SelectOther)
            << write.arg("another station was selected").arg(5);
        QTest::newRow("write, its station cancelled")
            << int(WriteToSelect) << int(CancelSelected)
            << write.arg("station 1 is no longer connected").arg(4);
        QTest::newRow("broadcast, window closed")
            << int(Broadcast) << int(WindowClosed) << broadcast.arg("the window was closed");
        QTest::newRow("broadcast, line lost")
            << int(Broadcast) << int(LineLost) << broadcast.arg("the line was lost");
        QTest::newRow("broadcast, selected station cancelled")
            << int(Broadcast) << int(CancelSelected) << "";
        QTest::newRow("broadcast, every station cancelled")
            << int(Broadcast) << int(CancelAll)
            << broadcast.arg("no station is connected any more");
    }
    void interruptedTransfers() {
        QFETCH(int, transfer);
        QFETCH(int, cut);
        QFETCH(QString, text);
        EngineRig r(false);
        Memories memories;
        memories.images[1] = Scrambled(1);
        memories.images[2] = Scrambled(2);
        r.engine.SetAddresses({0, 1, 2, 1, 1});
        r.engine.ConnectStation(1);
        r.engine.ConnectStation(2);
        memories.Exchange(r, 20); // both polled, the settings of station 1 read
        QCOMPARE(r.engine.State().StationActive, (PollEngine::PerStation<bool>{false, true, true}));
        r.engine.LoadBuffer(Numbered());
        QSignalSpy stopped(&r.engine, &PollEngine::transferStopped);
        QSignalSpy finished(&r.engine, &PollEngine::uploadFinished);
        QSignalSpy panel(&r.engine, &PollEngine::opPanelEnabled);
        if (transfer == Read) {
            r.engine.StartBufferRead();
        } else {
            r.engine.StartBufferWrite(transfer == Broadcast);
        }
        memories.Exchange(r, 5); // the exchange in progress, then four of the transfer
        switch (Cut(cut)) {
        case LineLost:
            emit r.Line()->lost(QStringLiteral("unplugged"));
            break;
        case WindowClosed:
            r.engine.InterruptTransfers(PollEngine::TransferStop::WindowClosed);
            r.port.SetOpen(false);
            break;
        case CancelSelected:
            r.engine.CancelStation(1);
            break;
        case SelectOther:
            r.engine.SelectStation(2);
            break;
        case AddressFixed:
            r.engine.AddressEdited(1, 7);
            r.Reply(AsciiException(1, 0x03, 4)); // an error takes the edited address at once
            break;
        case CancelOther:
            r.engine.CancelStation(2);
            break;
        case CancelAll:
            r.engine.CancelStation(1);
            r.engine.CancelStation(2);
            break;
        }
        r.Run(0);
        // A closed line takes its device, and what was sent on it, along.
        const bool lineClosed = cut == LineLost || cut == WindowClosed;
        QList<QByteArray> after;
        if (!lineClosed) {
            const qsizetype cutAt = r.SentCount();
            memories.Exchange(r, transfer == Broadcast ? 40 : 60);
            after = r.Sent().mid(cutAt);
        }
        if (text.isEmpty()) {
            QCOMPARE(stopped.count(), 0);
            QVERIFY(!r.engine.TransferRunning());
            QCOMPARE(TransferFrames(r.Sent(), false), 32);
            if (transfer == Read) {
                ParamImage expected = memories.images[1];
                expected[ParamEndMarkerEntry] = ParamEndMarker;
                QCOMPARE(r.engine.State().ParamBuffer, expected);
            }
            return;
        }
        QCOMPARE(stopped.count(), 1);
        QCOMPARE(stopped.first().first().toString(), text);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(panel.count(), 1);
        QVERIFY(!r.engine.TransferRunning() && !r.engine.State().Broadcasting &&
                !r.engine.State().WritePending);
        QCOMPARE(TransferFrames(after, false), 0);
        QCOMPARE(r.engine.State().ParamBuffer, Numbered());
        QVERIFY(r.engine.State().BufferLoaded);
        // Where a station is left and the line is there, polling goes on.
        if (!lineClosed) QCOMPARE(!after.isEmpty(), cut != CancelAll);
        QVERIFY(r.general.texts.size() <= 1); // only the lost line's own message
    }

    // The file dialogs run a nested event loop that goes on delivering Timer1. A tick while the
    // dialog is open must neither open it a second time nor put a request on the line under it.
    void fileRoutineRunsOnceWhileTimer1Ticks() {
        EngineRig r(true);
        r.engine.ConnectStation(1);
        r.Serve(2 + 7 + 1);
        QVERIFY(r.engine.State().RequestOutstanding);
        int calls = 0;
        qsizetype sentBefore = -1;
        qsizetype sentDuring = -1;
        r.engine.SetFileRoutines(
            [&] {
                if (calls++ > 0) return;
                sentBefore = r.SentCount();
                r.engine.Timer1Timer();
                r.engine.Timer1Timer();
                sentDuring = r.SentCount();
                r.engine.SaveDone();
            },
            {});
        r.engine.RequestSave(); // a request is on the line: the routine runs when it is answered
        QCOMPARE(calls, 0);
        r.Serve();
        QCOMPARE(calls, 1);
        QCOMPARE(sentDuring, sentBefore);
        QCOMPARE(r.SentCount(), sentBefore + 1); // the turn's own request, once the dialog closed
    }

    void patternReadAsksItsSteps() {
        EngineRig r(false);
        r.engine.ConnectStation(1);
        r.Serve(2 + 7 + 1);
        QList<qsizetype> counts;
        int step = 0;
        ScriptedTransfer read;
        read.next = [&] { return TransferRequest::Read(PatternStepBlock(step, 0)); };
        read.taken = [&](const TransferReply& reply) {
            counts << reply.words.size();
            return ++step > 4;
        };
        r.engine.Transfers().StartPatternRead(read);
        // The reply on the line is still a poll; the read starts at the next turn.
        QCOMPARE(r.Serve(5 + 1), Split("1:4700 1:4767 1:4770 1:4768 1:4778 1:4780"));
        QCOMPARE(counts, QList<qsizetype>({1, 8, 8, 8, 8}));
        QVERIFY(!r.engine.State().PatternReading);
    }

    void trendSamplesAndWraps() {
        MonitorState e;
        e.ConnectedCount = 2;
        e.StationActive[1] = e.StationActive[2] = true;
        e.SelStation = 1;
        // A tick of Timer1 while the chain runs.
        const auto tick = [&e] {
            SampleTrends(e);
            AdvanceTrends(e);
        };
        // A ramp from 100 to 1100 over the first 100 s, then flat at 500.
        for (int s = 0; s <= 720; ++s) {
            e.StationPV[1] = s < 100 ? 100 + s * 10 : 500;
            e.StationPV[2] = s < 100 ? 100 + s * 10 : 500;
            tick();
            if (s == 0) {
                QCOMPARE(e.TrendIndex[1], 1);
            }
            if (s == 1) { // the first two samples start the range afresh
                QCOMPARE(e.TrendMax[1], 110);
                QCOMPARE(e.TrendMin[1], 110);
            }
        }
        QCOMPARE(e.TrendHistory[1][100], 500);
        QCOMPARE(e.TrendMax[1], 1090);
        QCOMPARE(e.TrendMin[1], 110);
        // The 721st sample wrapped the ring: position 0 holds it and the index starts over.
        QVERIFY(e.TrendWrapped[1]);
        QCOMPARE(e.TrendIndex[1], 1);
        QCOMPARE(e.TrendHistory[1][0], 500);
        // Once more around, the ramp has left the history: the chart zooms in for the selected
        // station, and the other one takes its true range.
        e.TrendDrawnStation = 1;
        for (int s = 0; s < 720; ++s)
            tick();
        QCOMPARE(e.TrendMax[1], 500);
        QCOMPARE(e.TrendMin[1], 500);
        QCOMPARE(e.TrendDrawnStation, 0);
        QCOMPARE(e.TrendMax[2], 500);
        QCOMPARE(e.TrendMin[2], 500);
    }

    void trendIsSampledOnlyWhileTheChainRuns() {
        EngineRig r(true);
        r.silent << 1;
        r.engine.ConnectStation(1);
        r.Run(5000);
        // Every tick found the chain stopped (RTU silence) and restarted it instead of sampling.
        QCOMPARE(r.engine.State().TrendIndex[1], 0);
    }
};

QTEST_GUILESS_MAIN(TestPollEngine)
#include "tst_pollengine.moc"
