// Scans of the in-process simulated line at speeds and formats the scan is not told, on a manual
// clock: what is found and how fast, what goes on the line, Cancel, a line held by another tool.
#include "errors.h"
#include "framedecode.h"
#include "lineowner.h"
#include "manualtime.h"
#include "scanrunner.h"
#include "simulatedline.h"
#include "traffic.h"

#include <QSignalSpy>
#include <QTest>

using namespace vrx;
using namespace vrx::scan;

namespace {

// Longer than any scan of these tests takes in line time.
constexpr qint64 LongestScanMs = 30 * 60 * 1000;

QString FindingText(const Finding& f) {
    return QStringLiteral("%1 %2 %3")
        .arg(f.address)
        .arg(LineSettingsText(f.settings), f.kind == DeviceKind::Vrx ? "vrx" : "modbus");
}

} // namespace

class TestScanRunner : public QObject {
    Q_OBJECT

    std::unique_ptr<vrx::test::ManualTime> clock;
    std::unique_ptr<LineOwner> owner;
    std::unique_ptr<ScanRunner> runner;

    void Use(const QByteArray& options) {
        qputenv("VRX_COM1", options);
        owner = std::make_unique<LineOwner>();
        runner = std::make_unique<ScanRunner>(*owner);
    }
    // Runs the line until the scan ends; the simulated microseconds it took.
    qint64 RunToEnd() {
        const qint64 start = clock->Micros();
        qint64 end = -1;
        const auto ended =
            connect(runner.get(), &ScanRunner::finished, this, [&] { end = clock->Micros(); });
        for (qint64 ms = 0; runner->Running() && ms < LongestScanMs; ms += 1000)
            clock->Run(1000);
        disconnect(ended);
        return end - start;
    }

private slots:
    void initTestCase() { sim::InstallSimulatedLine(); }
    void init() {
        clock = std::make_unique<vrx::test::ManualTime>();
        TrafficFeed::Instance().Clear();
    }
    void cleanup() {
        runner.reset();
        owner.reset();
        clock.reset();
    }
    void findsControllers_data();
    void findsControllers();
    void bytesOfNoFrameAreSaidOncePerSpeed();
    void onlyReadsNamedAddresses();
    void cancelStopsAtOnceAndRestoresTheLine();
    void lineHeldByAnotherToolIsRefused();
};

void TestScanRunner::findsControllers_data() {
    QTest::addColumn<QByteArray>("options");
    QTest::addColumn<QString>("addresses");
    QTest::addColumn<bool>("allSettings");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<qint64>("foundWithinMs"); // the first finding

    QTest::newRow("default settings")
        << QByteArray("sim:addresses=2,5:baud=9600:format=7E1:mode=ascii") << "" << false
        << QStringList{"2 9600 7E1 ASCII vrx", "5 9600 7E1 ASCII vrx"} << qint64(3000);
    QTest::newRow("rtu 19200 8E1, one beyond the common addresses")
        << QByteArray("sim:addresses=3,40:baud=19200:format=8E1:mode=rtu") << "1-60" << false
        << QStringList{"3 19200 8E1 RTU vrx", "40 19200 8E1 RTU vrx"} << qint64(90000);
    QTest::newRow("slow and rare")
        << QByteArray("sim:addresses=16:baud=2400:format=7N1:mode=ascii") << "1-20" << false
        << QStringList{"16 2400 7N1 ASCII vrx"} << qint64(90000);
    // After the common addresses at every setting, two stop bits too.
    QTest::newRow("only beyond the common addresses")
        << QByteArray("sim:addresses=17:baud=38400:format=8N1:mode=rtu") << "1-17" << false
        << QStringList{"17 38400 8N1 RTU vrx"} << qint64(140000);
    // Bytes of no frame at one stop bit bring two forward at that speed.
    QTest::newRow("two stop bits")
        << QByteArray("sim:addresses=9:baud=19200:format=8N2:mode=rtu") << "1-20" << false
        << QStringList{"9 19200 8N2 RTU vrx"} << qint64(10000);
    QTest::newRow("a device that answers with exceptions")
        << QByteArray("sim:addresses=7:baud=9600:format=8N1:mode=rtu:fault=exception:code=2")
        << "1-10" << false << QStringList{"7 9600 8N1 RTU modbus"} << qint64(3000);
    // A controller that follows the master's framing answers at both.
    QTest::newRow("all settings") << QByteArray("sim:addresses=4:baud=4800:format=8N1") << "3-4"
                                  << true
                                  << QStringList{"4 4800 8N1 RTU vrx", "4 4800 8N1 ASCII vrx"}
                                  << qint64(90000);
}

