// The simulated process over time: the value moving toward the set value under each control
// method, stop and input failures, alarms, auto-tuning, and a ramp/soak program stepping.
#include "controller.h"
#include "controllerbus.h"

#include <QTest>

using namespace vrx::sim;

namespace {

int Pv(const Controller& c) {
    return Signed(c.Peek(reg::ProcessValue));
}

// A program of two patterns: pattern 0 soaks at 50.0 for 2 minutes, ramps to 100.0 in 4,
// repeats once, then links to pattern 2, which holds 80.0 for 1 minute and ends the program.
void LoadProgram(Controller& c) {
    c.Set(reg::StartPattern, 0);
    c.Set(reg::PatternMaxStep, 1);
    c.Set(reg::PatternLoop, 1);
    c.Set(reg::PatternLink, 2);
    c.Set(reg::StepTable + 0, 500);
    c.Set(reg::StepTable + 1, 2);
    c.Set(reg::StepTable + 2, 1000);
    c.Set(reg::StepTable + 3, 4);
    c.Set(reg::PatternMaxStep + 2, 0);
    c.Set(reg::PatternLink + 2, ProgramEnd);
    c.Set(reg::StepTable + 2 * 16, 800);
    c.Set(reg::StepTable + 2 * 16 + 1, 1);
}

} // namespace

class TestSimProcess : public QObject {
    Q_OBJECT
private slots:
    void valueSettlesAtSetValue_data();
    void valueSettlesAtSetValue();
    void manualOutputSetsTheLevel();
    void stopDrivesNothing();
    void inputStatusCodes();
    void alarmLamps_data();
    void alarmLamps();
    void autoTuningEnds();
    void programSteps_data();
    void programSteps();
    void programHoldFreezesTime();
    void programRunningFlagAndEnd();
    void busRunsFasterThanWallClock();
};

void TestSimProcess::valueSettlesAtSetValue_data() {
    QTest::addColumn<int>("method");
    QTest::addColumn<int>("heatCool");
    QTest::addColumn<int>("setValue");
    QTest::addColumn<int>("tolerance"); // tenths
    QTest::newRow("PID heating") << 0 << 0 << 1500 << 5;
    QTest::newRow("PID heat/cool") << 0 << 2 << 800 << 5;
    QTest::newRow("ON-OFF heating") << 1 << 0 << 1200 << 40;
    QTest::newRow("PID cooling below ambient") << 0 << 1 << 100 << 5;
}

void TestSimProcess::valueSettlesAtSetValue() {
    QFETCH(int, method);
    QFETCH(int, heatCool);
    QFETCH(int, setValue);
    QFETCH(int, tolerance);
    Controller c(1);
    QVERIFY(c.Set(reg::ControlMethod, method));
    QVERIFY(c.Set(reg::HeatCool, heatCool));
    QVERIFY(c.Set(reg::Hysteresis1, 10));
    QVERIFY(c.Set(reg::SetValue, setValue));
    const int start = Pv(c);
    c.Step(5);
    QVERIFY(c.Peek(reg::Output1) > 0); // the output drives it
    c.Step(60);
    QVERIFY(std::abs(Pv(c) - setValue) < std::abs(start - setValue) - 20); // on its way
    c.Step(3600);
    QVERIFY2(std::abs(Pv(c) - setValue) <= tolerance, qPrintable(QString::number(Pv(c))));
}

void TestSimProcess::manualOutputSetsTheLevel() {
    // 25 % of a 400 °C heater over 25 °C ambient settles at 125 °C.
    Controller c(1, PlantModel{25.0, 400.0, 150.0, 100.0});
    QVERIFY(c.Set(reg::ControlMethod, 2));
    QVERIFY(c.Set(reg::Output1, 250));
    c.Step(2000);
    QCOMPARE(int(c.Peek(reg::Output1)), 250);
    QVERIFY(std::abs(Pv(c) - 1250) <= 2);
}

void TestSimProcess::stopDrivesNothing() {
    Controller c(1);
    c.Set(reg::SetValue, 2000);
    c.Step(600);
    QVERIFY(Pv(c) > 1000);
    c.Set(reg::RunStop, 0);
    c.Step(1);
    QCOMPARE(int(c.Peek(reg::Output1)), 0);
    c.Step(8000);
    QVERIFY(std::abs(Pv(c) - 250) <= 2);
}

