// What the Monitor's engine reads in each poll phase: the request table of the polling cycle.
#pragma once

#include "registers.h"

#include <optional>

namespace vrx {

// Poll phases: the three reads of every active station, then the settings blocks of the
// selected one.
inline constexpr int StatusPhase = 0;
inline constexpr int ProgramStatusPhase = 1;
inline constexpr int ProcessValuesPhase = 2;
inline constexpr int FirstSettingsPhase = 3;
inline constexpr int LastSettingsPhase = 9;

// A run of holding registers read with one request.
struct ReadBlock {
    int first;
    int count;
    friend bool operator==(const ReadBlock&, const ReadBlock&) = default;
};

// The block a phase reads; nothing for a phase outside 0..9.
std::optional<ReadBlock> PhaseBlock(int phase);

// The parameter memory: eight index/value words per read.
inline constexpr ReadBlock ParameterMemoryBlock{reg::ParameterMemory, 8};

// The block a step of the pattern read asks for; the step tables are read four steps (eight
// words) at a time from readCount on. Nothing for a step outside 0..4.
std::optional<ReadBlock> PatternStepBlock(int patternStep, int readCount);

} // namespace vrx
