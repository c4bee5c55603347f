// Parsing the network forms of VRX_COMn.
#include "netendpoint.h"

#include <QCoreApplication>
#include <QStringList>

namespace vrx {

namespace {

struct Prefix {
    const char* text;
    NetEndpoint::Kind kind;
};
constexpr Prefix Prefixes[] = {
    {"tcp:", NetEndpoint::Kind::Tcp},
    {"mbtcp:", NetEndpoint::Kind::ModbusTcp},
    {"listen:", NetEndpoint::Kind::Listen},
};

QString Tr(const char* text) {
    return QCoreApplication::translate("vrx::NetEndpoint", text);
}

} // namespace

bool IsNetEndpointText(const QString& text) {
    for (const Prefix& prefix : Prefixes)
        if (text.startsWith(QLatin1String(prefix.text))) return true;
    return false;
}

std::optional<NetEndpoint> ParseNetEndpoint(const QString& text, QString* error) {
    NetEndpoint endpoint;
    QString rest;
    for (const Prefix& prefix : Prefixes) {
        if (!text.startsWith(QLatin1String(prefix.text))) continue;
        endpoint.kind = prefix.kind;
        rest = text.mid(qsizetype(qstrlen(prefix.text)));
        break;
    }
    const QString shown = text.left(80);
    auto fail = [&](const QString& why) {
        if (error) *error = QStringLiteral("%1: %2").arg(shown, why);
        return std::nullopt;
    };
    if (rest.isEmpty())
        return fail(Tr(QT_TRANSLATE_NOOP("vrx::NetEndpoint", "HOST:PORT is missing")));
    // An IPv6 address has colons of its own: it comes in brackets.
    qsizetype afterHost = 0;
    if (rest.startsWith(u'[')) {
        const qsizetype close = rest.indexOf(u']');
        if (close < 0)
            return fail(
                Tr(QT_TRANSLATE_NOOP("vrx::NetEndpoint", "']' is missing after the IPv6 address")));
        endpoint.host = rest.mid(1, close - 1);
        afterHost = close + 1;
        if (afterHost >= rest.size() || rest.at(afterHost) != u':')
            return fail(Tr(QT_TRANSLATE_NOOP("vrx::NetEndpoint", "the port is missing")));
    } else {
        afterHost = rest.indexOf(u':');
        if (afterHost < 0)
            return fail(Tr(QT_TRANSLATE_NOOP("vrx::NetEndpoint", "the port is missing")));
        endpoint.host = rest.left(afterHost);
    }
    if (endpoint.host.isEmpty())
        return fail(Tr(QT_TRANSLATE_NOOP("vrx::NetEndpoint", "the host is missing")));
    for (const QChar c : endpoint.host)
        if (c.isSpace() || c == u'/' || c == u'[' || c == u']' || c == u'=')
            return fail(Tr(QT_TRANSLATE_NOOP("vrx::NetEndpoint", "'%1' is not a host"))
                            .arg(endpoint.host.left(64)));
    const QStringList items = rest.mid(afterHost + 1).split(u':');
    bool ok = false;
    const uint port = items.front().toUInt(&ok);
    if (!ok || port == 0 || port > 65535)
        return fail(Tr(QT_TRANSLATE_NOOP("vrx::NetEndpoint", "'%1' is not a port (1 to 65535)"))
                        .arg(items.front().left(16)));
    endpoint.port = quint16(port);
    for (qsizetype i = 1; i < items.size(); ++i) {
        const QString& item = items.at(i);
        if (!item.startsWith(QLatin1String("timeout=")))
            return fail(
                Tr(QT_TRANSLATE_NOOP("vrx::NetEndpoint", "unknown option '%1' (timeout=MS)"))
                    .arg(item.left(32)));
        const int ms = item.mid(8).toInt(&ok);
        if (!ok || ms < 0 || ms > NetEndpoint::MaxExtraReplyMs)
            return fail(
                Tr(QT_TRANSLATE_NOOP("vrx::NetEndpoint", "timeout '%1': 0 to %2 ms"))
                    .arg(item.mid(8).left(16), QString::number(NetEndpoint::MaxExtraReplyMs)));
        endpoint.extraReplyMs = ms;
    }
    return endpoint;
}

QString DescribeEndpoint(const NetEndpoint& endpoint) {
    const char* kind = endpoint.kind == NetEndpoint::Kind::Tcp         ? "tcp"
                       : endpoint.kind == NetEndpoint::Kind::ModbusTcp ? "mbtcp"
                                                                       : "listen";
    const QString host = endpoint.host.contains(u':') ? u'[' + endpoint.host + u']' : endpoint.host;
    // One arg() for all: a host may hold a '%' that a second arg() would take for its own.
    return QStringLiteral("%1 %2:%3")
        .arg(QLatin1String(kind), host, QString::number(endpoint.port));
}

} // namespace vrx
