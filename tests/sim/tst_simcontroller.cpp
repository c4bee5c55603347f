// The simulated controller's answers on the wire: reads, writes and their echo, exceptions,
// unlock, write enable, broadcast, the parameter-memory walk and the two commands.
#include "controllerbus.h"
#include "framecodec.h"
#include "frames.h"

#include <QTest>

#include <set>

using namespace vrx::sim;
using namespace vrx::test;

namespace {

// Two factory-new controllers at 1 and 2.
ControllerBus TwoControllers() {
    std::vector<Controller> controllers;
    controllers.emplace_back(1);
    controllers.emplace_back(2);
    return ControllerBus(std::move(controllers));
}

// The single reply to a request frame; empty for silence.
QByteArray Ask(ControllerBus& bus, const QByteArray& request) {
    const Framing framing = request.startsWith(':') ? Framing::Ascii : Framing::Rtu;
    const std::vector<ReplyPiece> pieces = bus.Respond({framing, request});
    QByteArray reply;
    for (const ReplyPiece& p : pieces)
        reply += p.bytes;
    return reply;
}

// Words of a good ASCII read reply from station 1; fails the test otherwise.
std::vector<int> Words(const QByteArray& reply) {
    const vrx::ReadReply check = vrx::CheckAsciiReply(reply, 1);
    if (!check.isGood()) return {};
    return std::vector<int>(check.words.begin(), check.words.end());
}

int ReadOne(ControllerBus& bus, int reg) {
    const std::vector<int> words = Words(Ask(bus, AsciiRead(1, reg, 1)));
    return words.size() == 1 ? words[0] : -1;
}

// The exception code of a reply (0 when it is not an exception) for ASCII replies.
int ExceptionCode(const QByteArray& reply) {
    if (reply.size() < 9 || !(vrx::HexToByte(reply[3], reply[4]) & 0x80)) return 0;
    return vrx::HexToByte(reply[5], reply[6]);
}

QByteArray Unlock(int address = 1) {
    return AsciiWrite(address, reg::FirmwareKey, reg::UnlockCode);
}

} // namespace

class TestSimController : public QObject {
    Q_OBJECT
private slots:
    void knownFrames();
    void reads_data();
    void reads();
    void writes_data();
    void writes();
    void writeEchoesExactly_data();
    void writeEchoesExactly();
    void exceptionFrames();
    void answersOnlyItsAddress();
    void broadcastActsSilently();
    void unlockOpensOnlyTheNextRequest();
    void settingsChangedBitClearsOnceRead();
    void parameterMemoryWalk();
    void parameterMemoryFollowsWrites();
    void restoreDefaults();
    void clearPvAdjust();
    void unitChangeConvertsTemperatures();
};

void TestSimController::knownFrames() {
    // The status read of station 1 as the program sends it, in both framings, gets a read
    // reply of 7 words in the same framing.
    ControllerBus bus = TwoControllers();
    const QByteArray ascii = Ask(bus, ":01034725000789\r\n");
    QVERIFY(vrx::CheckAsciiReply(ascii, 1).isGood());
    QCOMPARE(vrx::CheckAsciiReply(ascii, 1).words.size(), 7);
    const QByteArray rtu = Ask(bus, QByteArray::fromHex("010347250007"
                                                        "0177"));
    QVERIFY(vrx::CheckRtuReply(rtu, 1).isGood());
    QCOMPARE(vrx::CheckRtuReply(rtu, 1).words, vrx::CheckAsciiReply(ascii, 1).words);
}

void TestSimController::reads_data() {
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("exception");
    QTest::newRow("process values") << 0x4700 << 4 << 0;
    QTest::newRow("status block") << 0x4725 << 7 << 0;
    QTest::newRow("settings 3") << 0x4704 << 8 << 0;
    QTest::newRow("calibration") << 0x4732 << 7 << 0;
    QTest::newRow("program status") << 0x4762 << 5 << 0;
    QTest::newRow("last pattern steps") << 0x47F8 << 8 << 0;
    QTest::newRow("count 0") << 0x4700 << 0 << 3;
    QTest::newRow("count 9") << 0x4700 << 9 << 3;
    QTest::newRow("gap after program flag") << 0x472C << 1 << 2;
    QTest::newRow("block into the gap") << 0x4728 << 8 << 2;
    QTest::newRow("restore command") << 0x474E << 1 << 2;
    QTest::newRow("past the map") << 0x47FF << 2 << 2;
    QTest::newRow("other page") << 0x0000 << 1 << 2;
}

