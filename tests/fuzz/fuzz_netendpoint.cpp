// VRX_COMn's network forms: whatever is accepted names a host and a port that a line can use,
// and its description parses back to the same line.
#include "netendpoint.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    const auto endpoint = vrx::ParseNetEndpoint(text, &error);
    if (!endpoint) {
        // A refusal quotes at most a short excerpt of what it was given.
        if (error.isEmpty() || error.size() > 400) std::abort();
        return 0;
    }
    if (!vrx::IsNetEndpointText(text)) std::abort();
    if (endpoint->host.isEmpty() || endpoint->port == 0) std::abort();
    if (endpoint->extraReplyMs < 0 || endpoint->extraReplyMs > vrx::NetEndpoint::MaxExtraReplyMs)
        std::abort();
    // "tcp 10.0.0.7:4001" is the same line written as "tcp:10.0.0.7:4001".
    QString described = vrx::DescribeEndpoint(*endpoint);
    described.replace(described.indexOf(u' '), 1, u':');
    const auto again = vrx::ParseNetEndpoint(described, nullptr);
    if (!again || again->kind != endpoint->kind || again->host != endpoint->host ||
        again->port != endpoint->port)
        std::abort();
    return 0;
}
