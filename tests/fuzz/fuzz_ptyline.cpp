// What vrx-sim reads of a pty's line (the speed code and control flags any master may set) and
// the replies it garbles for a master at other stop bits: a line of a rate we know or none, one
// or two stop bits, and a garbled reply never a frame.
#include "framecodec.h"
#include "ptyline.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 8) return 0;
    std::uint32_t speed = 0, flags = 0;
    std::memcpy(&speed, data, 4);
    std::memcpy(&flags, data + 4, 4);
    const vrx::sim::MasterLine line = vrx::sim::PtyLineOf(speed, flags);
    if (line.baud < 0 || line.baud > 230400) std::abort();
    if (line.stopBits != 1 && line.stopBits != 2) std::abort();
    vrx::sim::LineOptions options;
    options.baud = 19200;
    options.format = vrx::sim::LineFormat{8, 'N', 2};
    (void)vrx::sim::FitOf(options, line);
    const QByteArray reply(reinterpret_cast<const char*>(data + 8), qsizetype(size - 8));
    const QByteArray garbled = vrx::sim::Garbled(reply);
    if (garbled.size() != reply.size() || garbled.contains(':')) std::abort();
    for (int address = 1; address <= 247; address += 123)
        if (vrx::CheckRtuReply(garbled, address).isGood()) std::abort();
    return 0;
}
