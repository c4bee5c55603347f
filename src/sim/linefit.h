// How simulated controllers pinned to a speed and format meet a master at other line settings,
// as a real line does: silence, or replies that reach the master as bytes of no frame.
#pragma once

#include "simoptions.h"

#include <QByteArray>

#include <optional>

namespace vrx::sim {

// The master's line as far as the simulator can tell it: an in-process line knows it all; a pty
// keeps no parity and no data bits (recent kernels force 8 bits without parity on it).
struct MasterLine {
    int baud = 0; // 0: a rate we do not know
    int stopBits = 1;
    std::optional<int> dataBits;
    std::optional<char> parity; // 'N', 'E' or 'O'
    friend bool operator==(const MasterLine&, const MasterLine&) = default;
};

enum class LineFit {
    Fits,    // the controllers hear the master: they answer as they would
    Silent,  // another speed, data bits or parity: every character garbled, so they hear no
             // request and say nothing
    Garbled, // only the stop bits differ: they hear the request, but the master's receiver
             // frames their reply's characters wrongly and gets bytes that make no frame
};

// How a master at `line` meets controllers pinned by the options' baud= and format= (nothing
// pinned fits every line).
LineFit FitOf(const LineOptions& options, const MasterLine& line);

// A reply as a receiver that frames each character one bit late reads it: the stop bit comes in
// as the top data bit. No ':' survives (ASCII) and no station address or CRC holds (RTU).
QByteArray Garbled(const QByteArray& reply);

} // namespace vrx::sim
