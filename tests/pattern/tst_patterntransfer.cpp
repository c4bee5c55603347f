// The program on the wire: the 153 write frames in order, the 20-reply read with its gauge and
// signed set values, and a program written to a simulated controller, read back equal and run.
#include "controllerbus.h"
#include "framecodec.h"
#include "monitorreply.h"
#include "patterntransfer.h"

#include <QTest>

using namespace vrx;

namespace {

// Pattern 0 holds 25.0 for ten minutes and ramps to 50.0 in twenty, then pattern 1 ramps
// down to -10.0 in thirty minutes and the program ends.
PatternProgram RampDown() {
    PatternProgram program;
    program.PatternMaxStep = {1, 0, 0, 0, 0, 0, 0, 0};
    program.PatternLink = {1, ProgEnd, ProgEnd, ProgEnd, ProgEnd, ProgEnd, ProgEnd, ProgEnd};
    program.PatternSV[0][0] = 250;
    program.PatternTime[0][0] = 10;
    program.PatternSV[0][1] = 500;
    program.PatternTime[0][1] = 20;
    program.PatternSV[1][0] = -100;
    program.PatternTime[1][0] = 30;
    return program;
}

QByteArray Ask(sim::ControllerBus& bus, const QByteArray& request) {
    QByteArray reply;
    for (const sim::ReplyPiece& piece : bus.Respond({sim::Framing::Ascii, request}))
        reply += piece.bytes;
    return reply;
}

} // namespace

Q_DECLARE_METATYPE(vrx::PatternWriteEnd)

class TestPatternTransfer : public QObject {
    Q_OBJECT

private slots:
    void writeFrames_data() {
        QTest::addColumn<int>("k");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("start pattern") << 0 << QByteArray(":01064767000348\r\n");
        QTest::newRow("max step of pattern 0") << 1 << QByteArray(":01064768000149\r\n");
        QTest::newRow("link of pattern 0") << 17 << QByteArray(":01064778000139\r\n");
        QTest::newRow("set value of step 0") << 25 << QByteArray(":0106478000FA38\r\n");
        QTest::newRow("time of step 0") << 26 << QByteArray(":01064781000A27\r\n");
        QTest::newRow("-10.0 as FF9C") << 27 << QByteArray(":01064782FF9C95\r\n");
        QTest::newRow("last register") << 152 << QByteArray(":010647FF0000B3\r\n");
    }
    void writeFrames() {
        QFETCH(int, k);
        QFETCH(QByteArray, frame);
        PatternProgram program = RampDown();
        program.StartPattern = 3;
        program.PatternSV[0][1] = -100;
        QCOMPARE(PatternWriteFrame(program, k, 1), frame);
    }

    // 153 frames to the registers 4767 to 47FF in order, each the value of its transfer index.
    void allWriteFramesInOrder() {
        const PatternProgram program = RampDown();
        for (int k = 0; k < PatternWriteFrames; ++k) {
            const QByteArray frame = PatternWriteFrame(program, k, 0x11);
            QCOMPARE(frame.first(7), ":110647");
            QCOMPARE(HexToByte(frame[7], frame[8]), 0x67 + k);
            QCOMPARE(frame.sliced(9, 4), ByteToHex(PatternWriteValue(program, k) >> 8) +
                                             ByteToHex(PatternWriteValue(program, k)));
            QCOMPARE(AsciiLrc(frame.chopped(4)), frame.sliced(13, 2));
            QCOMPARE(int(qint16(PatternWriteValue(program, k))), TransferValue(program, k));
        }
    }

    // A write is named by the cell of the table that holds its value, and by its register.
    void writePlaces_data() {
        QTest::addColumn<int>("k");
        QTest::addColumn<QString>("place");
        QTest::newRow("start") << 0 << "Start Pattern (register 4767)";
        QTest::newRow("first max step") << 1 << "Pattern 0 Step Max. (register 4768)";
        QTest::newRow("last max step") << 8 << "Pattern 7 Step Max. (register 476F)";
        QTest::newRow("first loop") << 9 << "Pattern 0 Loop Count (register 4770)";
        QTest::newRow("last link") << 24 << "Pattern 7 Link Pattern (register 477F)";
        QTest::newRow("first set value") << 25 << "Pattern 0 Set Value 0 (register 4780)";
        QTest::newRow("first time") << 26 << "Pattern 0 Execute Time 0 (register 4781)";
        QTest::newRow("pattern 1 step 0") << 41 << "Pattern 1 Set Value 0 (register 4790)";
        QTest::newRow("pattern 3 step 4 time") << 82 << "Pattern 3 Execute Time 4 (register 47B9)";
        QTest::newRow("last") << 152 << "Pattern 7 Execute Time 7 (register 47FF)";
    }
    void writePlaces() {
        QFETCH(int, k);
        QFETCH(QString, place);
        QCOMPARE(PatternWritePlace(k), place);
    }

