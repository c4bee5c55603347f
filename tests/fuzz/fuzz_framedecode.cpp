// Fuzz harness of the frame decoder: any bytes, as a request and as a reply, on a serial line
// and as a Modbus TCP line's ADU, taken apart and described, as the traffic window does with
// whatever crosses the line.
#include "framedecode.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const bool mbap : {false, true})
        for (const bool sent : {true, false})
            vrx::DescribeFrame(vrx::DecodeFrame(bytes, sent, mbap));
    return 0;
}