void TestSimProcess::inputStatusCodes() {
    Controller c(1);
    c.Set(reg::SetValue, 1000);
    c.Step(1);
    QVERIFY(c.Peek(reg::Output1) > 0);
    c.SetInputStatus(InputStatus::NoConnect);
    c.Step(1);
    QCOMPARE(int(c.Peek(reg::ProcessValue)), 0x8003);
    QCOMPARE(int(c.Peek(reg::Output1)), 0); // a lost sensor must not keep heating
    c.SetInputStatus(InputStatus::Normal);
    c.Step(1);
    QVERIFY(c.Peek(reg::ProcessValue) < 0x8000);

    // A hot process on a sensor that cannot read so high reports over range.
    c.Process().SetTemperatureC(600.0);
    QVERIFY(c.Set(reg::InputType, 2)); // T type, up to 400 °C
    QCOMPARE(int(c.Peek(reg::ProcessValue)), 0x8005);
}

void TestSimProcess::alarmLamps_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("upper");
    QTest::addColumn<int>("lower");
    QTest::addColumn<bool>("lit"); // at a steady 25.0 with SV 30.0
    QTest::newRow("disabled") << 0 << 10 << 10 << false;
    QTest::newRow("deviation, inside") << 1 << 100 << 100 << false;
    QTest::newRow("deviation, below") << 1 << 10 << 10 << true;
    QTest::newRow("deviation high") << 2 << 10 << 10 << false;
    QTest::newRow("deviation low") << 3 << 10 << 10 << true;
    QTest::newRow("reverse deviation") << 4 << 100 << 100 << true;
    QTest::newRow("absolute high") << 6 << 200 << 0 << true;
    QTest::newRow("absolute low") << 7 << 0 << 200 << false;
    QTest::newRow("standby low from cold") << 10 << 10 << 10 << false;
    QTest::newRow("current transformer") << 13 << 0 << 0 << false;
}

void TestSimProcess::alarmLamps() {
    QFETCH(int, mode);
    QFETCH(int, upper);
    QFETCH(int, lower);
    QFETCH(bool, lit);
    // Manual output 0 keeps the value at ambient; the alarms watch it against SV 30.0.
    Controller c(1);
    c.Set(reg::ControlMethod, 2);
    c.Set(reg::SetValue, 300);
    for (int k = 0; k < 3; ++k) {
        c.Set(reg::Alarm1Mode + k, mode);
        c.Set(reg::Alarm1High + 2 * k, upper);
        c.Set(reg::Alarm1High + 2 * k + 1, lower);
    }
    c.Step(5);
    const int lamps = c.Peek(reg::Lamps);
    QCOMPARE(bool(lamps & 0x10), lit); // alarm 1
    QCOMPARE(bool(lamps & 0x02), lit); // alarm 2
    QCOMPARE(bool(lamps & 0x01), lit); // alarm 3 (one output: alarm 3 in use)
    QCOMPARE(lamps & 0x0C, 0x04);      // °C
}

void TestSimProcess::autoTuningEnds() {
    Controller c(1);
    c.Set(reg::SetValue, 1000);
    QVERIFY(c.Set(reg::AutoTuning, 1));
    c.Step(10);
    QVERIFY(c.Peek(reg::Lamps) & 0x80);
    c.Step(ThermalProcess::TuningSeconds);
    QCOMPARE(int(c.Peek(reg::AutoTuning)), 0);
    QVERIFY(!(c.Peek(reg::Lamps) & 0x80));
    QVERIFY(c.Peek(reg::ProportionalBand) != 476);
    // Auto-tuning is a PID matter.
    c.Set(reg::ControlMethod, 1);
    QVERIFY(!c.Set(reg::AutoTuning, 1));
}

