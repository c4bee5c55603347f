// The poll phases' registers.
#include "pollplan.h"

#include "registers.h"

namespace vrx {

std::optional<ReadBlock> PhaseBlock(int phase) {
    static constexpr ReadBlock blocks[] = {
        {reg::DecimalPoint, 7},     // status: decimal point .. program running
        {reg::ProgramDisplay, 5},   // program status
        {reg::ProcessValue, 4},     // PV, SV, output 1 and 2
        {reg::RangeHigh, 8},        // settings: range and alarm limits
        {reg::ProportionalBand, 7}, // PID terms
        {reg::Hysteresis1, 8},      // hysteresis, tuning limits, write setting, input, method
        {reg::ControlPeriod1, 5},   // periods, PV offset, key lock, system alarm
        {reg::Alarm1Mode, 5},       // alarm modes, run/stop, unit
        {reg::OutputType1, 2},      // output types
        {reg::RtdOffset, 7},        // calibration
    };
    if (phase < 0 || phase > LastSettingsPhase) return std::nullopt;
    return blocks[phase];
}

std::optional<ReadBlock> PatternStepBlock(int patternStep, int readCount) {
    switch (patternStep) {
    case 0:
        return ReadBlock{reg::StartPattern, 1};
    case 1:
        return ReadBlock{reg::PatternLoop, 8};
    case 2:
        return ReadBlock{reg::PatternMaxStep, 8};
    case 3:
        return ReadBlock{reg::PatternLink, 8};
    case 4:
        return ReadBlock{reg::StepTable + 2 * readCount, 8};
    default:
        return std::nullopt;
    }
}

} // namespace vrx