void TestSimController::reads() {
    QFETCH(int, first);
    QFETCH(int, count);
    QFETCH(int, exception);
    ControllerBus bus = TwoControllers();
    const QByteArray reply = Ask(bus, AsciiRead(1, first, count));
    if (exception) {
        QCOMPARE(reply, AsciiException(1, 0x03, exception));
    } else {
        QCOMPARE(int(Words(reply).size()), count);
    }
}

void TestSimController::writes_data() {
    QTest::addColumn<QByteArrayList>("before");
    QTest::addColumn<int>("reg");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("exception");
    QTest::addColumn<int>("readBack"); // -1: not checked
    const QByteArrayList none;
    const QByteArray disable = AsciiWrite(1, reg::CommWriteEnable, 0);
    QTest::newRow("set value") << none << 0x4701 << 250 << 0 << 250;
    QTest::newRow("negative set value") << none << 0x4701 << 0xFF9C << 0 << 0xFF9C;
    QTest::newRow("set value above range") << none << 0x4701 << 13010 << 3 << 0;
    QTest::newRow("set value below range") << none << 0x4701 << (-2010 & 0xFFFF) << 3 << 0;
    QTest::newRow("process value read-only") << none << 0x4700 << 1 << 2 << -1;
    QTest::newRow("lamps read-only") << none << 0x4728 << 1 << 2 << -1;
    QTest::newRow("unmapped") << none << 0x4740 << 1 << 2 << -1;
    QTest::newRow("memory port") << none << 0x474C << 1 << 2 << -1;
    QTest::newRow("input type 0~50mV") << none << 0x4718 << 0x11 << 0 << 0x11;
    QTest::newRow("input type beyond list") << none << 0x4718 << 0x12 << 3 << 0;
    QTest::newRow("lock except SV") << none << 0x471E << 0x0B << 0 << 0x0B;
    QTest::newRow("lock 2") << none << 0x471E << 2 << 3 << 0;
    QTest::newRow("alarm mode 13") << none << 0x4720 << 13 << 0 << 13;
    QTest::newRow("alarm mode 14") << none << 0x4720 << 14 << 3 << 0;
    QTest::newRow("EU on a thermocouple") << none << 0x4724 << 2 << 3 << 1;
    QTest::newRow("two decimals on a thermocouple") << none << 0x4725 << 2 << 3 << 1;
    QTest::newRow("P band 0") << none << 0x470C << 0 << 3 << 476;
    QTest::newRow("wrong key") << none << 0x472A << 0x1234 << 3 << -1;
    QTest::newRow("output type locked") << none << 0x4730 << 2 << 4 << 0;
    QTest::newRow("output type unlocked") << QByteArrayList{Unlock()} << 0x4730 << 2 << 0 << 2;
    QTest::newRow("output type 6 unlocked") << QByteArrayList{Unlock()} << 0x4730 << 6 << 3 << 0;
    QTest::newRow("calibration locked") << none << 0x4733 << 5 << 4 << 0;
    QTest::newRow("calibration unlocked") << QByteArrayList{Unlock()} << 0x4733 << 5 << 0 << 5;
    QTest::newRow("writes disabled") << QByteArrayList{disable} << 0x4701 << 250 << 4 << 0;
    QTest::newRow("disabled, unlocked")
        << QByteArrayList{disable, Unlock()} << 0x4730 << 1 << 4 << 0;
    QTest::newRow("enable always allowed") << QByteArrayList{disable} << 0x4726 << 1 << 0 << 1;
    QTest::newRow("settings form of enable") << QByteArrayList{disable} << 0x4717 << 1 << 0 << 1;
    QTest::newRow("pattern link") << none << 0x4778 << 3 << 0 << 3;
    QTest::newRow("pattern link 9") << none << 0x4778 << 9 << 3 << 8;
    QTest::newRow("step time 15:00") << none << 0x4781 << 900 << 0 << 900;
    QTest::newRow("step time 15:01") << none << 0x4781 << 901 << 3 << 0;
}

