// What a pseudo-terminal tells of the line its master set up, and what a controller pinned to a
// speed and format makes of a master at that line. POSIX only.
#pragma once

#include "simoptions.h"

#include <QByteArray>

namespace vrx::sim {

// The master's line as far as a pty keeps it: its speed and stop bits. Recent kernels keep no
// parity and no data bits on a pty (it forces 8 bits without parity), so those cannot be told.
struct PtyLine {
    int baud = 0; // 0: a speed code of no rate we know
    int stopBits = 1;
    friend bool operator==(const PtyLine&, const PtyLine&) = default;
};

// The line of a pty's output speed code (B9600, ...) and control flags (CSTOPB).
PtyLine PtyLineOf(unsigned speedCode, unsigned controlFlags);

enum class LineFit {
    Fits,    // the controllers hear the master: they answer as they would
    Silent,  // another speed: every character garbled, so they hear no request and say nothing
    Garbled, // the speed fits, the stop bits do not: they hear the request, but the master's
             // receiver frames their reply's characters wrongly and gets bytes that make no frame
};

// How a master at `line` meets controllers pinned by the options' baud= and format= (nothing
// pinned fits every line).
LineFit FitOf(const LineOptions& options, const PtyLine& line);

// A reply as a receiver that frames each character one bit late reads it: the stop bit comes in
// as the top data bit. No ':' survives (ASCII) and no station address or CRC holds (RTU).
QByteArray Garbled(const QByteArray& reply);

} // namespace vrx::sim
