// The thermal process a controller drives: a first-order plant with ambient losses, and the
// control loop (PID, ON-OFF with hysteresis, manual output, auto-tuning) that sets its outputs.
#pragma once

namespace vrx::sim {

// The plant: temperature relaxes toward ambient + heat gain x heating - cool gain x cooling
// (outputs as fractions 0..1) with the time constant.
struct PlantModel {
    double ambientC = 25.0;
    double heatGainC = 400.0;
    double coolGainC = 150.0;
    double tauSeconds = 600.0;
};

enum class ControlMethod { Pid = 0, OnOff = 1, Manual = 2, RampSoak = 3 };

// What the loop reads from the registers. Temperatures and bands are in register counts
// (tenths of the controller's unit, or counts of a linear input); outputs in percent.
struct ControlInputs {
    bool running = true; // run/stop: a stopped controller drives nothing
    ControlMethod method = ControlMethod::Pid;
    int heatCool = 0; // 0 heat, 1 cool, 2 heat/cool, 3 cool/heat
    double setValue = 0;
    double proportionalBand = 476; // tenths
    double integralSeconds = 260;
    double derivativeSeconds = 41;
    double integralOffsetPercent = 0;
    double pdOffsetPercent = 0;
    double coolCoefficient = 1.0;
    double deadBand = 0;
    double hysteresis1 = 0;
    double hysteresis2 = 0;
    double manual1Percent = 0;
    double manual2Percent = 0;
    bool autoTuning = false;
};

struct ControlOutputs {
    double out1Percent = 0;
    double out2Percent = 0;
};

class ThermalProcess {
public:
    explicit ThermalProcess(PlantModel plant = {}, double temperatureC = 25.0);

    double TemperatureC() const { return temperatureC_; }
    void SetTemperatureC(double temperatureC) { temperatureC_ = temperatureC; }
    const PlantModel& Plant() const { return plant_; }

    // One control step over seconds with the measured value pv (register counts). Returns the
    // outputs; moves the plant under them.
    ControlOutputs Step(double seconds, const ControlInputs& in, double pv);

    // Auto-tuning: the relay test runs for this long before it settles the PID terms.
    static constexpr double TuningSeconds = 240.0;
    bool TuningFinished() const { return tuningFinished_; }
    // Forgets the integral and the relay states, as a change of method or a restart does.
    void ResetLoop();

private:
    ControlOutputs Pid(double seconds, const ControlInputs& in, double pv);
    ControlOutputs OnOff(const ControlInputs& in, double pv, double hysteresis);
    void Heat(double seconds, const ControlInputs& in, const ControlOutputs& out);

    PlantModel plant_;
    double temperatureC_;
    double integral_ = 0; // percent
    bool integralPrimed_ = false;
    double previousPv_ = 0;
    double slope_ = 0; // filtered rate of change of the value, per second
    bool havePrevious_ = false;
    bool relay1_ = false;
    bool relay2_ = false;
    double tuningElapsed_ = 0;
    bool tuningFinished_ = false;
};

} // namespace vrx::sim
