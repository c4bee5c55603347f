// The in-process simulated line: replies through the event loop in chunks, pinned framing and
// line settings, injected faults, the options and the factory that VRX_COMn=sim uses. Time is a
// manual clock: each test runs simulated seconds in milliseconds of its own.
#include "demo.h"
#include "framecodec.h"
#include "frames.h"
#include "manualtime.h"
#include "simulatedline.h"

#include <QSignalSpy>
#include <QTest>

#include <set>

using namespace vrx::sim;
using namespace vrx::test;

namespace {

constexpr int WaitMs = 5000; // line time within which replies that must come have come

vrx::LineSettings Line(int baud = 9600, int dataBits = 8, vrx::Parity parity = vrx::Parity::None) {
    vrx::LineSettings s;
    s.baud = baud;
    s.dataBits = dataBits;
    s.parity = parity;
    s.stopBits = 1;
    return s;
}

// A line over two factory-new controllers at 1 and 2.
std::unique_ptr<SimulatedLine> OpenLine(const QString& options = "preset=factory:addresses=1,2",
                                        const vrx::LineSettings& settings = Line()) {
    auto line = std::make_unique<SimulatedLine>(options);
    QString error;
    if (!line->Open(settings, &error)) qWarning("open: %s", qPrintable(error));
    return line;
}

// Collects everything the line delivers.
struct Collector {
    explicit Collector(SimulatedLine* line) : spy(line, &vrx::LineDevice::readyRead) {
        QObject::connect(line, &vrx::LineDevice::readyRead, line,
                         [this, line] { bytes += line->ReadAll(); });
    }
    QSignalSpy spy;
    QByteArray bytes;
};

} // namespace

class TestSimLine : public QObject {
    Q_OBJECT

    std::unique_ptr<vrx::test::ManualTime> clock;
    // Lets line time pass, with everything it delivers on the way.
    void Settle(int ms = WaitMs) { clock->Run(ms); }

private slots:
    void init() { clock = std::make_unique<vrx::test::ManualTime>(); }
    void cleanup() { clock.reset(); }
    void repliesComeThroughTheEventLoopInChunks_data();
    void repliesComeThroughTheEventLoopInChunks();
    void pinnedSettingsGiveSilence_data();
    void pinnedSettingsGiveSilence();
    void otherStopBitsGarbleTheReply_data();
    void otherStopBitsGarbleTheReply();
    void faults_data();
    void faults();
    void countedFaultIsUsedUp();
    void delayedReply();
    void repliesArePacedByTheCharacter_data();
    void repliesArePacedByTheCharacter();
    void closeDropsPendingReplies();
    void options_data();
    void options();
    void optionValuesAreNumbers_data();
    void optionValuesAreNumbers();
    void factoryBuildsTheDemoLine();
};

void TestSimLine::repliesComeThroughTheEventLoopInChunks_data() {
    QTest::addColumn<QByteArray>("request");
    QTest::newRow("ascii read") << AsciiRead(1, 0x4725, 7);
    QTest::newRow("rtu read") << Rtu(AsciiRead(1, 0x4725, 7));
    QTest::newRow("ascii write") << AsciiWrite(2, 0x4701, 300);
    QTest::newRow("rtu write") << Rtu(AsciiWrite(2, 0x4701, 300));
}

void TestSimLine::repliesComeThroughTheEventLoopInChunks() {
    QFETCH(QByteArray, request);
    auto line = OpenLine();
    Collector got(line.get());
    QVERIFY(line->Write(request));
    // Nothing arrives from inside Write().
    QCOMPARE(got.spy.count(), 0);
    QVERIFY(line->ReadAll().isEmpty());

    ControllerBus reference(
        MakeControllers(*ParseLineOptions("preset=factory:addresses=1,2", nullptr)));
    const bool ascii = request.startsWith(':');
    QByteArray expected;
    for (const ReplyPiece& p : reference.Respond({ascii ? Framing::Ascii : Framing::Rtu, request}))
        expected += p.bytes;
    Settle();
    QCOMPARE(got.bytes.size(), expected.size());
    if (request.at(ascii ? 4 : 1) == (ascii ? '3' : '\x03')) {
        // Reads: same words as the reference (the process value may move a little between).
        QVERIFY(ascii ? vrx::CheckAsciiReply(got.bytes, 1).isGood()
                      : vrx::CheckRtuReply(got.bytes, 1).isGood());
    } else {
        QCOMPARE(got.bytes, request);
    }
    // One notification per chunk of at most 8 bytes.
    QCOMPARE(got.spy.count(),
             int((expected.size() + SimulatedLine::ChunkBytes - 1) / SimulatedLine::ChunkBytes));
}

