// The Monitor's polling cycle as a value: the phase and station it stands at, what comes after
// each answer, and when the selected station's settings are read.
#pragma once

#include "pollplan.h"

#include <array>

namespace vrx {

inline constexpr int MonitorStations = 4;

// What the cycle needs to know of the stations, indexed 1..4.
struct CycleStations {
    std::array<bool, MonitorStations + 1> active{};
    std::array<bool, MonitorStations + 1> programRunning{};
    bool anyConnected = false;
};

// Where the cycle stands once the station polled has answered.
enum class CycleStep {
    Polling,        // the next station or phase of the cycle is due
    NoneDue,        // no station was due through a whole phase: none is polled any more
    StationsChange, // the cycle is over, and stations were connected or cancelled during it
    ReadSettings,   // the cycle is over; the selected station's settings are read now
    Restart,        // the cycle is over and starts again
};

// Every active station answers the status read, then the stations that run a program the
// program status read, then all the process-value read; after a cycle the selected station's
// settings are read when something asked for them. Under the names of the Monitor's design.
struct PollCycle {
    int PollPhase = StatusPhase;
    int PollStation = 0;
    // The selected station's settings are read after the current cycle.
    bool SettingsReread = false;
    // The settings read that a Connect asked for is still to end.
    bool FirstSettingsRead = false;
    // Stations were connected or cancelled during the cycle: the next one starts with them.
    bool StationSetChanged = false;

    // The first cycle, at station st, followed by its settings.
    void Begin(int st);
    // The cycle starts over at `firstActive`, or at the station it stands at when that is 0.
    void Restart(int firstActive);
    // The station polled answered, or refused: on to the next station due. At a cycle's end the
    // step says how the next one starts (the caller restarts it for the other steps).
    CycleStep Advance(const CycleStations& stations);
    // The request goes to the selected station: a block of its settings.
    bool ReadsSettings() const { return PollPhase >= FirstSettingsPhase; }
    // A settings block was taken or refused: true when it was the last.
    bool SettingsBlockDone() { return ++PollPhase > LastSettingsPhase; }
};

} // namespace vrx
