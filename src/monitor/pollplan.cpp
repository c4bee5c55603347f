// The poll phases' registers.
#include "pollplan.h"

#include "registers.h"

#include <iterator>

namespace vrx {

std::optional<ReadBlock> PhaseBlock(int phase) {
    static constexpr ReadBlock blocks[] = {
        {reg::DecimalPoint, 7},     // StatusPhase: decimal point .. program running
        {reg::ProgramDisplay, 5},   // ProgramStatusPhase
        {reg::ProcessValue, 4},     // ProcessValuesPhase
        {reg::RangeHigh, 8},        // LimitsPhase
        {reg::ProportionalBand, 7}, // PidPhase
        {reg::Hysteresis1, 8},      // MethodPhase
        {reg::ControlPeriod1, 5},   // PeriodsPhase
        {reg::Alarm1Mode, 5},       // AlarmModesPhase
        {reg::OutputType1, 2},      // OutputTypesPhase
        {reg::RtdOffset, 7},        // CalibrationPhase
    };
    static_assert(std::size(blocks) == LastSettingsPhase + 1);
    if (phase < StatusPhase || phase > LastSettingsPhase) return std::nullopt;
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