void TestSimLine::otherStopBitsGarbleTheReply_data() {
    QTest::addColumn<bool>("rtu");
    QTest::newRow("ascii") << false;
    QTest::newRow("rtu") << true;
}

void TestSimLine::otherStopBitsGarbleTheReply() {
    // The speed, data bits and parity fit, the stop bits do not: the controller hears the
    // request, its reply comes as bytes that make no frame, one for each of the reply's.
    QFETCH(bool, rtu);
    vrx::LineSettings master = Line(9600, 8, vrx::Parity::None);
    auto line = OpenLine("preset=factory:addresses=1:format=8N2", master);
    Collector got(line.get());
    const QByteArray request = AsciiRead(1, 0x4700, 1);
    line->Write(rtu ? Rtu(request) : request);
    Settle();
    const int replyBytes = rtu ? 7 : 15;
    QCOMPARE(got.bytes.size(), replyBytes);
    QVERIFY(!got.bytes.contains(':'));
    const vrx::ReadReply judged =
        rtu ? vrx::CheckRtuReply(got.bytes, 1) : vrx::CheckAsciiReply(got.bytes, 1);
    QCOMPARE(judged.status, vrx::ReplyStatus::NotAddressed);

    // At its own stop bits the same request is answered.
    master.stopBits = 2;
    QString error;
    QVERIFY(line->Apply(master, &error));
    got.bytes.clear();
    line->Write(rtu ? Rtu(request) : request);
    Settle();
    QVERIFY(rtu ? vrx::CheckRtuReply(got.bytes, 1).isGood()
                : vrx::CheckAsciiReply(got.bytes, 1).isGood());
}

void TestSimLine::pinnedSettingsGiveSilence_data() {
    QTest::addColumn<QString>("options");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("baud");
    QTest::addColumn<bool>("wrongInRtu"); // the request that must go unanswered is RTU
    QTest::newRow("pinned ascii, rtu request") << "mode=ascii" << 8 << 9600 << true;
    QTest::newRow("pinned rtu, ascii request") << "mode=rtu" << 8 << 9600 << false;
    QTest::newRow("rtu on a 7-bit line") << "mode=auto" << 7 << 9600 << true;
    QTest::newRow("pinned baud") << "baud=19200" << 8 << 9600 << true;
    QTest::newRow("pinned format") << "format=7E1" << 8 << 9600 << false;
}

void TestSimLine::pinnedSettingsGiveSilence() {
    QFETCH(QString, options);
    QFETCH(int, dataBits);
    QFETCH(int, baud);
    QFETCH(bool, wrongInRtu);
    auto line = OpenLine("preset=factory:addresses=1:" + options, Line(baud, dataBits));
    Collector got(line.get());
    const QByteArray unheard = AsciiRead(1, 0x4700, 1);
    line->Write(wrongInRtu ? Rtu(unheard) : unheard);
    Settle();
    QVERIFY(!line->Receiving()); // the first frame's silence

    // Silence shows in what comes next: replies keep their order, so the reply to a request
    // the line does understand must be all that arrives.
    const QByteArray heard = AsciiRead(1, 0x4701, 1);
    const QByteArray reply = AsciiWordsReply(1, {0});
    if (options.startsWith("baud") || options.startsWith("format")) {
        QString error;
        QVERIFY(line->Apply(
            options.startsWith("baud") ? Line(19200) : Line(9600, 7, vrx::Parity::Even), &error));
        line->Write(heard);
        Settle();
        QCOMPARE(got.bytes, reply);
    } else if (wrongInRtu) {
        line->Write(heard);
        Settle();
        QCOMPARE(got.bytes, reply);
    } else {
        line->Write(Rtu(heard));
        Settle();
        QCOMPARE(got.bytes, Rtu(reply));
    }
}

