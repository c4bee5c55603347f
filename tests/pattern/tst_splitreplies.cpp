// RTU replies that arrive in two pieces with a pause between them, as a loaded machine or a
// slow adapter delivers them: every transfer of the Monitor's engine and the Recorder's cycle
// must ask each request once and store each value under the request it answers, wherever the
// reply is split and however long the pause, up to the reply's time-out.
#include "enginerig.h"
#include "enginetransfer.h"
#include "paramimages.h"
#include "recordengine.h"

#include <QSignalSpy>
#include <QTest>

using namespace vrx;
using namespace vrx::test;

namespace {

enum class Work { Poll, ParameterRead, WriteBack, PatternRead, PatternWrite, RecorderCycle };

constexpr int Tick = SerialPort::TickMs;

// Milliseconds of `chars` characters of 10 bits (start, 8 data, stop) at `baud`.
int CharTimesMs(int chars, int baud) {
    return (chars * 10 * 1000 + baud - 1) / baud;
}

int BaudOf(int baudIndex) {
    return ToLineSettings([&] {
               ComSelections s;
               s.baudRate = baudIndex;
               return s;
           }())
        .baud;
}

PatternProgram Program() {
    PatternProgram program;
    program.StartPattern = 2;
    for (int p = 0; p < Patterns; ++p) {
        program.PatternMaxStep[std::size_t(p)] = (p * 3) % PatternSteps;
        program.PatternLoop[std::size_t(p)] = p + 1;
        program.PatternLink[std::size_t(p)] = p == 7 ? ProgEnd : p + 1;
        for (int s = 0; s < PatternSteps; ++s) {
            program.PatternSV[std::size_t(p)][std::size_t(s)] = p * 100 + s * 10 + 1;
            program.PatternTime[std::size_t(p)][std::size_t(s)] = p * 8 + s + 1;
        }
    }
    return program;
}

// A reply cut after `at` bytes; whole when it is not longer.
QList<QByteArray> Pieces(const QByteArray& reply, int at) {
    if (at <= 0 || at >= reply.size()) return {reply};
    return {reply.first(at), reply.mid(at)};
}

// The far end of the Monitor's line: the rig's controllers, the parameter memory walked at
// 0x474C, and writes kept, each reply sent in two pieces `pauseMs` apart, cut after `at` bytes.
struct SplitPeer {
    SplitPeer(EngineRig& rig, int cutAt, int pause) : r(rig), at(cutAt), pauseMs(pause) {}

    EngineRig& r;
    int at;
    int pauseMs;
    ParamImage memory = Numbered();
    int walk = 0;
    QList<Asked> asked;

    QByteArray Answer(const Asked& a) {
        if (a.function == 0x06) r.registers[a.address][a.reg] = a.value;
        if (a.function == 0x03 && a.reg == 0x474C) {
            QList<int> words;
            for (int i = 0; i < a.value; ++i, walk = (walk + 1) % ParamEntries)
                words << (walk << 8 | memory[walk]);
            return Rtu(AsciiWordsReply(a.address, words));
        }
        return Rtu(r.AnswerTo(a));
    }
    // Answers the request on the line; nothing to answer once the engine sent nothing new.
    bool Serve() {
        if (r.SentCount() <= asked.size()) return false;
        const Asked a = r.Last();
        asked << a;
        if (a.address == 0) {
            r.Run(3 * Tick); // a broadcast ends by its time-out
            return true;
        }
        const QByteArray reply = Answer(a);
        r.Run(Tick / 5); // the controller's turnaround
        const QList<QByteArray> pieces = Pieces(reply, at);
        for (qsizetype k = 0; k < pieces.size(); ++k) {
            if (k > 0) r.Run(pauseMs);
            r.Reply(pieces.at(k));
        }
        return true;
    }
    // Serves until `done` or nothing more is asked; false when the limit came first.
    template <typename Done> bool ServeUntil(Done done, int limit = 2000) {
        for (int i = 0; i < limit && !done(); ++i) {
            if (!Serve()) r.Run(1000); // the chain waits for Timer1
        }
        return done();
    }
    int Count(int function, int firstReg, int lastReg) const {
        int n = 0;
        for (const Asked& a : asked)
            n += a.function == function && a.reg >= firstReg && a.reg <= lastReg;
        return n;
    }
};

// Labels of requests asked twice in a row: a reply taken for broken and asked again. The
// parameter memory's walk asks the same register each time, so its reads are counted instead.
QStringList Repeats(const QList<Asked>& asked) {
    QStringList repeats;
    for (qsizetype i = 1; i < asked.size(); ++i)
        if (asked.at(i) == asked.at(i - 1) && asked.at(i).reg != 0x474C)
            repeats << EngineRig::Label(asked.at(i));
    return repeats;
}

} // namespace

Q_DECLARE_METATYPE(Work)
Q_DECLARE_METATYPE(vrx::PatternWriteEnd)

