// The polling engine against the simulated controllers on their in-process line, on a manual
// clock: four live stations, controllers pulled off the line, garbled and split replies,
// refusals, and writes that the controllers take.
#include "comsettings.h"
#include "errorlog.h"
#include "framecodec.h"
#include "manualtime.h"
#include "openline.h"
#include "pollengine.h"
#include "simulatedline.h"
#include "tapline.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using namespace vrx;
using vrx::sim::Fault;
using vrx::sim::FaultKind;
using vrx::sim::SimulatedLine;
using vrx::test::TapLine;

namespace {

// The engine on COM1 with the demo controllers at 1 to 4.
struct SimRig {
    explicit SimRig(bool rtu, const QString& options = QStringLiteral("addresses=1-4")) {
        qputenv("VRX_COM1", ("sim:" + options).toLatin1());
        InstallSimulatedLineFactory([this](const QString& text, QObject*) {
            auto tap = std::make_unique<TapLine>(std::make_unique<SimulatedLine>(text));
            line = tap.get();
            return std::unique_ptr<LineDevice>(std::move(tap));
        });
        settings.modBus = rtu ? 1 : 0;
        if (rtu) settings.bitLen = 1;
        engine.SetLineSettings(ToLineSettings(settings));
        opened = test::OpenLine(owner, PollEngine::LineTool, settings);
        engine.ResetMonitor();
        engine.SetAddresses({0, 1, 2, 3, 4});
        QObject::connect(&engine, &PollEngine::errorReported, &engine,
                         [this](const QString& text) { errors << text; });
    }
    ~SimRig() { InstallSimulatedLineFactory({}); }

    void ConnectAll() {
        for (int st = 1; st <= 4; ++st)
            engine.ConnectStation(st);
    }
    sim::Controller& Controller(int address) { return *line->Sim().ControllerAt(address); }
    // Requests sent to an address since `from`.
    int SentTo(int address, qsizetype from = 0) const {
        int n = 0;
        const bool rtu = settings.modBus == 1;
        for (qsizetype i = from; i < line->written.size(); ++i) {
            const QByteArray& f = line->written.at(i);
            const int a = rtu ? quint8(f.at(0)) : HexToByte(f.at(1), f.at(2));
            n += a == address;
        }
        return n;
    }

    test::ManualTime clock{55 * 1000};
    ComSelections settings;
    LineOwner owner;
    SerialPort& port = owner.Port();
    PollEngine engine{owner};
    test::ErrorLog general;
    TapLine* line = nullptr;
    QStringList errors;
    bool opened = false;
};

} // namespace

class TestMonitorSim : public QObject {
    Q_OBJECT

private slots:
    void fourLiveStations_data() {
        QTest::addColumn<bool>("rtu");
        QTest::newRow("ascii") << false;
        QTest::newRow("rtu") << true;
    }
    void fourLiveStations() {
        QFETCH(bool, rtu);
        SimRig r(rtu);
        QVERIFY(r.opened);
        QSignalSpy panels(&r.engine, &PollEngine::settingsReadEnded);
        QSignalSpy settings(&r.engine, &PollEngine::settingsDecoded);
        r.ConnectAll();
        r.clock.Run(5000);
        QVERIFY2(r.errors.isEmpty(), qPrintable(r.errors.join('|')));
        for (int st = 1; st <= 4; ++st) {
            const StationFace& face = r.engine.Face(st);
            QVERIFY2(!face.pvText.trimmed().isEmpty(), qPrintable(QString::number(st)));
            QCOMPARE(face.runLed, LampColour::Lime);
            // The demo controllers show degrees C, except the linear input of station 4.
            if (st < 4) QCOMPARE(face.lamps[std::size_t(Lamp::DegC)], LampColour::Yellow);
        }
        // Station 3 runs a program: its SV edit shows pattern and step, not the set value.
        QVERIFY(r.engine.State().ProgramRunning[3]);
        const QRegularExpression programText("^ \\d - 0\\d$");
        QVERIFY2(programText.match(r.engine.Face(3).svText).hasMatch(),
                 qPrintable(r.engine.Face(3).svText));
        // Station 4 after it runs none: it shows its set value.
        QVERIFY(!r.engine.State().ProgramRunning[4]);
        QVERIFY2(!programText.match(r.engine.Face(4).svText).hasMatch(),
                 qPrintable(r.engine.Face(4).svText));
        // The settings of the selected station were read, and the panels shown after them.
        QVERIFY(settings.count() >= 8);
        QVERIFY(!panels.isEmpty());
        QCOMPARE(panels.first().first().toBool(), true);
        for (qsizetype i = 1; i < panels.size(); ++i)
            QCOMPARE(panels.at(i).first().toBool(), false);
        // Station 4 runs its output at 40.0 % in manual.
        QCOMPARE(r.engine.Face(4).out1, 400);
        // Polling runs at the speed of the line: many cycles in five seconds.
        QVERIFY2(r.SentTo(4) > (rtu ? 20 : 10), qPrintable(QString::number(r.SentTo(4))));
    }