void TestSimController::writes() {
    QFETCH(QByteArrayList, before);
    QFETCH(int, reg);
    QFETCH(int, value);
    QFETCH(int, exception);
    QFETCH(int, readBack);
    ControllerBus bus = TwoControllers();
    for (const QByteArray& frame : before) {
        const QByteArray reply = Ask(bus, frame);
        QVERIFY2(reply == frame || ExceptionCode(reply) == 4, reply.constData());
    }
    const QByteArray request = AsciiWrite(1, reg, value);
    const QByteArray reply = Ask(bus, request);
    if (exception) {
        QCOMPARE(reply.mid(0, 5), QByteArray(":0186"));
        QCOMPARE(ExceptionCode(reply), exception);
    } else {
        QCOMPARE(reply, request);
    }
    if (readBack >= 0) QCOMPARE(ReadOne(bus, reg), readBack); // reads need no permission
}

void TestSimController::writeEchoesExactly_data() {
    QTest::addColumn<QByteArray>("request");
    QTest::newRow("ascii set value") << QByteArray(":0106470100FAB7\r\n");
    QTest::newRow("ascii unlock") << Unlock(2);
    QTest::newRow("rtu set value") << Rtu(":0106470100FAB7\r\n");
    QTest::newRow("rtu negative") << Rtu(AsciiWrite(2, 0x4701, -100));
}

void TestSimController::writeEchoesExactly() {
    QFETCH(QByteArray, request);
    ControllerBus bus = TwoControllers();
    QCOMPARE(Ask(bus, request), request);
}

void TestSimController::exceptionFrames() {
    // A refused write in both framings, checked against frames worked out by hand:
    // LRC of 01 86 04 is 0x75; CRC-16 of 01 86 04 is 0xA343 (low byte first on the wire).
    ControllerBus bus = TwoControllers();
    QCOMPARE(Ask(bus, AsciiWrite(1, 0x4730, 1)), QByteArray(":01860475\r\n"));
    QCOMPARE(Ask(bus, Rtu(AsciiWrite(1, 0x4730, 1))), QByteArray::fromHex("01860443A3"));
    // An unknown function gets exception 01 with the function's top bit set.
    QCOMPARE(Ask(bus, AsciiFrame(1, 0x10, Hex4(0x4701) + Hex4(1))), QByteArray(":0190016E\r\n"));
}

void TestSimController::answersOnlyItsAddress() {
    ControllerBus bus = TwoControllers();
    QVERIFY(Ask(bus, AsciiRead(3, 0x4700, 4)).isEmpty());
    QVERIFY(Ask(bus, AsciiWrite(3, 0x4701, 100)).isEmpty());
    QVERIFY(vrx::CheckAsciiReply(Ask(bus, AsciiRead(2, 0x4700, 4)), 2).isGood());
    // A damaged request is not answered either.
    QByteArray damaged = AsciiRead(1, 0x4700, 4);
    damaged[damaged.size() - 3] = damaged[damaged.size() - 3] == '0' ? '1' : '0';
    QVERIFY(Ask(bus, damaged).isEmpty());
}

void TestSimController::broadcastActsSilently() {
    ControllerBus bus = TwoControllers();
    QVERIFY(Ask(bus, AsciiWrite(0, 0x4701, 333)).isEmpty());
    QVERIFY(Ask(bus, Rtu(AsciiWrite(0, 0x470D, 123))).isEmpty());
    QVERIFY(Ask(bus, AsciiRead(0, 0x4700, 4)).isEmpty());
    for (int address : {1, 2}) {
        QCOMPARE(int(bus.Find(address)->Peek(0x4701)), 333);
        QCOMPARE(int(bus.Find(address)->Peek(0x470D)), 123);
    }
}

