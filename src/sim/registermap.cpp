// The controller's register rules: direction, limits and the unlock each register needs.
#include "registermap.h"

#include <array>

namespace vrx::sim {

namespace {

constexpr RegisterRule ReadOnly{Access::ReadOnly, 0, 0xFFFF, false};
constexpr RegisterRule SignedRange(int min, int max) {
    return {Access::ReadWrite, min, max, false};
}
constexpr RegisterRule Whole(int max) {
    return {Access::ReadWrite, 0, max, false};
}
constexpr RegisterRule Locked(int min, int max) {
    return {Access::ReadWrite, min, max, true};
}

// Temperatures and limits in tenths (or counts of a linear input). The set value and the range
// get a second, dynamic check against the input type in the controller.
constexpr int TenthsMin = -19999;
constexpr int TenthsMax = 32767; // B type in °F reaches 3272.0

struct Entry {
    int address;
    RegisterRule rule;
};

constexpr Entry Entries[] = {
    {reg::ProcessValue, ReadOnly},
    {reg::SetValue, SignedRange(TenthsMin, TenthsMax)},
    {reg::Output1, Whole(1000)}, // tenths of a percent; used in manual control
    {reg::Output2, Whole(1000)},
    {reg::RangeHigh, SignedRange(TenthsMin, TenthsMax)},
    {reg::RangeLow, SignedRange(TenthsMin, TenthsMax)},
    {0x4706, SignedRange(TenthsMin, TenthsMax)},
    {0x4707, SignedRange(TenthsMin, TenthsMax)},
    {0x4708, SignedRange(TenthsMin, TenthsMax)},
    {0x4709, SignedRange(TenthsMin, TenthsMax)},
    {0x470A, SignedRange(TenthsMin, TenthsMax)},
    {0x470B, SignedRange(TenthsMin, TenthsMax)},
    {reg::ProportionalBand, {Access::ReadWrite, 1, 9999, false}}, // 0.1 to 999.9
    {reg::IntegralTime, Whole(9999)},                             // seconds, 0 = off
    {reg::DerivativeTime, Whole(9999)},                           // seconds
    {reg::IntegralOffset, Whole(1000)},                           // tenths of a percent
    {reg::PdOffset, Whole(1000)},                                 // tenths of a percent
    {reg::PCoefficient, {Access::ReadWrite, 1, 9999, false}},     // hundredths
    {reg::DeadBand, SignedRange(-999, 999)},
    {reg::Hysteresis1, Whole(9999)},
    {reg::Hysteresis2, Whole(9999)},
    {reg::TuneOutHigh, Whole(100)},
    {reg::TuneOutLow, Whole(100)},
    {reg::CommWriteSetting, Whole(1)},
    {reg::InputType, Whole(17)},
    {reg::ControlMethod, Whole(3)},
    {reg::HeatCool, Whole(3)},
    {reg::ControlPeriod1, {Access::ReadWrite, 1, 99, false}},
    {reg::ControlPeriod2, {Access::ReadWrite, 1, 99, false}},
    {reg::PvOffset, SignedRange(-999, 999)},
    {reg::KeyLock, Whole(0x0B)}, // only 0, 1 and 0x0B, checked by the controller
    {reg::SystemAlarm, Whole(3)},
    {0x4720, Whole(13)},
    {0x4721, Whole(13)},
    {0x4722, Whole(13)},
    {reg::RunStop, Whole(3)},
    {reg::Unit, Whole(2)},
    {reg::DecimalPoint, Whole(3)},
    {reg::CommWriteEnable, Whole(1)},
    {reg::AutoTuning, Whole(1)},
    {reg::Lamps, ReadOnly},
    {reg::SettingsState, ReadOnly},
    {reg::FirmwareKey, {Access::ReadWrite, 0, 0xFFFF, false}}, // only the unlock code, checked
    {reg::ProgramRunning, ReadOnly},
    {reg::OutputType1, Locked(0, 5)},
    {reg::OutputType2, Locked(0, 2)},
    {reg::RtdOffset, Locked(-999, 999)},
    {reg::RtdGain, Locked(-999, 999)},
    {reg::TcOffset, Locked(-999, 999)},
    {reg::TcGain, Locked(-999, 999)},
    {reg::ColdJunctionOffset, Locked(-999, 999)},
    {reg::LinearOffset, Locked(-999, 999)},
    {reg::LinearGain, Locked(-999, 999)},
    {reg::ParameterMemory, ReadOnly},
    {reg::RestoreDefaults, {Access::WriteOnly, 0, 0xFFFF, true}},
    {reg::ClearPvAdjust, {Access::WriteOnly, 0, 0xFFFF, true}},
    {reg::ProgramDisplay, Whole(2)},
    {reg::RemainingSeconds, ReadOnly},
    {reg::RemainingMinutes, ReadOnly},
    {reg::ProgramStep, ReadOnly},
    {reg::ProgramPattern, ReadOnly},
};

struct Table {
    std::array<const RegisterRule*, 256> rules{};
    // The ramp/soak program: start pattern, then per pattern max step, loops and link, then
    // set value (tenths) and time (minutes, up to 15 hours) of every step.
    RegisterRule startPattern = Whole(7);
    RegisterRule maxStep = Whole(7);
    RegisterRule loops = Whole(99);
    RegisterRule link = Whole(8);
    RegisterRule stepValue = SignedRange(TenthsMin, TenthsMax);
    RegisterRule stepMinutes = Whole(900);

    Table() {
        for (const Entry& entry : Entries)
            rules[entry.address - reg::First] = &entry.rule;
        rules[reg::StartPattern - reg::First] = &startPattern;
        for (int p = 0; p < 8; ++p) {
            rules[reg::PatternMaxStep + p - reg::First] = &maxStep;
            rules[reg::PatternLoop + p - reg::First] = &loops;
            rules[reg::PatternLink + p - reg::First] = &link;
        }
        for (int k = 0; k < 64; ++k) {
            rules[reg::StepTable + 2 * k - reg::First] = &stepValue;
            rules[reg::StepTable + 2 * k + 1 - reg::First] = &stepMinutes;
        }
    }
};

const Table& Rules() {
    static const Table table;
    return table;
}

} // namespace

const RegisterRule* RuleOf(int address) {
    if (address < reg::First || address > reg::Last) return nullptr;
    return Rules().rules[address - reg::First];
}

int RuleValue(const RegisterRule& rule, quint16 word) {
    return rule.min < 0 ? Signed(word) : int(word);
}

bool InLimits(const RegisterRule& rule, quint16 word) {
    const int value = RuleValue(rule, word);
    return value >= rule.min && value <= rule.max;
}

} // namespace vrx::sim
