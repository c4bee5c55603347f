// What the Monitor's engine reads in each poll phase: the request table of the polling cycle.
#pragma once

#include "registers.h"

#include <optional>

namespace vrx {

// Poll phases: the three reads of every active station, then the settings blocks of the
// selected one, each named by what it holds. The engine counts through them in this order.
inline constexpr int StatusPhase = 0;        // decimal point, write enable, lamps, firmware ...
inline constexpr int ProgramStatusPhase = 1; // what a running program shows
inline constexpr int ProcessValuesPhase = 2; // PV, SV, output 1 and 2
inline constexpr int LimitsPhase = 3;        // range and alarm limits
inline constexpr int PidPhase = 4;           // PID terms and dead band
inline constexpr int MethodPhase = 5;        // hysteresis, tune out, write setting, input, method
inline constexpr int PeriodsPhase = 6;       // control periods, PV offset, key lock, system alarm
inline constexpr int AlarmModesPhase = 7;    // alarm modes, run/stop, unit
inline constexpr int OutputTypesPhase = 8;   // output types
inline constexpr int CalibrationPhase = 9;   // the hidden mode's offsets and gains
inline constexpr int FirstSettingsPhase = LimitsPhase;
inline constexpr int LastSettingsPhase = CalibrationPhase;

// A run of holding registers read with one request.
struct ReadBlock {
    int first;
    int count;
    friend bool operator==(const ReadBlock&, const ReadBlock&) = default;
};

// The block a phase reads; nothing for a phase outside StatusPhase..LastSettingsPhase.
std::optional<ReadBlock> PhaseBlock(int phase);

// The parameter memory: eight index/value words per read.
inline constexpr ReadBlock ParameterMemoryBlock{reg::ParameterMemory, 8};

// The block a step of the pattern read asks for; the step tables are read four steps (eight
// words) at a time from readCount on. Nothing for a step outside 0..4.
std::optional<ReadBlock> PatternStepBlock(int patternStep, int readCount);

} // namespace vrx
