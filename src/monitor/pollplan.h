// What the Monitor's engine reads in each poll phase: the request table of the polling cycle.
#pragma once

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

} // namespace vrx
