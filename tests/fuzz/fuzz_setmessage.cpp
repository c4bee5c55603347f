// A set message from the network (--allow-writes): its topic and its payload, as any client of
// the broker may send them.
#include "samplemessages.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    // The first line is the topic, the rest the payload.
    const qsizetype cut = bytes.indexOf('\n');
    const QString topic = QString::fromUtf8(cut < 0 ? bytes : bytes.left(cut));
    const QByteArray payload = cut < 0 ? QByteArray() : bytes.mid(cut + 1);
    const int address = vrx::SetTopicAddress(topic, QStringLiteral("vrx"), 1);
    if (address < 0 || address > 255) std::abort();
    QString error;
    const std::optional<qint32> tenths = vrx::ParseSetMessage(payload, &error);
    if (tenths && (*tenths < -32768 || *tenths > 32767 || !error.isEmpty())) std::abort();
    if (!tenths && (error.isEmpty() || error.size() > 200)) std::abort();
    return 0;
}
