// The editor's transfers on the Monitor's engine, on the bytes of a fake line and a manual
// clock: a read that a parameter read interrupts, a Monitor write waiting when Write is pressed,
// a refused last write, and transfers whose station goes or changes its address midway.
#include "enginerig.h"
#include "enginetransfer.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace vrx;
using namespace vrx::test;

namespace {

QStringList Split(const QString& labels) {
    return labels.split(u' ', Qt::SkipEmptyParts);
}

// The labels of the 153 program registers in order.
QStringList ProgramRegisters(int address) {
    QStringList labels;
    for (int r = 0x4767; r <= 0x47FF; ++r)
        labels << EngineRig::Label({address, 0x06, r, 0});
    return labels;
}

PatternProgram Sample() {
    PatternProgram program;
    program.StartPattern = 1;
    program.PatternMaxStep = {1, 2, 0, 0, 0, 0, 0, 0};
    program.PatternLink.fill(ProgEnd);
    program.PatternSV[0][0] = -100;
    program.PatternTime[0][0] = 90;
    program.PatternSV[7][7] = 1234;
    return program;
}

constexpr int Tick = SerialPort::TickMs;

// One station polled, its first settings read done, the status read on the line.
struct Polling {
    Polling() {
        r.engine.ConnectStation(1);
        r.Serve(2 + 7);
    }
    EngineRig r{false};
    EngineTransfer transfer{r.engine};
};

} // namespace

Q_DECLARE_METATYPE(vrx::PatternProgram)
Q_DECLARE_METATYPE(vrx::PatternWriteEnd)
Q_DECLARE_METATYPE(vrx::RefusedWrite)

