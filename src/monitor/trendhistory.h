// The trend history of the Monitor's stations: sampling, the ring's wrap and the chart's
// rescale.
#pragma once

#include "monitorstate.h"

namespace vrx {

// At a wrap of the selected station's history: the chart is rescaled when the history it will
// show spans less than half of the range it is drawn for, so a trace that has settled after a
// disturbance fills the chart again, while small changes do not make it jump.
bool TrendRescaleDue(int drawnMax, int drawnMin, int foundMax, int foundMin);

// A tick of Timer1 while the chain runs: every active station's process value goes into its
// history ring (with its range, and a rescale of the chart when the selected station's ring
// wraps); after the chart has drawn the sample, the rings advance.
void SampleTrends(MonitorState& state);
void AdvanceTrends(MonitorState& state);

} // namespace vrx