    // One message ends a write: all values in, or which were not and why.
    void writeEndText_data() {
        QTest::addColumn<PatternWriteEnd>("end");
        QTest::addColumn<QString>("text");
        PatternWriteEnd whole;
        whole.address = 3;
        whole.written = PatternWriteFrames;
        QTest::newRow("whole") << whole << "Write finished : all 153 values written to address 3.";

        PatternWriteEnd refused = whole;
        refused.written = 151;
        refused.refused = {{25, ResultWriteRefused, 3}, {60, ResultEchoDiffers, 0}};
        QTest::newRow("refused")
            << refused
            << "Write finished : 2 of 153 values refused by the controller at address 3 !\n"
               "Pattern 0 Set Value 0 (register 4780) : refused, illegal data (exception 03)\n"
               "Pattern 2 Execute Time 1 (register 47A3) : Received data does not match";

        PatternWriteEnd unknownCode = whole;
        unknownCode.written = 152;
        unknownCode.refused = {{0, ResultWriteRefused, 0x0F}};
        QTest::newRow("unknown exception")
            << unknownCode
            << "Write finished : 1 of 153 values refused by the controller at address 3 !\n"
               "Start Pattern (register 4767) : refused, Unknown error (exception 0F)";

        PatternWriteEnd stopped = whole;
        stopped.written = 40;
        stopped.stoppedAt = 40;
        stopped.stopReason = "address 3 stopped answering (Time out)";
        QTest::newRow("stopped")
            << stopped
            << "Write not complete : 40 of 153 values written to address 3 !\n"
               "Not written from Pattern 0 Execute Time 7 (register 478F) on : address 3 stopped "
               "answering (Time out).";

        PatternWriteEnd both = stopped;
        both.written = 39;
        both.refused = {{9, ResultWriteRefused, 2}};
        both.stopReason = "the line was lost";
        QTest::newRow("stopped after a refusal")
            << both
            << "Write not complete : 39 of 153 values written to address 3 !\n"
               "Not written from Pattern 0 Execute Time 7 (register 478F) on : the line was "
               "lost.\n"
               "Pattern 0 Loop Count (register 4770) : refused, illegal address (exception 02)";

        // A controller that refuses everything: the box lists the first few.
        PatternWriteEnd all = whole;
        all.written = 0;
        QStringList lines{"Write finished : 153 of 153 values refused by the controller at "
                          "address 3 !"};
        for (int k = 0; k < PatternWriteFrames; ++k) {
            all.refused.append({k, ResultWriteRefused, 1});
            if (k < 8)
                lines << PatternWritePlace(k) + " : refused, illegal function (exception 01)";
        }
        lines << "... and 145 more.";
        QTest::newRow("every one refused") << all << lines.join('\n');
    }
    void writeEndText() {
        QFETCH(PatternWriteEnd, end);
        QFETCH(QString, text);
        QCOMPARE(PatternWriteEndText(end), text);
    }

    // How far a write got when it ends: what was taken, what was refused, and where it stopped.
    void writeEndCounts() {
        PatternWrite write(RampDown(), 7);
        write.Echoed();
        write.Refused(ResultWriteRefused, 3);
        write.Echoed();
        write.Refused(ResultEchoDiffers);
        const QList<RefusedWrite> refused{{1, ResultWriteRefused, 3}, {3, ResultEchoDiffers, 0}};
        const PatternWriteEnd stopped = write.End("the window was closed");
        QCOMPARE(stopped.address, 7);
        QCOMPARE(stopped.written, 2);
        QCOMPARE(stopped.refused, refused);
        QCOMPARE(stopped.stoppedAt, 4);
        QVERIFY(stopped.Stopped() && !stopped.Whole());
        while (!write.Done())
            write.Echoed();
        const PatternWriteEnd through = write.End();
        QCOMPARE(through.written, PatternWriteFrames - 2);
        QCOMPARE(through.refused, refused);
        QVERIFY(!through.Stopped() && !through.Whole());
    }

