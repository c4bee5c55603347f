// The order of the polls within a cycle, and the cycle's end.
#include "pollcycle.h"

namespace vrx {

void PollCycle::Begin(int st) {
    PollPhase = StatusPhase;
    PollStation = st;
    FirstSettingsRead = true;
}

void PollCycle::Restart(int firstActive) {
    if (firstActive != 0) PollStation = firstActive;
    PollPhase = StatusPhase;
}

CycleStep PollCycle::Advance(const CycleStations& stations) {
    const auto active = [&](int st) {
        return st >= 1 && st <= MonitorStations && stations.active[std::size_t(st)];
    };
    const auto running = [&](int st) { return active(st) && stations.programRunning[st]; };
    // Program status is asked only of the stations that run a program, after the first of them
    // as before it.
    const auto due = [&](int st) {
        return active(st) && (PollPhase != ProgramStatusPhase || running(st));
    };
    ++PollStation;
    while (stations.anyConnected && !due(PollStation)) {
        ++PollStation;
        if (PollStation > MonitorStations) {
            ++PollPhase;
            PollStation = 1;
            while (PollPhase == ProgramStatusPhase && !running(PollStation)) {
                if (++PollStation > MonitorStations) {
                    PollPhase = ProcessValuesPhase;
                    PollStation = 1;
                }
            }
        }
        if (PollPhase > FirstSettingsPhase) return CycleStep::NoneDue;
    }
    if (PollPhase <= ProcessValuesPhase) return CycleStep::Polling;

    // The cycle is over: a change of stations first, then a settings read if one is due.
    if (StationSetChanged) return CycleStep::StationsChange;
    if (SettingsReread) {
        SettingsReread = false;
        PollPhase = FirstSettingsPhase;
        return CycleStep::ReadSettings;
    }
    return CycleStep::Restart;
}

} // namespace vrx
