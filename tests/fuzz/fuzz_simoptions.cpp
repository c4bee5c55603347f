// The simulated line's option text, as it comes after "sim:" in VRX_COMn or on vrx-sim's command
// line: whatever is accepted is a line the simulator can run, and a refusal names the option.
#include "simoptions.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    const std::optional<vrx::sim::LineOptions> options = vrx::sim::ParseLineOptions(text, &error);
    if (!options) {
        if (!error.startsWith(QLatin1String("simulated line: "))) std::abort();
        return 0;
    }
    if (!std::isfinite(options->speed) || options->speed <= 0 || options->speed > 1000)
        std::abort();
    if (options->addresses.empty() || options->addresses.size() > 8) std::abort();
    for (const int a : options->addresses)
        if (a < 1 || a > 255) std::abort();
    if (options->turnaroundMs < 0 || options->turnaroundMs > 10000) std::abort();
    if (options->baud && (*options->baud < 300 || *options->baud > 1000000)) std::abort();
    for (const vrx::sim::Fault& fault : options->faults)
        if (fault.delayMs < 0 || fault.gapMs < 0 || fault.pieces < 0) std::abort();
    return 0;
}