class TestPatternEngine : public QObject {
    Q_OBJECT

private slots:
    // "Load to Buffer" pressed during a pattern read: the parameter image is read first, then
    // the pattern read goes on where it stood, and both come out whole.
    void readKeepsItsPlaceAcrossAParameterRead() {
        Polling s;
        EngineRig& r = s.r;
        const PatternProgram program = Sample();
        for (int k = 0; k < PatternWriteFrames; ++k)
            r.registers[1][0x4767 + k] = PatternWriteValue(program, k);
        QSignalSpy finished(&s.transfer, &EngineTransfer::readFinished);
        QVERIFY(s.transfer.StartRead());
        QVERIFY(!s.transfer.StartRead()); // one at a time
        QCOMPARE(r.Serve(1 + 5), Split("1:4725 1:4767 1:4770 1:4768 1:4778 1:4780"));
        r.engine.StartBufferRead();
        QCOMPARE(r.Serve(1 + 32 + 1),
                 Split("1:4788") + QStringList(32, "1:474C") + Split("1:4790"));
        QVERIFY(r.engine.State().BufferLoaded);
        QStringList rest;
        for (int j = 12; j < 64; j += 4)
            rest << EngineRig::Label({1, 3, 0x4780 + 2 * j, 8});
        QCOMPARE(r.Serve(int(rest.size())), rest);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.first().first().value<PatternProgram>(), program);
        QVERIFY(!r.engine.State().PatternReading);
        QVERIFY(r.Last().reg < 0x4767); // polling again
    }

    // A write the Monitor had waiting goes first; then the 153 registers in order, each with
    // its value, and the polling takes over again.
    void aWaitingMonitorWriteGoesFirst() {
        Polling s;
        EngineRig& r = s.r;
        QSignalSpy progress(&s.transfer, &EngineTransfer::writeProgress);
        QSignalSpy finished(&s.transfer, &EngineTransfer::writeFinished);
        r.engine.QueueWrite(WriteRequest(1, 0x4701, 0x00FA), false);
        const PatternProgram program = Sample();
        QVERIFY(s.transfer.StartWrite(program));
        QVERIFY(!s.transfer.StartWrite(program) && !s.transfer.StartRead());
        const qsizetype from = r.SentCount() + 1;
        QCOMPARE(r.Serve(1 + 1 + 153), Split("1:4725 1:4701") + ProgramRegisters(1));
        for (int k = 0; k < PatternWriteFrames; ++k)
            QCOMPARE(ParseRequest(r.Sent().at(from + k), false).value,
                     int(PatternWriteValue(program, k)));
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.first().first().value<PatternWriteEnd>().refused.size(), 0);
        QCOMPARE(progress.size(), PatternWriteFrames);
        QCOMPARE(progress.last().first().toInt(), 100);
        QVERIFY(!r.engine.State().PatternWriting && !r.engine.State().WritePending);
        QCOMPARE(r.Last().function, 0x03);
    }

    // The engine ends a pattern write at a good echo; a refused last write ends it too, and
    // the refusal is counted.
    void refusedLastWriteEndsTheWrite() {
        Polling s;
        EngineRig& r = s.r;
        QSignalSpy finished(&s.transfer, &EngineTransfer::writeFinished);
        QVERIFY(s.transfer.StartWrite(Sample()));
        r.Serve(1 + 152);
        QCOMPARE(r.Label(r.Last()), "1:47FF");
        r.ReplyFrame(AsciiException(1, 0x06, 3));
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.first().first().value<PatternWriteEnd>().refused.size(), 1);
        QVERIFY(!r.engine.State().PatternWriting);
        QCOMPARE(r.Last().function, 0x03);
        QCOMPARE(r.errors, QStringList{"Write data not successed"});
    }

    // A write's end says which values the controller did not take and why, or where and why
    // the write stopped: a refusal with its exception code, an echo that differs, a controller
    // that stops answering.
    void writeEndSaysWhichAndWhy_data() {
        QTest::addColumn<QByteArray>("reply"); // to write 5; none: no answer from then on
        QTest::addColumn<QList<RefusedWrite>>("refused");
        QTest::addColumn<QString>("stopReason");
        QTest::newRow("refused") << AsciiException(1, 0x06, 2)
                                 << QList<RefusedWrite>{{5, ResultWriteRefused, 2}} << QString();
        QTest::newRow("echo differs")
            << AsciiWrite(1, 0x476C, 0x1234) << QList<RefusedWrite>{{5, ResultEchoDiffers, 0}}
            << QString();
        QTest::newRow("no answer")
            << QByteArray() << QList<RefusedWrite>{} << "address 1 stopped answering (Time out)";
    }
    void writeEndSaysWhichAndWhy() {
        QFETCH(QByteArray, reply);
        QFETCH(QList<RefusedWrite>, refused);
        QFETCH(QString, stopReason);
        Polling s;
        EngineRig& r = s.r;
        QSignalSpy finished(&s.transfer, &EngineTransfer::writeFinished);
        QSignalSpy stopped(&s.transfer, &EngineTransfer::writeStopped);
        QVERIFY(s.transfer.StartWrite(Sample()));
        r.Serve(1 + 5);
        QCOMPARE(r.Label(r.Last()), "1:476C");
        if (reply.isEmpty()) {
            r.silent << 1;
            r.Run(3 * 40 * Tick);
        } else {
            r.ReplyFrame(reply);
            r.Serve(200);
        }
        const bool stops = !stopReason.isEmpty();
        QCOMPARE(finished.size(), stops ? 0 : 1);
        QCOMPARE(stopped.size(), stops ? 1 : 0);
        const auto end = (stops ? stopped : finished).first().first().value<PatternWriteEnd>();
        QCOMPARE(end.address, 1);
        QCOMPARE(end.refused, refused);
        QCOMPARE(end.stopReason, stopReason);
        QCOMPARE(end.written, stops ? 5 : PatternWriteFrames - 1);
        QCOMPARE(end.stoppedAt, stops ? 5 : PatternWriteFrames);
    }

    // Another station selected midway: the write stops, and nothing of it goes to the station
    // now selected.
    void anotherStationSelectedStopsTheWrite() {
        EngineRig r(false);
        EngineTransfer transfer(r.engine);
        r.engine.SetAddresses({0, 1, 2, 1, 1});
        r.engine.ConnectStation(1);
        r.engine.ConnectStation(2);
        r.Serve(20);
        QVERIFY(r.engine.State().StationActive[2]);
        QSignalSpy stopped(&transfer, &EngineTransfer::writeStopped);
        QVERIFY(transfer.StartWrite(Sample()));
        r.Serve(1 + 10);
        QCOMPARE(r.Label(r.Last()), "1:4771");
        r.engine.SelectStation(2);
        QCOMPARE(stopped.size(), 1);
        QCOMPARE(stopped.first().first().value<PatternWriteEnd>().written, 10);
        const qsizetype from = r.SentCount();
        r.Serve(30);
        for (qsizetype i = from; i < r.SentCount(); ++i)
            QCOMPARE(ParseRequest(r.Sent().at(i), false).function, 0x03);
        QVERIFY(!r.engine.State().PatternWriting && !r.engine.State().WritePending);
    }

    // A pulled line ends a write and a read at once, each saying how far it got, instead of
    // leaving the editor's buttons waiting for turns that never come.
    void pulledLineStopsTheTransfers() {
        Polling s;
        EngineRig& r = s.r;
        QSignalSpy writeStopped(&s.transfer, &EngineTransfer::writeStopped);
        QVERIFY(s.transfer.StartWrite(Sample()));
        r.Serve(1 + 5);
        r.engine.InterruptTransfers(PollEngine::TransferStop::LineLost);
        QCOMPARE(writeStopped.size(), 1);
        QCOMPARE(writeStopped.first().first().value<PatternWriteEnd>().written, 5);
        QVERIFY(!r.engine.State().PatternWriting && !r.engine.State().WritePending);

        QSignalSpy readStopped(&s.transfer, &EngineTransfer::readStopped);
        QVERIFY(s.transfer.StartRead());
        r.Serve(1 + 2);
        r.engine.InterruptTransfers(PollEngine::TransferStop::WindowClosed);
        QCOMPARE(readStopped.size(), 1);
        QVERIFY(!r.engine.State().PatternReading && !r.engine.State().PatternReadPending);
        QVERIFY(s.transfer.StartRead()); // and a new one may begin
    }

    // The user corrects the station's address during a read; after the next failed reply the
    // engine asks the new address, and what it answers is not mixed into the program.
    void readOfAnotherAddressIsThrownAway() {
        Polling s;
        EngineRig& r = s.r;
        QSignalSpy stopped(&s.transfer, &EngineTransfer::readStopped);
        QSignalSpy finished(&s.transfer, &EngineTransfer::readFinished);
        QVERIFY(s.transfer.StartRead());
        QCOMPARE(r.Serve(1 + 3), Split("1:4725 1:4767 1:4770 1:4768"));
        r.engine.AddressEdited(1, 7);
        r.silent << 1;
        r.Run(40 * Tick);
        r.silent.clear();
        QCOMPARE(r.errors, QStringList{"Time out"});
        QCOMPARE(r.Serve(), "7:4778");
        QCOMPARE(stopped.size(), 1);
        QCOMPARE(finished.size(), 0);
        QVERIFY(!r.engine.State().PatternReading && !r.engine.State().PatternReadPending);
        QVERIFY(r.Last().reg < 0x4767);
        QCOMPARE(r.Last().address, 7);
    }

    // Every transfer in one session, in both framings: a program read that a Load to Buffer
    // interrupts, a Write to Select with a program write pressed behind it, one frame of each
    // refused and one unanswered. The frames keep their order: the parameter read goes between
    // two program reads, the program write waits for the whole write-back, and a refused or
    // unanswered frame is never sent twice. VRX_FRAMES_OUT names a file that takes the frames
    // as hex, one a line, to compare the traffic of two builds.
    void transfersTogetherOnTheWire_data() {
        QTest::addColumn<bool>("rtu");
        QTest::newRow("ascii") << false;
        QTest::newRow("rtu") << true;
    }
    void transfersTogetherOnTheWire() {
        QFETCH(bool, rtu);
        EngineRig r(rtu);
        EngineTransfer transfer(r.engine);
        r.engine.ConnectStation(1);
        r.Serve(2 + 7);
        const PatternProgram program = Sample();
        for (int k = 0; k < PatternWriteFrames; ++k)
            r.registers[1][0x4767 + k] = PatternWriteValue(program, k);
        QSignalSpy readFinished(&transfer, &EngineTransfer::readFinished);
        QSignalSpy writeFinished(&transfer, &EngineTransfer::writeFinished);
        QSignalSpy stopped(&r.engine, &PollEngine::transferStopped);
        QVERIFY(transfer.StartRead());
        r.Serve(1 + 3);
        r.engine.StartBufferRead();
        r.Serve(1 + 32);
        QVERIFY(r.engine.State().BufferLoaded);
        r.Serve(int(1 + 16));
        QCOMPARE(readFinished.size(), 1);
        r.engine.StartBufferWrite(false);
        r.Serve(1 + 5);
        QVERIFY(transfer.StartWrite(program));
        r.ReplyFrame(AsciiException(1, 0x06, 3)); // write-back frame 6 refused
        r.Serve(20);
        // Frame 27 unanswered: its time-out, and the next frame goes.
        const qsizetype before = r.SentCount();
        for (int tick = 0; tick < 100 && r.SentCount() == before; ++tick)
            r.Run(Tick);
        QCOMPARE(r.SentCount(), before + 1);
        r.Serve(5 + 7); // the last write-back frames, the program write's first ones
        r.ReplyFrame(AsciiException(1, 0x06, 3)); // program write 8 refused
        r.Serve(200);
        const QList<QByteArray> frames = r.Sent();
        if (const QByteArray out = qgetenv("VRX_FRAMES_OUT"); !out.isEmpty()) {
            QFile file(QString::fromLocal8Bit(out) + (rtu ? ".rtu" : ".ascii"));
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            for (const QByteArray& frame : frames)
                file.write(frame.toHex() + '\n');
        }
        QCOMPARE(stopped.size(), 1);
        QCOMPARE(writeFinished.size(), 1);
        QCOMPARE(writeFinished.first().first().value<PatternWriteEnd>().refused.size(), 1);
        // Each write once, the refused and the unanswered ones too: the write-back's 32 in its
        // order, then the program's 153.
        QStringList writes;
        int reads = 0;
        for (const QByteArray& frame : frames) {
            const Asked a = ParseRequest(frame, rtu);
            if (a.function == 0x06) writes << EngineRig::Label(a);
            reads += a.function == 0x03 && a.reg >= 0x4767;
        }
        QStringList expected;
        for (const ParamWriteSlot& slot : ParamWriteTable())
            expected << EngineRig::Label({1, 0x06, slot.reg, 0});
        QCOMPARE(writes, expected + ProgramRegisters(1));
        QCOMPARE(reads, 20); // the program's, none again
    }

    // The editor goes while its read or write runs: the engine turns to neither again, and
    // polls on with nothing of them pending.
    void transferGoneMidwayLeavesThePolling_data() {
        QTest::addColumn<bool>("write");
        QTest::newRow("read") << false;
        QTest::newRow("write") << true;
    }
    void transferGoneMidwayLeavesThePolling() {
        QFETCH(bool, write);
        EngineRig r(false);
        r.engine.ConnectStation(1);
        r.Serve(2 + 7);
        {
            EngineTransfer transfer(r.engine);
            QVERIFY(write ? transfer.StartWrite(Sample()) : transfer.StartRead());
            r.Serve(1 + 3);
            QCOMPARE(r.Last().reg >= 0x4767, true);
        }
        QVERIFY(!r.engine.State().PatternReading && !r.engine.State().PatternReadPending &&
                !r.engine.State().PatternWriting && !r.engine.State().WritePending);
        const qsizetype from = r.SentCount();
        r.Serve(1 + 12); // the transfer's frame still on the line, then the polls
        for (qsizetype i = from; i < r.SentCount(); ++i) {
            const Asked a = ParseRequest(r.Sent().at(i), false);
            QVERIFY(a.function == 0x03 && a.reg < 0x4767);
        }
    }
};

QTEST_GUILESS_MAIN(TestPatternEngine)
#include "tst_patternengine.moc"