void TestSimController::unlockOpensOnlyTheNextRequest() {
    ControllerBus bus = TwoControllers();
    QCOMPARE(Ask(bus, Unlock()), Unlock());
    QVERIFY(!Ask(bus, AsciiRead(1, 0x4700, 4)).isEmpty()); // a poll in between
    QCOMPARE(ExceptionCode(Ask(bus, AsciiWrite(1, 0x4731, 1))), 4);
    QCOMPARE(Ask(bus, Unlock()), Unlock());
    QCOMPARE(Ask(bus, AsciiWrite(1, 0x4731, 1)), AsciiWrite(1, 0x4731, 1));
    QCOMPARE(ExceptionCode(Ask(bus, AsciiWrite(1, 0x4731, 2))), 4); // used up
    // Another station's key does not open this one.
    QCOMPARE(Ask(bus, Unlock(2)), Unlock(2));
    QCOMPARE(ExceptionCode(Ask(bus, AsciiWrite(1, 0x4731, 2))), 4);
}

void TestSimController::settingsChangedBitClearsOnceRead() {
    ControllerBus bus = TwoControllers();
    QCOMPARE(ReadOne(bus, 0x4729) & 1, 1);
    Ask(bus, AsciiWrite(1, 0x470D, 100));
    QCOMPARE(Words(Ask(bus, AsciiRead(1, 0x4725, 7)))[4] & 1, 0);
    QCOMPARE(ReadOne(bus, 0x4729) & 1, 1);
    // A refused write changes nothing.
    Ask(bus, AsciiWrite(1, 0x470D, 10000));
    QCOMPARE(ReadOne(bus, 0x4729) & 1, 1);
}

void TestSimController::parameterMemoryWalk() {
    ControllerBus bus = TwoControllers();
    // Settings that differ from one another, so a position mix-up shows.
    for (const auto& [reg, value] : std::initializer_list<std::pair<int, int>>{{0x4701, 0x0123},
                                                                               {0x4704, 0x1234},
                                                                               {0x4705, 0xFF38},
                                                                               {0x4706, 0x0A0B},
                                                                               {0x470B, 0x0C0D},
                                                                               {0x470C, 0x0203},
                                                                               {0x4711, 0x0405},
                                                                               {0x4712, 0xFFF6},
                                                                               {0x4716, 0x0042},
                                                                               {0x4718, 5},
                                                                               {0x4719, 1},
                                                                               {0x471A, 2},
                                                                               {0x471B, 7},
                                                                               {0x471C, 9},
                                                                               {0x471D, 0x0011},
                                                                               {0x471E, 0x0B},
                                                                               {0x471F, 3},
                                                                               {0x4722, 12}}) {
        const QByteArray request = AsciiWrite(1, reg, value);
        QCOMPARE(Ask(bus, request), request);
    }
    // Start the walk anywhere: three reads first, then 32 must still cover every position.
    for (int i = 0; i < 3; ++i)
        Ask(bus, AsciiRead(1, 0x474C, 8));
    std::array<int, 256> image;
    image.fill(-1);
    for (int i = 0; i < 32; ++i) {
        const std::vector<int> words = Words(Ask(bus, AsciiRead(1, 0x474C, 8)));
        QCOMPARE(int(words.size()), 8);
        for (int w : words) {
            QCOMPARE(image[w >> 8], -1); // each position once
            image[w >> 8] = w & 0xFF;
        }
    }
    for (const MemorySlot& slot : MemorySlots()) {
        const int value = ReadOne(bus, slot.address);
        if (slot.word) {
            QCOMPARE(image[slot.position] << 8 | image[slot.position + 1], value);
        } else if (slot.position == 12) {
            QCOMPARE(image[slot.position] & 0x7F, value);
        } else {
            QCOMPARE(image[slot.position], value & 0xFF);
        }
    }
    QCOMPARE(image[24] << 8 | image[25], 0x0123);
    QCOMPARE(image[42] << 8 | image[43], 0xFFF6);
    QCOMPARE(image[13], 0x0B);
    QCOMPARE(image[50], 0x11);
}