void TestSimProcess::programSteps_data() {
    QTest::addColumn<double>("minutes");
    QTest::addColumn<int>("pattern");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("workingSv");
    QTest::addColumn<int>("remainingSeconds");
    QTest::newRow("first soak is flat") << 1.0 << 0 << 0 << 500 << 60;
    QTest::newRow("ramp half-way") << 4.0 << 0 << 1 << 750 << 120;
    QTest::newRow("loop ramps back to step 0") << 7.0 << 0 << 0 << 750 << 60;
    QTest::newRow("loop soak") << 8.5 << 0 << 1 << 562 << 210;
    QTest::newRow("linked pattern") << 12.5 << 2 << 0 << 900 << 30;
}

void TestSimProcess::programSteps() {
    QFETCH(double, minutes);
    QFETCH(int, pattern);
    QFETCH(int, step);
    QFETCH(int, workingSv);
    QFETCH(int, remainingSeconds);
    Controller c(1);
    LoadProgram(c);
    QVERIFY(c.Set(reg::ControlMethod, int(ControlMethod::RampSoak)));
    c.Step(minutes * 60);
    QCOMPARE(int(c.Peek(reg::ProgramRunning)), 1);
    QCOMPARE(int(c.Peek(reg::ProgramPattern)), pattern);
    QCOMPARE(int(c.Peek(reg::ProgramStep)), step);
    QVERIFY2(std::abs(Signed(c.Peek(reg::SetValue)) - workingSv) <= 1,
             qPrintable(QString::number(Signed(c.Peek(reg::SetValue)))));
    QVERIFY(std::abs(int(c.Peek(reg::RemainingSeconds)) - remainingSeconds) <= 1);
    QCOMPARE(int(c.Peek(reg::RemainingMinutes)), int(c.Peek(reg::RemainingSeconds)) / 60);
}

void TestSimProcess::programHoldFreezesTime() {
    Controller c(1);
    LoadProgram(c);
    c.Set(reg::ControlMethod, int(ControlMethod::RampSoak));
    c.Step(3 * 60);
    const int sv = c.Peek(reg::SetValue);
    QVERIFY(c.Set(reg::RunStop, 3)); // hold
    c.Step(10 * 60);
    QCOMPARE(int(c.Peek(reg::SetValue)), sv);
    QCOMPARE(int(c.Peek(reg::ProgramRunning)), 1);
    QVERIFY(c.Set(reg::RunStop, 1)); // resume where it stood
    c.Step(60);
    QCOMPARE(int(c.Peek(reg::ProgramStep)), 1);
    QVERIFY(int(c.Peek(reg::SetValue)) > sv);
}

void TestSimProcess::programRunningFlagAndEnd() {
    Controller c(1);
    LoadProgram(c);
    QCOMPARE(int(c.Peek(reg::ProgramRunning)), 0);
    c.Set(reg::ControlMethod, int(ControlMethod::RampSoak));
    QCOMPARE(int(c.Peek(reg::ProgramRunning)), 1);
    c.Step(14 * 60);
    // "Prog End": no longer running, the last set value held, run/stop at "Stop Program".
    QCOMPARE(int(c.Peek(reg::ProgramRunning)), 0);
    QCOMPARE(int(c.Peek(reg::SetValue)), 800);
    QCOMPARE(int(c.Peek(reg::RunStop)), 2);
    c.Step(3600);
    QVERIFY(std::abs(Pv(c) - 800) <= 5);
    // Run starts it again from the start pattern.
    c.Set(reg::RunStop, 1);
    QCOMPARE(int(c.Peek(reg::ProgramRunning)), 1);
    QCOMPARE(int(c.Peek(reg::SetValue)), 500);
}

void TestSimProcess::busRunsFasterThanWallClock() {
    std::vector<Controller> controllers;
    controllers.emplace_back(1);
    LoadProgram(controllers.back());
    controllers.back().Set(reg::ControlMethod, int(ControlMethod::RampSoak));
    ControllerBus bus(std::move(controllers), 6.0);
    const qint64 t0 = 123'456'789;
    bus.CatchUp(t0);
    bus.CatchUp(t0 + 10'000'000); // ten seconds: one process minute
    QVERIFY(std::abs(int(bus.Find(1)->Peek(reg::RemainingSeconds)) - 60) <= 1);
}

QTEST_GUILESS_MAIN(TestSimProcess)
#include "tst_simprocess.moc"