    // A controller pulled off the line is charged its time-outs and dropped after three in a
    // row, in both framings: in ASCII after about six seconds, in RTU (a tick of silence each)
    // well within one; the others go on being polled and the pulled one is asked no more.
    void pulledControllerIsDroppedAfterThreeTimeOuts_data() {
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<int>("stillThereAtMs");
        QTest::addColumn<int>("goneByMs");
        QTest::newRow("ascii") << false << 5000 << 7500;
        QTest::newRow("rtu") << true << 0 << 1000;
    }
    void pulledControllerIsDroppedAfterThreeTimeOuts() {
        QFETCH(bool, rtu);
        QFETCH(int, stillThereAtMs);
        QFETCH(int, goneByMs);
        SimRig r(rtu);
        r.ConnectAll();
        r.clock.Run(3000);
        r.line->Sim().InjectFault(Fault{.kind = FaultKind::NoAnswer, .address = 2});
        if (stillThereAtMs > 0) {
            r.clock.Run(stillThereAtMs);
            QCOMPARE(r.errors.count("Time out"), 2);
            QVERIFY(r.engine.State().StationConnected[2]);
        }
        r.clock.Run(goneByMs - stillThereAtMs);
        QCOMPARE(r.errors, QStringList({"Time out", "Time out", "Time out"}));
        QVERIFY(!r.engine.State().StationConnected[2]);
        QCOMPARE(r.engine.Face(2).runLed, LampColour::Grey);
        QVERIFY(r.engine.Face(2).pvText.isEmpty());
        const qsizetype from = r.line->written.size();
        r.clock.Run(3000);
        QCOMPARE(r.SentTo(2, from), 0);
        QVERIFY(r.SentTo(1, from) > 5);
        QVERIFY(r.SentTo(4, from) > 5);
    }

    void disturbedRepliesAreAskedAgain_data() {
        QTest::addColumn<bool>("rtu");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("times");
        QTest::addColumn<QStringList>("errors");
        for (bool rtu : {false, true}) {
            const QByteArray f = rtu ? "rtu " : "ascii ";
            // Fewer than the misses in a row that drop a station: charged, asked again.
            QTest::newRow(f + "bad checksum")
                << rtu << int(FaultKind::BadChecksum) << 2 << QStringList(2, "Reply check error");
            QTest::newRow(f + "split") << rtu << int(FaultKind::Split) << 5 << QStringList();
        }
    }
    void disturbedRepliesAreAskedAgain() {
        QFETCH(bool, rtu);
        QFETCH(int, kind);
        QFETCH(int, times);
        QFETCH(QStringList, errors);
        SimRig r(rtu);
        r.engine.ConnectStation(1);
        r.clock.Run(2000);
        const qsizetype from = r.line->written.size();
        r.line->Sim().InjectFault(
            Fault{.kind = FaultKind(kind), .address = 1, .times = times, .pieces = 3, .gapMs = 10});
        r.clock.Run(3000);
        // Nothing lost: each bad reply said once, and polling carries on at speed.
        QCOMPARE(r.errors, errors);
        QCOMPARE(r.engine.State().ErrorCount[1], int(errors.size()));
        QVERIFY(r.SentTo(1, from) > 20);
        QCOMPARE(r.engine.Face(1).runLed, LampColour::Lime);
    }

    void refusalShowsItsText() {
        SimRig r(false);
        r.engine.ConnectStation(1);
        r.clock.Run(1000);
        r.line->Sim().InjectFault(
            Fault{.kind = FaultKind::Exception, .address = 1, .times = 1, .exceptionCode = 2});
        r.clock.Run(1000);
        QCOMPARE(r.errors, QStringList{"illegal address "});
        QCOMPARE(r.engine.State().ErrorCount[1], 1);
        QVERIFY(r.engine.State().StationConnected[1]);
    }

    void parameterMemoryIsLoaded() {
        SimRig r(false);
        r.engine.ConnectStation(1);
        r.clock.Run(2000);
        QSignalSpy loaded(&r.engine, &PollEngine::bufferLoaded);
        r.engine.StartBufferRead();
        r.clock.Run(5000);
        QCOMPARE(loaded.count(), 1);
        QVERIFY(r.engine.State().BufferLoaded);
        QVERIFY(!r.engine.State().BufferReading);
        const sim::ParameterImage image = r.Controller(1).ParameterMemory();
        for (int i = 0; i < 256; ++i)
            QCOMPARE(r.engine.State().ParamBuffer[std::size_t(i)], int(image[std::size_t(i)]));
        QCOMPARE(r.engine.State().ParamBuffer[256], 0xFF);
        // Polling resumed where it stood.
        QVERIFY(r.errors.isEmpty());
        QCOMPARE(r.engine.Face(1).runLed, LampColour::Lime);
    }

    void writesReachTheController_data() {
        QTest::addColumn<bool>("rtu");
        QTest::newRow("ascii") << false;
        QTest::newRow("rtu") << true;
    }
    void writesReachTheController() {
        QFETCH(bool, rtu);
        SimRig r(rtu);
        QString setValueShown;
        QObject::connect(&r.engine, &PollEngine::settingsDecoded, &r.engine,
                         [&setValueShown](const SettingsBlock& block) {
                             for (const BoxValue& v : block.values)
                                 if (v.box == u"SetV") setValueShown = v.text;
                         });
        r.engine.ConnectStation(1);
        r.clock.Run(2000);
        // The set value, then a calibration register that needs the key first.
        r.engine.QueueWrite(WriteRequest(1, 0x4701, 1234), false);
        setValueShown.clear();
        r.clock.Run(1000);
        QCOMPARE(int(r.Controller(1).Peek(0x4701)), 1234);
        // Read back after the echo: the SV box shows what the controller now holds.
        QCOMPARE(setValueShown, TenthsToText(1234, r.engine.State().DecimalPoint[1] == 1));

        r.engine.QueueWrite(WriteRequest(1, 0x4732, 5), false);
        r.clock.Run(1000);
        QCOMPARE(r.errors, QStringList{"Write data not successed"}); // no key, refused
        QCOMPARE(int(r.Controller(1).Peek(0x4732)), 0);
        r.engine.QueueWrite(WriteRequest(1, 0x4732, 5), true);
        r.clock.Run(1000);
        QCOMPARE(int(r.Controller(1).Peek(0x4732)), 5);
        QCOMPARE(r.errors.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestMonitorSim)
#include "tst_monitorsim.moc"
