// One alarm output of a controller and its fourteen modes.
#pragma once

namespace vrx::sim {

// Alarm modes, as the alarm mode registers hold them.
enum class AlarmMode {
    Disabled = 0,
    Deviation = 1,        // above SV + upper or below SV - lower
    DeviationHigh = 2,    // above SV + upper
    DeviationLow = 3,     // below SV - lower
    ReverseDeviation = 4, // inside SV - lower .. SV + upper
    Absolute = 5,         // at or above upper, or at or below lower
    AbsoluteHigh = 6,     // at or above upper
    AbsoluteLow = 7,      // at or below lower
    StandbyDeviation = 8, // modes 1 to 3 that wait until the value was once inside the band,
    StandbyHigh = 9,      // so a cold start does not alarm
    StandbyLow = 10,
    HysteresisHigh = 11,     // on above SV + upper, off again below SV + upper - lower
    HysteresisLow = 12,      // on below SV - lower, off again above SV - lower + upper
    CurrentTransformer = 13, // needs a heater current input, which the model has not
};

class Alarm {
public:
    // Limits, process and set value in register counts. Returns the new state.
    bool Evaluate(int mode, double upper, double lower, double pv, double sv);
    bool On() const { return on_; }
    // Standby starts again, as after power-up or a change of mode.
    void Rearm() {
        standbyPassed_ = false;
        on_ = false;
    }

private:
    bool on_ = false;
    bool standbyPassed_ = false;
};

} // namespace vrx::sim
