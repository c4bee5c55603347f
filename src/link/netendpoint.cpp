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

// The port and the options, split at the colons that are not inside an IPv6 address's
// brackets.
QStringList SplitOptions(const QString& text) {
    QStringList items{QString()};
    bool bracketed = false;
    for (const QChar c : text) {
        if (c == u'[') bracketed = true;
        if (c == u']') bracketed = false;
        if (c == u':' && !bracketed)
            items.append(QString());
        else
            items.last().append(c);
    }
    return items;
}

// "192.0.2.5,[2001:db8::5]": addresses only, never names, so that no lookup decides who may
// call in.
bool ParseAllowed(const QString& text, QList<QHostAddress>* allowed, QString* why) {
    const QStringList items = text.split(u',');
    for (const QString& item : items) {
        const bool bracketed = item.startsWith(u'[') && item.endsWith(u']') && item.size() > 2;
        const QString bare = bracketed ? item.mid(1, item.size() - 2) : item;
        QHostAddress address;
        const bool v6 =
            address.setAddress(bare) && address.protocol() == QAbstractSocket::IPv6Protocol;
        // A bare IPv6 address could not have been split off from the options it sits among; an
        // IPv4 address only as four plain numbers ("1" or "010.1.2.3" mean other addresses to
        // other tools).
        const bool ok = !address.isNull() && address.scopeId().isEmpty() &&
                        (v6 ? bracketed : !bracketed && address.toString() == bare);
        if (!ok) {
            *why = Tr(QT_TRANSLATE_NOOP("vrx::NetEndpoint",
                                        "allow: '%1' is not an IPv4 address or an IPv6 address "
                                        "in brackets"))
                       .arg(item.left(48));
            return false;
        }
        if (allowed->size() >= NetEndpoint::MaxAllowed) {
            *why = Tr(QT_TRANSLATE_NOOP("vrx::NetEndpoint", "allow: at most %1 addresses"))
                       .arg(NetEndpoint::MaxAllowed);
            return false;
        }
        allowed->append(address);
    }
    return true;
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
    const QStringList items = SplitOptions(rest.mid(afterHost + 1));
    bool ok = false;
    const uint port = items.front().toUInt(&ok);
    if (!ok || port == 0 || port > 65535)
        return fail(Tr(QT_TRANSLATE_NOOP("vrx::NetEndpoint", "'%1' is not a port (1 to 65535)"))
                        .arg(items.front().left(16)));
    endpoint.port = quint16(port);
    for (qsizetype i = 1; i < items.size(); ++i) {
        const QString& item = items.at(i);
        if (item.startsWith(QLatin1String("timeout="))) {
            const int ms = item.mid(8).toInt(&ok);
            if (!ok || ms < 0 || ms > NetEndpoint::MaxExtraReplyMs)
                return fail(
                    Tr(QT_TRANSLATE_NOOP("vrx::NetEndpoint", "timeout '%1': 0 to %2 ms"))
                        .arg(item.mid(8).left(16), QString::number(NetEndpoint::MaxExtraReplyMs)));
            endpoint.extraReplyMs = ms;
        } else if (item.startsWith(QLatin1String("allow="))) {
            if (endpoint.kind != NetEndpoint::Kind::Listen)
                return fail(Tr(QT_TRANSLATE_NOOP("vrx::NetEndpoint",
                                                 "allow= is for a listen: line, which takes "
                                                 "callers")));
            QString why;
            if (!ParseAllowed(item.mid(6), &endpoint.allow, &why)) return fail(why);
        } else {
            return fail(Tr(QT_TRANSLATE_NOOP("vrx::NetEndpoint",
                                             "unknown option '%1' (timeout=MS, allow=ADDRESSES)"))
                            .arg(item.left(32)));
        }
    }
    return endpoint;
}

bool NetEndpoint::Allows(const QHostAddress& peer) const {
    if (allow.isEmpty()) return true;
    for (const QHostAddress& address : allow)
        if (address.isEqual(peer, QHostAddress::TolerantConversion)) return true;
    return false;
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
