// How long characters take on a line, and where the program plugs its simulated line into the
// link layer.
#include "linedevice.h"

#include <algorithm>

namespace vrx {

qint64 CharacterMicros(const LineSettings& settings) {
    const int bits =
        1 + settings.dataBits + (settings.parity == Parity::None ? 0 : 1) + settings.stopBits;
    return std::max<qint64>(1, qint64(bits) * 1000000 / std::max(settings.baud, 1));
}

int ExchangeLineMs(const LineSettings& settings, qsizetype requestBytes, qsizetype replyBytes) {
    const qint64 halfChars = 2 * (requestBytes + replyBytes) + 2 * 7;
    return int((halfChars * CharacterMicros(settings) / 2 + 999) / 1000);
}

namespace {
SimulatedLineFactory& Factory() {
    static SimulatedLineFactory factory;
    return factory;
}
} // namespace

void InstallSimulatedLineFactory(SimulatedLineFactory factory) {
    Factory() = std::move(factory);
}

const SimulatedLineFactory& InstalledSimulatedLineFactory() {
    return Factory();
}

} // namespace vrx