void TestSimLine::faults_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("rtu");
    for (bool rtu : {false, true}) {
        const char* f = rtu ? " rtu" : " ascii";
        QTest::newRow(QByteArray("no answer") + f) << int(FaultKind::NoAnswer) << rtu;
        QTest::newRow(QByteArray("bad checksum") + f) << int(FaultKind::BadChecksum) << rtu;
        QTest::newRow(QByteArray("wrong address") + f) << int(FaultKind::WrongAddress) << rtu;
        QTest::newRow(QByteArray("exception") + f) << int(FaultKind::Exception) << rtu;
        QTest::newRow(QByteArray("split") + f) << int(FaultKind::Split) << rtu;
        QTest::newRow(QByteArray("stray bytes") + f) << int(FaultKind::StrayBytes) << rtu;
    }
}

void TestSimLine::faults() {
    QFETCH(int, kind);
    QFETCH(bool, rtu);
    auto line = OpenLine();
    Collector got(line.get());
    Fault fault;
    fault.kind = FaultKind(kind);
    fault.address = 1;
    fault.times = 1;
    fault.exceptionCode = 2;
    fault.pieces = 3;
    fault.gapMs = 20;
    line->InjectFault(fault);
    const QByteArray ascii = AsciiWrite(1, 0x4701, 300);
    const QByteArray request = Framed(ascii, rtu);
    line->Write(request);

    if (fault.kind == FaultKind::NoAnswer) {
        // Not heard at all: the write did not happen, and station 2 still answers.
        Settle();
        QVERIFY(!line->Receiving());
        line->Write(Framed(AsciiRead(2, 0x4701, 1), rtu));
        Settle();
        QVERIFY(got.bytes.size() >= (rtu ? 7 : 15));
        QCOMPARE(got.bytes.at(rtu ? 0 : 2), rtu ? '\x02' : '2');
        QCOMPARE(int(line->ControllerAt(1)->Peek(0x4701)), 0);
        return;
    }
    const int normal = request.size();
    switch (fault.kind) {
    case FaultKind::BadChecksum:
        Settle();
        QCOMPARE(got.bytes.size(), normal);
        QVERIFY(got.bytes != request);
        QCOMPARE(got.bytes.left(normal - (rtu ? 2 : 4)), request.left(normal - (rtu ? 2 : 4)));
        break;
    case FaultKind::WrongAddress: {
        Settle();
        QCOMPARE(got.bytes.size(), normal);
        const QByteArray asStation2 = AsciiWrite(2, 0x4701, 300);
        QCOMPARE(got.bytes, Framed(asStation2, rtu));
        break;
    }
    case FaultKind::Exception: {
        const QByteArray expected = AsciiException(1, 0x06, 2);
        Settle();
        QCOMPARE(got.bytes, Framed(expected, rtu));
        QCOMPARE(int(line->ControllerAt(1)->Peek(0x4701)), 0); // refused, not done
        break;
    }
    case FaultKind::Split:
        Settle();
        QCOMPARE(got.bytes, request);
        QVERIFY(got.spy.count() >= 3);
        break;
    case FaultKind::StrayBytes:
        Settle();
        QCOMPARE(got.bytes, request + fault.stray);
        break;
    default:
        QFAIL("unexpected kind");
    }
}

void TestSimLine::countedFaultIsUsedUp() {
    auto line = OpenLine();
    Collector got(line.get());
    line->InjectFault(Fault{.kind = FaultKind::BadChecksum, .address = 0, .times = 1});
    const QByteArray request = AsciiWrite(2, 0x4701, 55);
    line->Write(request);
    Settle();
    QCOMPARE(got.bytes.size(), request.size());
    QVERIFY(got.bytes != request);
    got.bytes.clear();
    line->Write(request);
    Settle();
    QCOMPARE(got.bytes, request);
}