    // Twenty replies: start pattern, loops, highest steps, links, then sixteen blocks of four
    // steps; the gauge counts the four header reads and the 64 steps.
    void readInTwentyReplies() {
        QHash<int, quint16> registers;
        for (int r = 0x4767; r <= 0x47FF; ++r)
            registers[r] = quint16(r - 0x4700);
        registers[0x4767] = 4;
        registers[0x4780] = 0xFF9C; // -10.0
        registers[0x47FE] = 0x8000;
        registers[0x47FF] = 0xFFFF; // a time is not signed

        PatternRead read(PatternProgram{});
        QList<ReadBlock> asked;
        QList<int> gauges;
        while (const std::optional<ReadBlock> block = read.Request()) {
            QVERIFY(asked.size() < 25);
            asked << *block;
            QList<quint16> words;
            for (int r = block->first; r < block->first + block->count; ++r)
                words << registers.value(r);
            QVERIFY(read.Store(words));
            gauges << read.Gauge();
        }
        QList<ReadBlock> expected = {{0x4767, 1}, {0x4770, 8}, {0x4768, 8}, {0x4778, 8}};
        for (int j = 0; j < 64; j += 4)
            expected << ReadBlock{0x4780 + 2 * j, 8};
        QCOMPARE(asked, expected);
        QCOMPARE(gauges, (QList<int>{1,  2,  4,  5,  11, 17, 23, 29, 35, 41,
                                     47, 52, 58, 64, 70, 76, 82, 88, 94, 100}));
        QVERIFY(read.Complete());

        const PatternProgram& program = read.Program();
        QCOMPARE(program.StartPattern, 4);
        QCOMPARE(program.PatternMaxStep[0], 0x68);
        QCOMPARE(program.PatternLoop[7], 0x77);
        QCOMPARE(program.PatternLink[1], 0x79);
        QCOMPARE(program.PatternSV[0][0], -100);
        QCOMPARE(program.PatternTime[0][0], 0x81);
        QCOMPARE(program.PatternSV[3][5], 0x80 + 2 * 29);
        QCOMPARE(program.PatternSV[7][7], -32768);
        QCOMPARE(program.PatternTime[7][7], 65535);
    }

    // A reply with fewer words than asked is asked again; nothing of it is kept.
    void shortReplyIsAskedAgain() {
        PatternRead read(RampDown());
        QVERIFY(read.Store({0}));
        QVERIFY(!read.Store(QList<quint16>(7, 5)));
        QCOMPARE(read.PatternStep(), 1);
        QCOMPARE(read.Request(), (ReadBlock{0x4770, 8}));
        QCOMPARE(read.Program().PatternLoop, RampDown().PatternLoop);
    }

    // Written to a simulated controller, read back equal, then run by it.
    void simulatedControllerRunsTheProgram() {
        std::vector<sim::Controller> controllers;
        controllers.emplace_back(1);
        sim::ControllerBus bus(std::move(controllers));
        sim::Controller& controller = *bus.Find(1);

        const PatternProgram program = RampDown();
        for (int k = 0; k < PatternWriteFrames; ++k) {
            const QByteArray frame = PatternWriteFrame(program, k, 1);
            QCOMPARE(Ask(bus, frame), frame);
        }
        QCOMPARE(controller.Peek(0x4790), quint16(0xFF9C)); // pattern 1, step 0

        PatternRead read;
        int replies = 0;
        while (const std::optional<ReadBlock> block = read.Request()) {
            const ReadReply reply =
                CheckAsciiReply(Ask(bus, ReadRequest(1, block->first, block->count)), 1);
            QVERIFY(reply.isGood());
            QVERIFY(read.Store(reply.words));
            QVERIFY(++replies <= 20);
        }
        QCOMPARE(replies, 20);
        QCOMPARE(read.Program(), program);

        // Ramp Soak as the control method starts the program.
        QCOMPARE(Ask(bus, WriteRequest(1, 0x4719, 3)), WriteRequest(1, 0x4719, 3));
        struct Moment {
            int minutes;
            int pattern;
            int step;
            int setValue;
        };
        const Moment moments[] = {
            {5, 0, 0, 250},  // holding the first step's own value
            {20, 0, 1, 375}, // half way up the ramp to 50.0
            {45, 1, 0, 200}, // half way down to -10.0
        };
        int elapsed = 0;
        for (const Moment& m : moments) {
            controller.Step(60.0 * (m.minutes - elapsed));
            elapsed = m.minutes;
            QCOMPARE(controller.Peek(0x472B), quint16(1));
            QCOMPARE(int(controller.Peek(0x4766)), m.pattern);
            QCOMPARE(int(controller.Peek(0x4765)), m.step);
            QCOMPARE(int(qint16(controller.Peek(0x4701))), m.setValue);
        }
        controller.Step(60.0 * 30);
        QCOMPARE(controller.Peek(0x472B), quint16(0));
        QCOMPARE(int(qint16(controller.Peek(0x4701))), -100);
    }
};

QTEST_GUILESS_MAIN(TestPatternTransfer)
#include "tst_patterntransfer.moc"