class TestSplitReplies : public QObject {
    Q_OBJECT

private slots:
    void everyValueUnderItsRequest_data() {
        QTest::addColumn<Work>("work");
        QTest::addColumn<int>("baudIndex");
        QTest::addColumn<int>("at");
        QTest::addColumn<int>("pauseChars");
        const QList<std::pair<Work, const char*>> works{
            {Work::Poll, "poll"},
            {Work::ParameterRead, "parameter read"},
            {Work::WriteBack, "write-back"},
            {Work::PatternRead, "pattern read"},
            {Work::PatternWrite, "pattern write"},
            {Work::RecorderCycle, "recorder"},
        };
        // 2400 baud waits two ticks of silence, 9600 one; the longest pauses are what a busy
        // machine makes of a reply that the line delivered whole.
        for (const auto& [work, name] : works)
            for (int baudIndex : {0, 2})
                for (int pauseChars : {1, 4, 12, 40, 160})
                    for (int at = 1; at <= 20; ++at)
                        QTest::addRow("%s %d baud, cut after %d, pause %d chars", name,
                                      BaudOf(baudIndex), at, pauseChars)
                            << work << baudIndex << at << pauseChars;
    }
    void everyValueUnderItsRequest() {
        QFETCH(Work, work);
        QFETCH(int, baudIndex);
        QFETCH(int, at);
        QFETCH(int, pauseChars);
        const int pauseMs = CharTimesMs(pauseChars, BaudOf(baudIndex));
        if (work == Work::RecorderCycle) return RecorderCycle(baudIndex, at, pauseMs);

        EngineRig r(true, baudIndex);
        SplitPeer peer(r, at, pauseMs);
        r.engine.ConnectStation(1);
        QVERIFY(peer.ServeUntil([&] { return peer.asked.size() >= 2 + 7; })); // settled
        EngineTransfer transfer(r.engine);
        QSignalSpy readDone(&transfer, &EngineTransfer::readFinished);
        QSignalSpy writeDone(&transfer, &EngineTransfer::writeFinished);
        QSignalSpy uploadDone(&r.engine, &PollEngine::uploadFinished);
        const PatternProgram program = Program();
        switch (work) {
        case Work::Poll:
            r.registers[1][0x4700] = 1234;
            QVERIFY(peer.ServeUntil([&] { return peer.asked.size() >= 60; }));
            break;
        case Work::ParameterRead:
            r.engine.StartBufferRead();
            QVERIFY(peer.ServeUntil([&] { return r.engine.State().BufferLoaded; }));
            QCOMPARE(r.engine.State().ParamBuffer, Numbered());
            QCOMPARE(peer.Count(0x03, 0x474C, 0x474C), ParamEntries / 8);
            break;
        case Work::WriteBack:
            r.engine.LoadBuffer(Numbered());
            r.engine.StartBufferWrite(false);
            QVERIFY(peer.ServeUntil([&] { return uploadDone.count() == 1; }));
            QCOMPARE(peer.Count(0x06, 0x4700, 0x47FF), ParamWriteFrames);
            break;
        case Work::PatternRead:
            for (int k = 0; k < PatternWriteFrames; ++k)
                r.registers[1][0x4767 + k] = PatternWriteValue(program, k) & 0xFFFF;
            QVERIFY(transfer.StartRead());
            QVERIFY(peer.ServeUntil([&] { return readDone.count() == 1; }));
            QCOMPARE(readDone.first().first().value<PatternProgram>(), program);
            break;
        case Work::PatternWrite:
            QVERIFY(transfer.StartWrite(program));
            QVERIFY(peer.ServeUntil([&] { return writeDone.count() == 1; }));
            QCOMPARE(writeDone.first().first().value<PatternWriteEnd>().refused.size(), 0);
            QCOMPARE(peer.Count(0x06, 0x4767, 0x47FF), PatternWriteFrames);
            for (int k = 0; k < PatternWriteFrames; ++k)
                QCOMPARE(r.registers[1][0x4767 + k], PatternWriteValue(program, k) & 0xFFFF);
            break;
        case Work::RecorderCycle:
            break;
        }
        QCOMPARE(Repeats(peer.asked), QStringList());
        QCOMPARE(r.errors, QStringList());
        QCOMPARE(r.engine.State().ErrorCount[1], 0);
    }

private:
    // Three controllers recorded for twenty samples 3 s apart (three replies with the longest
    // pauses take two seconds): every sample of every one is there, each asked once a sample.
    void RecorderCycle(int baudIndex, int at, int pauseMs) {
        ManualTime clock{1000};
        FakeLineFactory lines;
        qputenv("VRX_COM1", "sim");
        ComSelections settings;
        settings.modBus = 1;
        settings.bitLen = 1;
        settings.baudRate = baudIndex;
        LineOwner line;
        RecordEngine engine{line};
        QVERIFY(OpenLine(line, RecordEngine::LineTool, settings));
        engine.SetLineSettings(ToLineSettings(settings));
        QList<CycleReport> cycles;
        connect(&engine, &RecordEngine::cycleCompleted, &engine,
                [&](const CycleReport& report) { cycles << report; });
        QVERIFY(engine.Start({1, 2, 3, 0, 0, 0, 0, 0}, 3));
        qsizetype served = 0;
        QList<Asked> asked;
        for (int i = 0; i < 20000 && cycles.size() < 20; ++i) {
            FakeLine* fake = lines.last.data();
            if (fake->written.size() <= served) {
                clock.Run(10);
                continue;
            }
            const Asked a = ParseRequest(fake->written.at(served++), true);
            asked << a;
            const QByteArray reply = Rtu(AsciiWordsReply(a.address, {a.address * 10, 500}));
            clock.Run(Tick / 5);
            const QList<QByteArray> pieces = Pieces(reply, at);
            for (qsizetype k = 0; k < pieces.size(); ++k) {
                if (k > 0) clock.Run(pauseMs);
                fake->Reply(pieces.at(k));
                clock.Run(0);
            }
        }
        engine.Stop();
        QCOMPARE(cycles.size(), 20);
        for (const CycleReport& report : cycles)
            for (int p = 0; p < 3; ++p) {
                QVERIFY(report.readings[std::size_t(p)].answered);
                QCOMPARE(report.readings[std::size_t(p)].pv, (p + 1) * 10);
            }
        QCOMPARE(asked.size(), 3 * 20);
        QCOMPARE(Repeats(asked), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestSplitReplies)
#include "tst_splitreplies.moc"