void TestSimLine::delayedReply() {
    auto line = OpenLine();
    Collector got(line.get());
    line->InjectFault(Fault{.kind = FaultKind::Delay, .times = 1, .delayMs = 300});
    const QByteArray request = AsciiWrite(1, 0x4701, 55);
    line->Write(request);
    // Nothing of it within the delay; all of it after.
    Settle(300);
    QVERIFY(got.bytes.isEmpty());
    Settle();
    QCOMPARE(got.bytes, request);
}

void TestSimLine::repliesArePacedByTheCharacter_data() {
    QTest::addColumn<int>("baud");
    QTest::addColumn<bool>("rtu");
    QTest::newRow("rtu 38400") << 38400 << true;
    QTest::newRow("rtu 9600") << 9600 << true;
    QTest::newRow("ascii 9600") << 9600 << false;
}

void TestSimLine::repliesArePacedByTheCharacter() {
    QFETCH(int, baud);
    QFETCH(bool, rtu);
    auto line = OpenLine("preset=factory:addresses=1:turnaround=0", Line(baud));
    qint64 lastByteMicros = -1;
    QByteArray reply;
    QObject::connect(line.get(), &vrx::LineDevice::readyRead, line.get(), [&] {
        reply += line->ReadAll();
        lastByteMicros = clock->Micros();
    });
    const QByteArray ascii = AsciiRead(1, 0x4725, 7);
    const QByteArray request = Framed(ascii, rtu);
    const qint64 sent = clock->Micros();
    line->Write(request);
    Settle();
    const qint64 c = line->CharacterMicros();
    // The request crosses the line once; an RTU request is whole after 3.5 characters of
    // silence. The reply's last byte comes when its last character has crossed, to the
    // microsecond, so pacing at 38400 baud is not lost to whole milliseconds.
    QCOMPARE(reply.size(), rtu ? 19 : 39);
    const qint64 expected =
        (rtu ? (request.size() * 2 + 7) * c / 2 : request.size() * c) + reply.size() * c;
    QCOMPARE(lastByteMicros - sent, expected);
}

void TestSimLine::closeDropsPendingReplies() {
    auto line = OpenLine();
    Collector got(line.get());
    line->InjectFault(Fault{.kind = FaultKind::Delay, .times = 1, .delayMs = 100});
    line->Write(AsciiRead(1, 0x4700, 4));
    line->Close();
    QVERIFY(!line->Write(AsciiRead(1, 0x4700, 4)));
    QString error;
    QVERIFY(line->Open(Line(), &error));
    const QByteArray request = AsciiWrite(1, 0x4701, 55);
    line->Write(request);
    Settle();
    QCOMPARE(got.bytes, request); // and nothing of the closed exchange
}

void TestSimLine::options_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("addresses");
    QTest::addColumn<double>("speed");
    QTest::newRow("plain sim") << "" << true << "1,2,3,4" << 5.0;
    QTest::newRow("list and range") << "addresses=7,1-3" << true << "7,1,2,3" << 5.0;
    QTest::newRow("factory runs in real time") << "preset=factory" << true << "1,2,3,4" << 1.0;
    QTest::newRow("everything")
        << "addresses=5:mode=rtu:speed=2.5:baud=19200:format=8E1:turnaround=3:fault=split,"
           "delay:delay=100:pieces=2:gap=5:faultaddress=5:code=3"
        << true << "5" << 2.5;
    QTest::newRow("nine stations") << "addresses=1-9" << false << "" << 0.0;
    QTest::newRow("address 0") << "addresses=0" << false << "" << 0.0;
    QTest::newRow("unknown key") << "colour=blue" << false << "" << 0.0;
    QTest::newRow("bad mode") << "mode=binary" << false << "" << 0.0;
    QTest::newRow("bad fault") << "fault=fire" << false << "" << 0.0;
    QTest::newRow("no value") << "rtu" << false << "" << 0.0;
    QTest::newRow("bad format") << "format=9N1" << false << "" << 0.0;
}

