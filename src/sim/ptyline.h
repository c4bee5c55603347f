// What a pseudo-terminal tells of the line its master set up. POSIX only.
#pragma once

#include "linefit.h"

namespace vrx::sim {

// The master's line of a pty's output speed code (B9600, ...) and control flags (CSTOPB): its
// speed and stop bits, and nothing of its data bits or parity, which a pty does not keep.
MasterLine PtyLineOf(unsigned speedCode, unsigned controlFlags);

} // namespace vrx::sim
