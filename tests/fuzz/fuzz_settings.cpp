// The settings file's first bytes, as a hand-edited or damaged file may hold them.
#include "comsettings.h"
#include "errors.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray head(reinterpret_cast<const char*>(data),
                          qsizetype(qMin<size_t>(size, vrx::SettingsHeadSize)));
    try {
        const int value = vrx::ParseSettingsHead(head, QStringLiteral("SETVRX.$$$"));
        if (value < 0 || value > vrx::LargestPackedSettings) std::abort();
        const vrx::ComSelections s = vrx::UnpackSettings(value);
        if (s.comPort < 0 || s.baudRate < 0 || s.parity < 0 || s.bitLen < 0 || s.stopBit < 0 ||
            s.modBus < 0 || s.modBus > 1)
            std::abort();
    } catch (const vrx::Error& error) {
        if (error.text().size() > 120) std::abort();
    }
    return 0;
}
