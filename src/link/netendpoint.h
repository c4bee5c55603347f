// Where a network line goes: the tcp:, mbtcp: and listen: forms of VRX_COMn.
#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>

#include <optional>

namespace vrx {

// VRX_COMn as a network line:
//   tcp:HOST:PORT      a transparent serial server: the frames go through as on a serial line
//   mbtcp:HOST:PORT    a Modbus TCP gateway: frames become MBAP requests and replies come back
//                      as frames
//   listen:HOST:PORT   a gateway calls in on HOST:PORT and then relays bytes as tcp: does
// followed by options, each ":key=value":
//   timeout=MS         the network's share of every reply time-out
//   allow=ADDR,ADDR    listen: only: the callers taken; any other is closed at once. An IPv6
//                      address comes in brackets: allow=[2001:db8::5],192.0.2.6
// HOST is a name, an IPv4 address, or an IPv6 address in brackets.
struct NetEndpoint {
    enum class Kind { Tcp, ModbusTcp, Listen };
    // What a LAN adds to a reply: a serial server collects the reply's bytes for a few
    // milliseconds before it sends them on.
    static constexpr int DefaultExtraReplyMs = 100;
    static constexpr int MaxExtraReplyMs = 60000;
    // More would be a network, which a gateway is not.
    static constexpr int MaxAllowed = 32;

    Kind kind = Kind::Tcp;
    QString host;
    quint16 port = 0;
    int extraReplyMs = DefaultExtraReplyMs;
    // listen: the peer addresses a caller may come from; empty: any.
    QList<QHostAddress> allow;
    // Whether a caller from this address may be taken (an IPv4 peer of a dual-stack listener
    // comes as ::ffff:a.b.c.d and is the same caller).
    bool Allows(const QHostAddress& peer) const;
    friend bool operator==(const NetEndpoint&, const NetEndpoint&) = default;
};

// True when the text is meant as a network line (it starts with one of the three prefixes),
// whether or not the rest of it parses.
bool IsNetEndpointText(const QString& text);
// The endpoint of the text, or nullopt with the reason in error.
std::optional<NetEndpoint> ParseNetEndpoint(const QString& text, QString* error);
// How messages and the traffic log name it: "tcp 10.0.0.7:4001", "listen [::1]:5020".
QString DescribeEndpoint(const NetEndpoint& endpoint);

} // namespace vrx