void TestSimController::parameterMemoryFollowsWrites() {
    // Writing back what was read, in the program's order, leaves the memory as it was: the
    // image and the registers agree both ways.
    ControllerBus bus = TwoControllers();
    Controller& source = *bus.Find(1);
    source.Set(0x4701, 777);
    source.Set(0x470D, 321);
    source.Set(0x4720, 5);
    const ParameterImage image = source.ParameterMemory();
    for (const MemorySlot& slot : MemorySlots()) {
        int value =
            slot.word ? image[slot.position] << 8 | image[slot.position + 1] : image[slot.position];
        if (slot.position == 12) value &= 0x7F;
        const QByteArray request = AsciiWrite(2, slot.address, value);
        QCOMPARE(Ask(bus, request), request);
    }
    const ParameterImage copy = bus.Find(2)->ParameterMemory();
    for (int position = 0; position < 52; ++position)
        QCOMPARE(copy[position], image[position]);
}

void TestSimController::restoreDefaults() {
    ControllerBus bus = TwoControllers();
    Ask(bus, AsciiWrite(1, 0x4701, 500));
    Ask(bus, AsciiWrite(1, 0x470C, 100));
    Ask(bus, Unlock());
    Ask(bus, AsciiWrite(1, 0x4732, 7));
    // Without the key, or with another value, nothing happens.
    QCOMPARE(ExceptionCode(Ask(bus, AsciiWrite(1, 0x474E, 0x7E5B))), 4);
    Ask(bus, Unlock());
    QCOMPARE(ExceptionCode(Ask(bus, AsciiWrite(1, 0x474E, 0x0001))), 3);
    QCOMPARE(ReadOne(bus, 0x4701), 500);

    Ask(bus, Unlock());
    const QByteArray restore = AsciiWrite(1, 0x474E, 0x7E5B);
    QCOMPARE(Ask(bus, restore), restore);
    const auto factory = Controller::FactorySettings();
    for (int reg = 0x4701; reg <= 0x4727; ++reg) {
        if (reg == 0x4702 || reg == 0x4703) continue; // outputs, not settings
        QCOMPARE(ReadOne(bus, reg), int(factory[reg - 0x4700]));
    }
    QCOMPARE(ReadOne(bus, 0x4732), 7); // calibration stays; 0x474F clears it
    QCOMPARE(ReadOne(bus, 0x4726), 1); // the master keeps its access
}

void TestSimController::clearPvAdjust() {
    ControllerBus bus = TwoControllers();
    Ask(bus, AsciiWrite(1, 0x471D, 25));
    for (int reg = 0x4732; reg <= 0x4738; ++reg) {
        Ask(bus, Unlock());
        QCOMPARE(Ask(bus, AsciiWrite(1, reg, reg & 0x0F)), AsciiWrite(1, reg, reg & 0x0F));
    }
    const int before = ReadOne(bus, 0x4700);
    Ask(bus, Unlock());
    QCOMPARE(Ask(bus, AsciiWrite(1, 0x474F, 0x7E5B)), AsciiWrite(1, 0x474F, 0x7E5B));
    QCOMPARE(ReadOne(bus, 0x471D), 0);
    for (int reg = 0x4732; reg <= 0x4738; ++reg)
        QCOMPARE(ReadOne(bus, reg), 0);
    // The offsets were in the process value; it drops by them (2.5 + TC 0.4 + cold 0.6).
    QCOMPARE(before - ReadOne(bus, 0x4700), 25 + 4 + 6);
}

void TestSimController::unitChangeConvertsTemperatures() {
    ControllerBus bus = TwoControllers();
    Ask(bus, AsciiWrite(1, 0x4701, 1000)); // 100.0 °C
    QCOMPARE(Words(Ask(bus, AsciiRead(1, 0x4728, 1)))[0] & 0x0C, 0x04);
    Ask(bus, AsciiWrite(1, 0x4724, 0));
    QCOMPARE(ReadOne(bus, 0x4701), 2120); // 212.0 °F
    QCOMPARE(ReadOne(bus, 0x4700), 770);  // 25 °C ambient
    QCOMPARE(Words(Ask(bus, AsciiRead(1, 0x4728, 1)))[0] & 0x0C, 0x08);
}

QTEST_GUILESS_MAIN(TestSimController)
#include "tst_simcontroller.moc"
