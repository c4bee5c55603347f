// The ramp/soak program read in RTU in real time on a busy machine: busy loops on every core,
// and a controller whose replies come in three pieces with pauses longer than the silence that
// ends an RTU reply. The program read must be the controller's, step for step.
#include "comsettings.h"
#include "enginetransfer.h"
#include "openline.h"
#include "pollengine.h"
#include "simulatedline.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <vector>

using namespace vrx;

namespace {

// Every value different and in its register's range, so that a value stored under another step
// shows.
PatternProgram Distinct() {
    PatternProgram program;
    program.StartPattern = 5;
    for (int p = 0; p < Patterns; ++p) {
        program.PatternMaxStep[std::size_t(p)] = 7 - p;
        program.PatternLoop[std::size_t(p)] = 20 + p;
        program.PatternLink[std::size_t(p)] = (p + 3) % 9;
        for (int s = 0; s < PatternSteps; ++s) {
            program.PatternSV[std::size_t(p)][std::size_t(s)] = -500 + p * 100 + s;
            program.PatternTime[std::size_t(p)][std::size_t(s)] = 100 + p * 10 + s;
        }
    }
    return program;
}

// Loops that keep the cores busy for at most a minute and a half, whatever becomes of the test.
struct BusyLoops {
    explicit BusyLoops(int n) {
        for (int i = 0; i < n; ++i) {
            auto& process = loops.emplace_back(std::make_unique<QProcess>());
            process->start(QStringLiteral("sh"),
                           {QStringLiteral("-c"),
                            QStringLiteral("end=$(($(date +%s)+90)); "
                                           "while [ $(date +%s) -lt $end ]; do :; done")});
        }
    }
    ~BusyLoops() {
        for (auto& process : loops) {
            process->kill();
            process->waitForFinished(5000);
        }
    }
    std::vector<std::unique_ptr<QProcess>> loops;
};

} // namespace

Q_DECLARE_METATYPE(vrx::PatternProgram)

class TestPatternLoad : public QObject {
    Q_OBJECT

private slots:
    void programReadWholeUnderLoad() {
        qputenv("VRX_COM1", "sim:addresses=1:mode=rtu:fault=split:pieces=3:gap=130");
        sim::SimulatedLine* sim = nullptr;
        InstallSimulatedLineFactory([&sim](const QString& text, QObject*) {
            auto line = std::make_unique<sim::SimulatedLine>(text);
            sim = line.get();
            return std::unique_ptr<LineDevice>(std::move(line));
        });
        ComSelections settings;
        settings.modBus = 1;
        settings.bitLen = 1;
        LineOwner owner;
        PollEngine engine{owner};
        engine.SetLineSettings(ToLineSettings(settings));
        QVERIFY(test::OpenLine(owner, PollEngine::LineTool, settings));
        QStringList errors;
        connect(&engine, &PollEngine::errorReported, &engine,
                [&](const QString& text) { errors << text; });
        const PatternProgram program = Distinct();
        for (int k = 0; k < PatternWriteFrames; ++k)
            QVERIFY(sim->Bus().Find(1)->Set(0x4767 + k, PatternWriteValue(program, k)));

        BusyLoops busy(4);
        engine.ResetMonitor();
        engine.SetAddresses({0, 1, 0, 0, 0});
        engine.ConnectStation(1);
        EngineTransfer transfer(engine);
        QSignalSpy finished(&transfer, &EngineTransfer::readFinished);
        QTRY_VERIFY_WITH_TIMEOUT(transfer.Reading() || transfer.StartRead(), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 60000);
        QCOMPARE(finished.first().first().value<PatternProgram>(), program);
        QCOMPARE(errors, QStringList());
        owner.Port().SetOpen(false);
        InstallSimulatedLineFactory({});
    }
};

QTEST_GUILESS_MAIN(TestPatternLoad)
#include "tst_patternload.moc"
