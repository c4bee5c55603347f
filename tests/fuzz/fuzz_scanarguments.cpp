// vrxcom scan's arguments (split at spaces), with the address list users type: whatever is
// accepted is a scan the line can run, and a refusal says why in a short line.
#include "scancommand.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const vrx::ScanCommand command = vrx::ParseScanArguments(text.split(u' '));
    if (command.action == vrx::ScanCommand::Action::Error) {
        if (command.error.isEmpty() || command.error.size() > 200) std::abort();
        return 0;
    }
    if (command.action == vrx::ScanCommand::Action::Help) return 0;
    if (command.com < 1 || command.com > 99) std::abort();
    int last = 0;
    for (const int a : command.choices.addresses) {
        // Never the broadcast address, never a reserved one, each once.
        if (a < 1 || a > 247 || a <= last) std::abort();
        last = a;
    }
    for (const vrx::LineFormat& f : command.choices.formats)
        if ((f.dataBits != 7 && f.dataBits != 8) || (f.stopBits != 1 && f.stopBits != 2))
            std::abort();
    // The plan of what was accepted holds only these tries.
    vrx::scan::ScanPlan plan(command.choices);
    for (int i = 0; i < 64; ++i) {
        const auto next = plan.Next();
        if (!next) break;
        if (next->address < 1 || next->address > 247) std::abort();
        if (next->settings.Rtu() && next->settings.dataBits != 8) std::abort();
    }
    return 0;
}