void TestSimLine::options() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(QString, addresses);
    QFETCH(double, speed);
    QString error;
    const std::optional<LineOptions> options = ParseLineOptions(text, &error);
    QCOMPARE(options.has_value(), valid);
    if (!valid) {
        QVERIFY(!error.isEmpty());
        // A line with such options refuses to open and says why.
        SimulatedLine line(text);
        QString reason;
        QVERIFY(!line.Open(Line(), &reason));
        QCOMPARE(reason, error);
        return;
    }
    QStringList list;
    for (int a : options->addresses)
        list << QString::number(a);
    QCOMPARE(list.join(','), addresses);
    QCOMPARE(options->speed, speed);
}

// Values that read as numbers yet are none a line can run with: refused, naming the option.
void TestSimLine::optionValuesAreNumbers_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error");
    const QString speed = "simulated line: speed '%1': above 0, at most 1000";
    for (const char* value : {"nan", "NaN", "-nan", "inf", "-inf", "infinity", "-1", "0", "-0",
                              "1001", "1e309", "0x10", ""})
        QTest::newRow(qPrintable("speed=" + QString::fromLatin1(value)))
            << "speed=" + QString::fromLatin1(value) << speed.arg(QString::fromLatin1(value));
    QTest::newRow("baud=nan") << "baud=nan"
                              << "simulated line: baud 'nan'";
    QTest::newRow("turnaround=-5") << "turnaround=-5"
                                   << "simulated line: turnaround '-5'";
    QTest::newRow("delay=1e3") << "delay=1e3"
                               << "simulated line: delay '1e3'";
    QTest::newRow("gap=inf") << "gap=inf"
                             << "simulated line: gap 'inf'";
}

void TestSimLine::optionValuesAreNumbers() {
    QFETCH(QString, text);
    QFETCH(QString, error);
    QString reason;
    const std::optional<LineOptions> options = ParseLineOptions(text, &reason);
    QVERIFY2(!options, qPrintable(QString::number(options ? options->speed : 0.0)));
    QCOMPARE(reason, error);
}

void TestSimLine::factoryBuildsTheDemoLine() {
    InstallSimulatedLine();
    const vrx::SimulatedLineFactory& factory = vrx::InstalledSimulatedLineFactory();
    QVERIFY(factory);
    QObject owner;
    std::unique_ptr<vrx::LineDevice> device = factory(QString(), &owner);
    auto* line = qobject_cast<SimulatedLine*>(device.get());
    QVERIFY(line);
    // Four controllers at 1 to 4 with different input types, one running a program.
    std::set<int> inputTypes;
    int running = 0;
    for (int address = 1; address <= 4; ++address) {
        Controller* c = line->ControllerAt(address);
        QVERIFY(c);
        inputTypes.insert(c->Peek(0x4718));
        running += c->Peek(0x472B);
    }
    QCOMPARE(int(inputTypes.size()), 4);
    QCOMPARE(running, 1);
    QVERIFY(!line->ControllerAt(5));

    // Another window's line with the same options sees the same controllers.
    std::unique_ptr<vrx::LineDevice> second = factory(QString(), &owner);
    QCOMPARE(qobject_cast<SimulatedLine*>(second.get())->ControllerAt(1), line->ControllerAt(1));
    std::unique_ptr<vrx::LineDevice> other = factory("addresses=1", &owner);
    QVERIFY(qobject_cast<SimulatedLine*>(other.get())->ControllerAt(1) != line->ControllerAt(1));

    // And it talks.
    QString error;
    QVERIFY(line->Open(Line(9600, 7, vrx::Parity::Even), &error));
    Collector got(line);
    line->Write(AsciiRead(3, 0x4762, 5));
    Settle();
    QVERIFY(got.bytes.endsWith("\r\n"));
    QVERIFY(vrx::CheckAsciiReply(got.bytes, 3).isGood());
    device.reset();
    second.reset();
    other.reset();
}

QTEST_GUILESS_MAIN(TestSimLine)
#include "tst_simline.moc"
