// The broker URL of `vrxcom record --mqtt`, as typed or pasted.
#include "recordoptions.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString url = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    const std::optional<vrx::MqttTarget> target = vrx::ParseMqttUrl(url, &error);
    if (!target) {
        if (error.isEmpty() || error.size() > 200) std::abort();
        return 0;
    }
    if (target->host.isEmpty() || target->port < 1 || target->port > 65535 ||
        target->prefix.isEmpty() || target->prefix.contains(QLatin1Char('+')) ||
        target->prefix.contains(QLatin1Char('#')) || target->prefix.contains(QLatin1String("//")) ||
        target->prefix.endsWith(QLatin1Char('/')) || target->host.contains(QLatin1Char('@')))
        std::abort();
    return 0;
}
