// Fuzz harness of the record file reader: the first load, then block reads at offsets and
// thinnings taken from the input, all on an in-memory file.
#include "recordfile.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QBuffer buffer;
    buffer.setData(reinterpret_cast<const char*>(data), qsizetype(size));
    buffer.open(QIODevice::ReadOnly);
    vrx::SampleStore samples;
    const vrx::RecordLoad load = vrx::LoadRecord(buffer, samples);
    if (load.broken) return 0;
    // A view's later reads: from a record the input chooses, every a-th.
    const int first = size > 0 ? data[size - 1] : 0;
    const int thinning = size > 1 ? 1 + data[size - 2] % 120 : 1;
    vrx::ReadRecordBlock(buffer, load.layout, first, thinning, samples);
    vrx::ReadRecordBlock(buffer, load.layout, load.layout.recordCount, 1, samples);
    return 0;
}
