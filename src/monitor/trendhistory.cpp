// The trend history: one sample a second of every active station, in a ring per station.
#include "trendhistory.h"

#include "clock.h"

#include <algorithm>

namespace vrx {

bool TrendRescaleDue(int drawnMax, int drawnMin, int foundMax, int foundMin) {
    return qint64(foundMax - foundMin) * 2 < qint64(drawnMax - drawnMin);
}

namespace {

void SampleTrend(MonitorState& s, int st) {
    auto& history = s.TrendHistory[st];
    auto& setValues = s.TrendSvHistory[st];
    auto& stamps = s.TrendStamps[st];
    const int value = s.StationPV[st];
    const auto at = std::size_t(s.TrendIndex[st]);
    history[at] = value;
    setValues[at] = s.StationSV[st];
    stamps[at] = Clock::Current().Milliseconds();
    if (s.TrendIndex[st] <= 1 && !s.TrendWrapped[st]) {
        s.TrendMax[st] = s.TrendMin[st] = value;
    } else {
        s.TrendMax[st] = std::max(s.TrendMax[st], value);
        s.TrendMin[st] = std::min(s.TrendMin[st], value);
    }
    if (s.TrendIndex[st] < MonitorTrendLength) return;
    // The ring is full: the sample at 720 becomes position 0 and the oldest one leaves.
    s.TrendIndex[st] = 0;
    history[0] = history[MonitorTrendLength];
    setValues[0] = setValues[MonitorTrendLength];
    stamps[0] = stamps[MonitorTrendLength];
    s.TrendWrapped[st] = true;
    const auto [low, high] =
        std::minmax_element(history.begin(), history.begin() + MonitorTrendLength);
    if (st == s.SelStation) {
        if (TrendRescaleDue(s.TrendMax[st], s.TrendMin[st], *high, *low)) {
            s.TrendDrawnStation = 0;
            s.TrendMax[st] = *high;
            s.TrendMin[st] = *low;
        }
    } else {
        // Not on the chart: the next full drawing of it scales to what it then shows.
        s.TrendMax[st] = *high;
        s.TrendMin[st] = *low;
    }
}

} // namespace

void SampleTrends(MonitorState& state) {
    for (int st = 1; st <= MonitorStations; ++st)
        if (state.StationActive[st]) SampleTrend(state, st);
}

void AdvanceTrends(MonitorState& state) {
    for (int st = 1; st <= MonitorStations; ++st)
        if (state.StationActive[st]) ++state.TrendIndex[st];
}

} // namespace vrx
