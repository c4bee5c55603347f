// The controller model: register reads and writes, their checks and side effects, and the
// stepping of process, program and alarms.
#include "controller.h"

#include "inputtype.h"

#include <algorithm>
#include <cmath>

namespace vrx::sim {

namespace {

constexpr quint16 Firmware = 0x0112; // shown as 1.12
constexpr int RunStopStop = 0;
constexpr int RunStopRun = 1;
constexpr int RunStopProgramStopped = 2;
constexpr int RunStopProgramHeld = 3;

bool IsAbsoluteAlarm(int mode) {
    return mode >= 5 && mode <= 7;
}

int ToUnit(int celsiusTenths, int unit) {
    return unit == 0 ? CelsiusToFahrenheit(celsiusTenths) : celsiusTenths;
}

int ClampWord(double value) {
    return std::clamp(int(std::lround(value)), -32768, 32767);
}

} // namespace

std::array<quint16, 256> Controller::FactorySettings() {
    std::array<quint16, 256> s{};
    auto set = [&s](int address, int value) { s[address - reg::First] = Word(value); };
    set(reg::SetValue, 0);
    set(reg::RangeHigh, 13000);
    set(reg::RangeLow, -2000);
    for (int i = 0; i < 6; ++i)
        set(reg::Alarm1High + i, 40);
    set(reg::ProportionalBand, 476);
    set(reg::IntegralTime, 260);
    set(reg::DerivativeTime, 41);
    set(reg::PCoefficient, 100);
    set(reg::TuneOutHigh, 100);
    set(reg::CommWriteSetting, 1);
    set(reg::ControlPeriod1, 20);
    set(reg::ControlPeriod2, 20);
    set(reg::RunStop, RunStopRun);
    set(reg::Unit, 1);
    set(reg::DecimalPoint, 1);
    set(reg::CommWriteEnable, 1);
    for (int p = 0; p < 8; ++p)
        set(reg::PatternLink + p, ProgramEnd);
    return s;
}

Controller::Controller(int address, PlantModel plant, double temperatureC)
    : address_(address), stored_(FactorySettings()), process_(plant, temperatureC) {}

bool Controller::Linear() const {
    return IsLinearInput(Stored(reg::InputType));
}

// --- reads -----------------------------------------------------------------------------------

ReadReply Controller::Read(int first, int count) {
    unlocked_ = false; // the key opens only the request right after it
    ReadReply reply;
    if (count < 1 || count > 8) {
        reply.exception = Exception::IllegalValue;
        return reply;
    }
    if (first == reg::ParameterMemory) {
        // Each read hands out the next entries as position x 256 + value, wrapping round, so
        // any 32 reads of 8 cover the whole memory.
        const ParameterImage image = ParameterMemory();
        for (int i = 0; i < count; ++i) {
            reply.words.push_back(quint16(memoryCursor_ << 8 | image[memoryCursor_]));
            memoryCursor_ = (memoryCursor_ + 1) % 256;
        }
        return reply;
    }
    for (int address = first; address < first + count; ++address) {
        const RegisterRule* rule = RuleOf(address);
        if (!rule || rule->access == Access::WriteOnly || address == reg::ParameterMemory) {
            reply.exception = Exception::IllegalAddress;
            reply.words.clear();
            return reply;
        }
        reply.words.push_back(Peek(address));
    }
    // The settings-changed flag is reported once: the master that read it knows.
    if (first <= reg::SettingsState && reg::SettingsState < first + count) settingsChanged_ = false;
    return reply;
}

quint16 Controller::Peek(int address) const {
    switch (address) {
    case reg::ProcessValue: {
        const InputStatus status = EffectiveStatus();
        if (status != InputStatus::Normal) return quint16(0x8000 | int(status));
        return Word(ClampWord(MeasuredCounts()));
    }
    case reg::SetValue:
        return program_.Running() ? Word(ClampWord(program_.WorkingSetValue()))
                                  : Stored(reg::SetValue);
    case reg::Output1:
        return quint16(std::lround(outputs_.out1Percent * 10));
    case reg::Output2:
        return quint16(std::lround(outputs_.out2Percent * 10));
    case reg::Lamps:
        return LampBits();
    case reg::SettingsState:
        return settingsChanged_ ? 0 : 1;
    case reg::FirmwareKey:
        return Firmware;
    case reg::ProgramRunning:
        return program_.Running() ? 1 : 0;
    case reg::RemainingSeconds:
        return quint16(std::min(std::ceil(program_.RemainingSeconds()), 65535.0));
    case reg::RemainingMinutes:
        return quint16(std::min(std::floor(std::ceil(program_.RemainingSeconds()) / 60), 65535.0));
    case reg::ProgramStep:
        return program_.Running() ? quint16(program_.Step()) : 0;
    case reg::ProgramPattern:
        return program_.Running() ? quint16(program_.Pattern()) : 0;
    default:
        break;
    }
    if (address < reg::First || address > reg::Last) return 0;
    return Stored(address);
}

ParameterImage Controller::ParameterMemory() const {
    // The memory keeps the stored set value, not the working one of a running program.
    return BuildParameterImage(
        [this](int address) {
            return address == reg::SetValue ? Stored(reg::SetValue) : Peek(address);
        },
        address_);
}

// --- writes ----------------------------------------------------------------------------------

Exception Controller::Write(int address, quint16 value) {
    const bool unlocked = unlocked_;
    unlocked_ = false;
    const RegisterRule* rule = RuleOf(address);
    if (!rule || rule->access == Access::ReadOnly) return Exception::IllegalAddress;
    // The write-enable state itself can always be written, or a master could lock itself out.
    const bool enableRegister = address == reg::CommWriteEnable || address == reg::CommWriteSetting;
    if (!enableRegister && Stored(reg::CommWriteEnable) == 0) return Exception::Refused;
    if (rule->needsUnlock && !unlocked) return Exception::Refused;
    if (const Exception e = CheckValue(address, value); e != Exception::None) return e;
    if (address == reg::FirmwareKey) {
        unlocked_ = true;
        return Exception::None;
    }
    Apply(address, value);
    return Exception::None;
}

bool Controller::Set(int address, quint16 value) {
    const RegisterRule* rule = RuleOf(address);
    if (!rule || rule->access == Access::ReadOnly || address == reg::FirmwareKey) return false;
    if (CheckValue(address, value) != Exception::None) return false;
    Apply(address, value);
    return true;
}

Exception Controller::CheckValue(int address, quint16 value) const {
    const RegisterRule* rule = RuleOf(address);
    if (!InLimits(*rule, value)) return Exception::IllegalValue;
    const int v = RuleValue(*rule, value);
    const int unit = Stored(reg::Unit);
    const InputSpan span = SpanOf(Stored(reg::InputType));
    const int spanLow = Linear() ? span.low : ToUnit(span.low, unit);
    const int spanHigh = Linear() ? span.high : ToUnit(span.high, unit);
    switch (address) {
    case reg::SetValue:
        return v >= Signed(Stored(reg::RangeLow)) && v <= Signed(Stored(reg::RangeHigh))
                   ? Exception::None
                   : Exception::IllegalValue;
    case reg::RangeHigh:
        return v <= spanHigh && v > Signed(Stored(reg::RangeLow)) ? Exception::None
                                                                  : Exception::IllegalValue;
    case reg::RangeLow:
        return v >= spanLow && v < Signed(Stored(reg::RangeHigh)) ? Exception::None
                                                                  : Exception::IllegalValue;
    case reg::KeyLock:
        return v == 0 || v == 1 || v == 0x0B ? Exception::None : Exception::IllegalValue;
    case reg::Unit:
        return (v == 2) == Linear() ? Exception::None : Exception::IllegalValue;
    case reg::DecimalPoint:
        return v <= (Linear() ? 3 : 1) ? Exception::None : Exception::IllegalValue;
    case reg::AutoTuning: {
        const int method = Stored(reg::ControlMethod);
        const bool pid =
            method == int(ControlMethod::Pid) || method == int(ControlMethod::RampSoak);
        return v == 0 || pid ? Exception::None : Exception::IllegalValue;
    }
    case reg::FirmwareKey:
    case reg::RestoreDefaults:
    case reg::ClearPvAdjust:
        return value == reg::UnlockCode ? Exception::None : Exception::IllegalValue;
    default:
        return Exception::None;
    }
}

void Controller::Apply(int address, quint16 value) {
    settingsChanged_ = true;
    switch (address) {
    case reg::RestoreDefaults:
        RestoreDefaults();
        return;
    case reg::ClearPvAdjust:
        ClearPvAdjust();
        return;
    case reg::InputType:
        ChangeInputType(value);
        return;
    case reg::Unit:
        ChangeUnit(value);
        return;
    case reg::CommWriteEnable:
    case reg::CommWriteSetting:
        Stored(reg::CommWriteEnable) = value;
        Stored(reg::CommWriteSetting) = value;
        return;
    case reg::Alarm1Mode:
    case reg::Alarm1Mode + 1:
    case reg::Alarm1Mode + 2:
        Stored(address) = value;
        alarms_[address - reg::Alarm1Mode].Rearm();
        return;
    case reg::ControlMethod: {
        const int before = Stored(reg::ControlMethod);
        Stored(address) = value;
        if (before == int(value)) return;
        process_.ResetLoop();
        Stored(reg::AutoTuning) = 0;
        if (value == int(ControlMethod::RampSoak) && Stored(reg::RunStop) == RunStopRun) {
            StartOrResumeProgram();
        } else if (value != int(ControlMethod::RampSoak)) {
            program_.Stop();
            programHeld_ = false;
        }
        return;
    }
    case reg::RunStop: {
        Stored(address) = value;
        const bool rampSoak = Stored(reg::ControlMethod) == int(ControlMethod::RampSoak);
        if (value == RunStopStop || value == RunStopProgramStopped) {
            program_.Stop();
            programHeld_ = false;
            if (value == RunStopStop) Stored(reg::AutoTuning) = 0;
        } else if (value == RunStopRun && rampSoak) {
            StartOrResumeProgram();
        } else if (value == RunStopProgramHeld && program_.Running()) {
            programHeld_ = true;
        }
        for (Alarm& alarm : alarms_)
            alarm.Rearm();
        return;
    }
    default:
        Stored(address) = value;
        return;
    }
}

void Controller::StartOrResumeProgram() {
    if (program_.Running() && programHeld_) {
        programHeld_ = false;
        return;
    }
    if (!program_.Running()) program_.Start(Table());
    programHeld_ = false;
}

void Controller::ChangeInputType(int inputType) {
    const bool wasLinear = Linear();
    Stored(reg::InputType) = quint16(inputType);
    // A new sensor brings its own span: the range opens to it and the set value stays inside.
    const InputSpan span = SpanOf(inputType);
    if (IsLinearInput(inputType)) {
        Stored(reg::Unit) = 2;
        Stored(reg::RangeLow) = Word(0);
        Stored(reg::RangeHigh) = Word(1000);
    } else {
        if (wasLinear) {
            Stored(reg::Unit) = 1;
            Stored(reg::DecimalPoint) = std::min<quint16>(Stored(reg::DecimalPoint), 1);
        }
        const int unit = Stored(reg::Unit);
        Stored(reg::RangeLow) = Word(ToUnit(span.low, unit));
        Stored(reg::RangeHigh) = Word(ToUnit(span.high, unit));
    }
    const int sv = std::clamp(Signed(Stored(reg::SetValue)), Signed(Stored(reg::RangeLow)),
                              Signed(Stored(reg::RangeHigh)));
    Stored(reg::SetValue) = Word(sv);
    for (Alarm& alarm : alarms_)
        alarm.Rearm();
}

void Controller::ChangeUnit(int unit) {
    const int before = Stored(reg::Unit);
    Stored(reg::Unit) = quint16(unit);
    if (before == unit || Linear()) return;
    // Temperatures follow the unit; deviations scale without the offset.
    auto absolute = [unit](quint16 w) {
        return Word(unit == 0 ? CelsiusToFahrenheit(Signed(w)) : FahrenheitToCelsius(Signed(w)));
    };
    auto difference = [unit](quint16 w) {
        return Word(int(std::lround(Signed(w) * (unit == 0 ? 9.0 / 5.0 : 5.0 / 9.0))));
    };
    for (int address : {reg::SetValue, reg::RangeHigh, reg::RangeLow})
        Stored(address) = absolute(Stored(address));
    for (int k = 0; k < 3; ++k) {
        const bool abs = IsAbsoluteAlarm(Stored(reg::Alarm1Mode + k));
        for (int address : {reg::Alarm1High + 2 * k, reg::Alarm1High + 2 * k + 1})
            Stored(address) = abs ? absolute(Stored(address)) : difference(Stored(address));
    }
    for (int step = 0; step < 64; ++step)
        Stored(reg::StepTable + 2 * step) = absolute(Stored(reg::StepTable + 2 * step));
}

void Controller::RestoreDefaults() {
    // Communication and calibration survive: the master keeps its access, the sensor its
    // adjustment (0x474F clears that). The program tables survive too.
    std::array<quint16, 256> factory = FactorySettings();
    const auto keep = [&](int address) { factory[address - reg::First] = Stored(address); };
    keep(reg::CommWriteEnable);
    keep(reg::CommWriteSetting);
    for (int address = reg::OutputType1; address <= reg::LinearGain; ++address)
        keep(address);
    for (int address = reg::StartPattern; address <= reg::Last; ++address)
        keep(address);
    stored_ = factory;
    program_.Stop();
    programHeld_ = false;
    process_.ResetLoop();
    for (Alarm& alarm : alarms_)
        alarm.Rearm();
}

void Controller::ClearPvAdjust() {
    Stored(reg::PvOffset) = 0;
    for (int address = reg::RtdOffset; address <= reg::LinearGain; ++address)
        Stored(address) = 0;
}

// --- the process -----------------------------------------------------------------------------

double Controller::MeasuredCounts() const {
    const PlantModel& plant = process_.Plant();
    const double c = process_.TemperatureC();
    const int inputType = Stored(reg::InputType);
    if (IsLinearInput(inputType)) {
        // The transmitter spans ambient to full heat over the range.
        const double low = Signed(Stored(reg::RangeLow));
        const double high = Signed(Stored(reg::RangeHigh));
        const double fraction = (c - plant.ambientC) / std::max(plant.heatGainC, 1.0);
        const double gain = 1.0 + Signed(Stored(reg::LinearGain)) / 10000.0;
        return (low + fraction * (high - low)) * gain + Signed(Stored(reg::LinearOffset)) +
               Signed(Stored(reg::PvOffset));
    }
    double tenths = c * 10.0;
    if (inputType >= 11) { // RTD
        tenths = tenths * (1.0 + Signed(Stored(reg::RtdGain)) / 10000.0) +
                 Signed(Stored(reg::RtdOffset));
    } else { // thermocouple
        tenths = tenths * (1.0 + Signed(Stored(reg::TcGain)) / 10000.0) +
                 Signed(Stored(reg::TcOffset)) + Signed(Stored(reg::ColdJunctionOffset));
    }
    if (Stored(reg::Unit) == 0) tenths = tenths * 9.0 / 5.0 + 320.0;
    return tenths + Signed(Stored(reg::PvOffset));
}

InputStatus Controller::EffectiveStatus() const {
    if (inputStatus_ != InputStatus::Normal) return inputStatus_;
    const int inputType = Stored(reg::InputType);
    const InputSpan span = SpanOf(inputType);
    const double c = IsLinearInput(inputType) ? MeasuredCounts() : process_.TemperatureC() * 10;
    // A little beyond the span still reads, as real inputs do; further is over range.
    const double margin = (span.high - span.low) * 0.05;
    if (c < span.low - margin || c > span.high + margin) return InputStatus::OverRange;
    return InputStatus::Normal;
}

double Controller::ControlSetValue() const {
    return program_.Running() ? program_.WorkingSetValue() : Signed(Stored(reg::SetValue));
}

ControlInputs Controller::LoopInputs() const {
    ControlInputs in;
    const int run = Stored(reg::RunStop);
    in.running = run != RunStopStop && EffectiveStatus() == InputStatus::Normal;
    in.method = static_cast<ControlMethod>(Stored(reg::ControlMethod));
    in.heatCool = Stored(reg::HeatCool);
    in.setValue = ControlSetValue();
    in.proportionalBand = Stored(reg::ProportionalBand);
    in.integralSeconds = Stored(reg::IntegralTime);
    in.derivativeSeconds = Stored(reg::DerivativeTime);
    in.integralOffsetPercent = Stored(reg::IntegralOffset) / 10.0;
    in.pdOffsetPercent = Stored(reg::PdOffset) / 10.0;
    in.coolCoefficient = Stored(reg::PCoefficient) / 100.0;
    in.deadBand = Signed(Stored(reg::DeadBand));
    in.hysteresis1 = Stored(reg::Hysteresis1);
    in.hysteresis2 = Stored(reg::Hysteresis2);
    in.manual1Percent = Stored(reg::Output1) / 10.0;
    in.manual2Percent = Stored(reg::Output2) / 10.0;
    in.autoTuning = Stored(reg::AutoTuning) != 0;
    return in;
}

ProgramTable Controller::Table() const {
    ProgramTable t;
    t.startPattern = Stored(reg::StartPattern);
    for (int p = 0; p < 8; ++p) {
        t.maxStep[p] = Stored(reg::PatternMaxStep + p);
        t.loops[p] = Stored(reg::PatternLoop + p);
        t.link[p] = Stored(reg::PatternLink + p);
        for (int s = 0; s < 8; ++s) {
            t.setValue[p][s] = Signed(Stored(reg::StepTable + 2 * (8 * p + s)));
            t.minutes[p][s] = Stored(reg::StepTable + 2 * (8 * p + s) + 1);
        }
    }
    return t;
}

quint16 Controller::LampBits() const {
    quint16 bits = 0;
    if (Stored(reg::AutoTuning)) bits |= 0x80;
    // Relay and voltage-pulse outputs are time-proportioned over the control period, so their
    // lamps blink in step with the output; the others light while they drive anything.
    auto lit = [this](double percent, bool pulsed, int period) {
        if (percent <= 0) return false;
        if (!pulsed) return true;
        const double p = std::max(period, 1);
        return std::fmod(clock_, p) < percent / 100.0 * p;
    };
    const int type1 = Stored(reg::OutputType1); // 5: none
    const int type2 = Stored(reg::OutputType2); // 2: none
    if (type1 != 5 && lit(outputs_.out1Percent, type1 <= 1, Stored(reg::ControlPeriod1)))
        bits |= 0x40;
    if (type2 != 2 && lit(outputs_.out2Percent, type2 <= 1, Stored(reg::ControlPeriod2)))
        bits |= 0x20;
    const int unit = Stored(reg::Unit);
    if (unit == 0) bits |= 0x08;
    if (unit == 1) bits |= 0x04;
    // A failed input raises the alarm chosen as system alarm.
    const int systemAlarm = EffectiveStatus() != InputStatus::Normal ? Stored(reg::SystemAlarm) : 0;
    const bool alarm3Used = Stored(reg::HeatCool) < 2; // output 2 is alarm 3's in one-output modes
    if (alarms_[0].On() || systemAlarm == 1) bits |= 0x10;
    if (alarms_[1].On() || systemAlarm == 2) bits |= 0x02;
    if ((alarm3Used && alarms_[2].On()) || systemAlarm == 3) bits |= 0x01;
    return bits;
}

void Controller::Step(double seconds) {
    if (seconds <= 0) return;
    // Short substeps keep the loop close to a continuous controller; a long idle stretch is cut
    // into a bounded number of them.
    const double h = std::max(0.25, seconds / 20000.0);
    double left = seconds;
    while (left > 1e-9) {
        const double step = std::min(h, left);
        Substep(step);
        left -= step;
    }
}

void Controller::Substep(double seconds) {
    if (program_.Running() && !programHeld_) {
        program_.Advance(seconds, Table());
        if (program_.Finished()) {
            // "Prog End": the last set value is held, under the stored set value.
            Stored(reg::SetValue) = Word(ClampWord(program_.WorkingSetValue()));
            Stored(reg::RunStop) = RunStopProgramStopped;
            settingsChanged_ = true;
        }
    }
    const ControlInputs in = LoopInputs();
    const double pv = MeasuredCounts();
    outputs_ = process_.Step(seconds, in, pv);
    if (process_.TuningFinished()) {
        // Terms from the plant the relay test saw: a band for a loop gain near 5, the integral
        // at the time constant and a sixth of it as derivative.
        const PlantModel& plant = process_.Plant();
        const double gainPerPercent =
            plant.heatGainC * 10.0 / 100.0 * (Stored(reg::Unit) == 0 ? 1.8 : 1.0);
        Stored(reg::ProportionalBand) =
            quint16(std::clamp(std::lround(gainPerPercent * 20.0), 1L, 9999L));
        Stored(reg::IntegralTime) = quint16(std::clamp(std::lround(plant.tauSeconds), 0L, 9999L));
        Stored(reg::DerivativeTime) =
            quint16(std::clamp(std::lround(plant.tauSeconds / 6), 0L, 9999L));
        Stored(reg::AutoTuning) = 0;
        settingsChanged_ = true;
    }
    const double sv = ControlSetValue();
    const bool normal = EffectiveStatus() == InputStatus::Normal;
    for (int k = 0; k < 3; ++k) {
        const int mode = normal ? Stored(reg::Alarm1Mode + k) : 0;
        alarms_[k].Evaluate(mode, Signed(Stored(reg::Alarm1High + 2 * k)),
                            Signed(Stored(reg::Alarm1High + 2 * k + 1)), pv, sv);
    }
    clock_ += seconds;
}

} // namespace vrx::sim
