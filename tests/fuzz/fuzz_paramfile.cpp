// Feeds arbitrary bytes to the parameter file reader, whole and cut into two pieces, and checks
// that both readings agree, that a rejected file leaves the buffer as it was, and that reading
// stops once the file is refused.
#include "paramfile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    vrx::ParamImage current;
    current.fill(0x5A);

    const vrx::ParamFileLoad whole = vrx::ParseParamFile(bytes, current);

    vrx::ParamFileScanner scanner(current);
    const qsizetype cut = size ? qsizetype(data[0]) % qsizetype(size) : 0;
    if (scanner.Feed(bytes.first(cut))) scanner.Feed(bytes.sliced(cut));
    const vrx::ParamFileLoad pieces = scanner.Finish();

    if (whole.status != pieces.status || whole.pairs != pieces.pairs ||
        whole.image != pieces.image || whole.message != pieces.message)
        std::abort();
    if (!whole.takesImage && whole.image != current) std::abort();
    if (whole.message.size() > 120) std::abort();
    // Reading stops one pair past the format.
    if (whole.pairs > vrx::ParamEntries + 2) std::abort();
    return 0;
}