void TestScanRunner::findsControllers() {
    QFETCH(QByteArray, options);
    QFETCH(QString, addresses);
    QFETCH(bool, allSettings);
    QFETCH(QStringList, expected);
    QFETCH(qint64, foundWithinMs);
    Use(options);
    ScanChoices choices;
    if (!addresses.isEmpty()) choices.addresses = *ParseAddressList(addresses, nullptr);
    choices.allSettings = allSettings;
    qint64 firstFoundMs = -1;
    const qint64 startMicros = clock->Micros();
    connect(runner.get(), &ScanRunner::found, this, [&] {
        if (firstFoundMs < 0) firstFoundMs = (clock->Micros() - startMicros) / 1000;
    });
    QSignalSpy finished(runner.get(), &ScanRunner::finished);
    runner->Start(1, choices);
    const qint64 tookMicros = RunToEnd();
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished[0][0].value<ScanEnd>(), ScanEnd::Completed);
    QStringList found;
    for (const Finding& f : runner->Findings())
        found << FindingText(f);
    QCOMPARE(found, expected);
    QVERIFY2(firstFoundMs >= 0 && firstFoundMs < foundWithinMs,
             qPrintable(QString::number(firstFoundMs)));
    // The scan's own time adds nothing to its tries' line time and time-outs that one could see.
    QVERIFY2(
        tookMicros <= runner->BudgetMicros() * 105 / 100,
        qPrintable(QStringLiteral("%1 us for %2 us").arg(tookMicros).arg(runner->BudgetMicros())));
    for (const Finding& f : runner->Findings()) {
        if (f.kind != DeviceKind::Vrx) continue;
        QCOMPARE(f.firmware, QStringLiteral("1.12"));
        QVERIFY(f.pv);
        QVERIFY(f.inputType >= 0);
    }
    QVERIFY(!owner->Port().Open());
}

void TestScanRunner::bytesOfNoFrameAreSaidOncePerSpeed() {
    // A controller whose every reply has a broken check: something is there, nothing is found.
    Use("sim:addresses=5:baud=9600:format=8N1:mode=rtu:fault=badcheck");
    ScanChoices choices;
    choices.addresses = {4, 5, 6};
    choices.framings = {Framing::Rtu};
    choices.speeds = {9600, 19200};
    QSignalSpy noise(runner.get(), &ScanRunner::noise);
    runner->Start(1, choices);
    RunToEnd();
    QVERIFY(runner->Findings().empty());
    QCOMPARE(noise.size(), 1);
    QCOMPARE(LineSettingsText(noise[0][0].value<LineSettings>()), QStringLiteral("9600 8N1 RTU"));
    QCOMPARE(runner->Noisy().size(), 1u);
}

void TestScanRunner::onlyReadsNamedAddresses() {
    // Function 03 only, never the broadcast address, only the addresses asked for.
    Use("sim:addresses=1:baud=19200:format=8N1:mode=rtu");
    ScanChoices choices;
    choices.addresses = {1, 2, 200};
    choices.speeds = {9600, 19200};
    runner->Start(1, choices);
    RunToEnd();
    const TrafficRing& frames = TrafficFeed::Instance().Frames();
    QVERIFY(frames.Size() > 0);
    std::set<int> asked;
    for (int i = 0; i < frames.Size(); ++i) {
        if (!frames.At(i).sent) continue;
        const QByteArray& bytes = frames.At(i).bytes;
        const DecodedFrame frame = DecodeFrame(bytes, true);
        QVERIFY2(frame.checkGood, bytes.toHex().constData());
        QCOMPARE(frame.function, 0x03);
        asked.insert(frame.address);
    }
    QCOMPARE(asked, (std::set<int>{1, 2, 200}));
}

void TestScanRunner::cancelStopsAtOnceAndRestoresTheLine() {
    Use("sim:addresses=30:baud=2400:format=8O1:mode=rtu");
    LineSettings before;
    before.baud = 38400;
    before.parity = Parity::None;
    before.dataBits = 8;
    before.stopBits = 2;
    before.framing = Framing::Rtu;
    owner->Port().SetComNumber(3);
    owner->Port().SetBaud(before.baud);
    owner->Port().SetParity(before.parity);
    owner->Port().SetDataBits(8);
    owner->Port().SetStopBits(2);
    owner->Port().SetFraming(before.framing);
    QSignalSpy progress(runner.get(), &ScanRunner::progress);
    QSignalSpy finished(runner.get(), &ScanRunner::finished);
    runner->Start(1, {});
    QVERIFY(owner->Port().Open());
    QCOMPARE(owner->Holder(), QString::fromLatin1(ScanTool));
    clock->Run(2000);
    QVERIFY(progress.size() > 10);
    const auto last = progress.last()[0].value<ScanProgress>();
    QVERIFY(last.leftMs > 60000);
    QVERIFY(last.percent >= 0 && last.percent < 10);
    runner->Cancel();
    // At once: no event loop turn between.
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished[0][0].value<ScanEnd>(), ScanEnd::Cancelled);
    QVERIFY(!runner->Running());
    QVERIFY(!owner->Port().Open());
    QVERIFY(owner->Holder().isEmpty());
    QCOMPARE(owner->Port().ComNumber(), 3);
    QCOMPARE(owner->Port().Settings(), before);
    const int sent = TrafficFeed::Instance().Frames().Size();
    clock->Run(5000);
    QCOMPARE(TrafficFeed::Instance().Frames().Size(), sent);
    QCOMPARE(progress.size(), progress.size());
}

void TestScanRunner::lineHeldByAnotherToolIsRefused() {
    Use("sim");
    owner->Open(QString::fromLatin1(line_tool::Monitor), 1, LineSettings{});
    QVERIFY_THROWS_EXCEPTION(PortError, runner->Start(1, {}));
    QVERIFY(!runner->Running());
    QCOMPARE(owner->Holder(), QString::fromLatin1(line_tool::Monitor));
    try {
        runner->Start(1, {});
    } catch (const PortError& e) {
        QVERIFY2(e.text().contains(u"Monitor"), qPrintable(e.text()));
    }
}

QTEST_GUILESS_MAIN(TestScanRunner)
#include "tst_scanrunner.moc"
