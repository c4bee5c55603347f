// VRX_COMn's network forms: whatever is accepted names a host and a port that a line can use,
// an allow list of addresses only on a listen: line, and written out again it parses back to
// the same line.
#include "netendpoint.h"

#include <QStringList>

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
    // An allow list belongs to a line that takes callers, and names addresses only.
    if (!endpoint->allow.isEmpty() && endpoint->kind != vrx::NetEndpoint::Kind::Listen)
        std::abort();
    if (endpoint->allow.size() > vrx::NetEndpoint::MaxAllowed) std::abort();
    for (const QHostAddress& address : endpoint->allow) {
        if (address.isNull() || !endpoint->Allows(address)) std::abort();
    }
    // "tcp 10.0.0.7:4001" is the same line written as "tcp:10.0.0.7:4001", and its options
    // written out again give the same line.
    QString described = vrx::DescribeEndpoint(*endpoint);
    described.replace(described.indexOf(u' '), 1, u':');
    described += QStringLiteral(":timeout=%1").arg(endpoint->extraReplyMs);
    if (!endpoint->allow.isEmpty()) {
        QStringList allowed;
        for (const QHostAddress& address : endpoint->allow)
            allowed << (address.protocol() == QAbstractSocket::IPv6Protocol
                            ? u'[' + address.toString() + u']'
                            : address.toString());
        described += ":allow=" + allowed.join(u',');
    }
    const auto again = vrx::ParseNetEndpoint(described, nullptr);
    if (!again || *again != *endpoint) std::abort();
    return 0;
}
