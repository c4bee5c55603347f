// The program on the wire: the 153 write frames in order, the 20-reply read with its gauge and
// signed set values, and a program written to a simulated controller, read back equal and run.
#include "controllerbus.h"
#include "framecodec.h"
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
