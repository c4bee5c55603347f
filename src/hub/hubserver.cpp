// The masters' connections: MBAP in, answers out, and the limits that keep the hub bounded.
#include "hubserver.h"

#include "clock.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>

namespace vrx {

namespace {

// The kinds of refusal, each logged at most once a minute.
enum LogKind { TooMany, Broken, Partial, Idle };

// A socket's bytes are read in pieces of this size at most.
constexpr qint64 ReadPiece = 4096;

} // namespace

std::optional<ServeAddress> ParseServeAddress(const QString& text, QString* error) {
    const auto fail = [&](const QString& why) {
        if (error) *error = QStringLiteral("'%1': %2").arg(text.left(80), why);
        return std::nullopt;
    };
    ServeAddress address;
    QString port = text;
    if (const qsizetype colon = text.lastIndexOf(QLatin1Char(':')); colon >= 0) {
        QString host = text.left(colon);
        port = text.mid(colon + 1);
        if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
            host = host.mid(1, host.size() - 2);
        else if (host.contains(QLatin1Char(':')))
            return fail(QStringLiteral("an IPv6 address goes in brackets: [::1]:1502"));
        if (host == QLatin1String("localhost")) {
            address.host = QHostAddress(QHostAddress::LocalHost);
        } else if (!address.host.setAddress(host)) {
            return fail(QStringLiteral("'%1' is not an IP address").arg(host.left(64)));
        }
    }
    bool ok = false;
    const uint number = port.toUInt(&ok);
    if (!ok || port.startsWith(QLatin1Char('+')) || number == 0 || number > 65535)
        return fail(QStringLiteral("'%1' is not a port (1 to 65535)").arg(port.left(16)));
    address.port = quint16(number);
    return address;
}

QString DescribeServeAddress(const ServeAddress& address) {
    const QString host = address.host.toString();
    return (address.host.protocol() == QAbstractSocket::IPv6Protocol
                ? QStringLiteral("[%1]").arg(host)
                : host) +
           QLatin1Char(':') + QString::number(address.port);
}

// A QObject so that it can go from the event loop: its own timer or its socket's signal may be
// what ends it.
struct HubServer::Link : QObject {
    QTcpSocket* socket = nullptr;
    quint64 master = 0;
    QString name;
    MbapReader reader;
    ClockTimer idle;
    ClockTimer partial;
};

HubServer::HubServer(LineHub& hub, const Limits& limits, QObject* parent)
    : QObject(parent), hub_(hub), limits_(limits) {}

HubServer::~HubServer() {
    Close();
}

bool HubServer::Listen(const QList<ServeAddress>& addresses, QString* error) {
    for (const ServeAddress& address : addresses) {
        auto* server = new QTcpServer(this);
        if (!server->listen(address.host, address.port)) {
            if (error)
                *error = QStringLiteral("cannot serve on %1: %2")
                             .arg(DescribeServeAddress(address), server->errorString());
            delete server;
            Close();
            return false;
        }
        // Every new connection is taken and judged at once: none waits in Qt's backlog.
        server->setMaxPendingConnections(1);
        connect(server, &QTcpServer::newConnection, this, [this, server] { Accept(server); });
        servers_ << server;
        if (!address.host.isLoopback())
            emit logged(
                QStringLiteral("serving the line on %1: reachable from other machines")
                    .arg(DescribeServeAddress(ServeAddress{address.host, server->serverPort()})));
    }
    return true;
}

QList<quint16> HubServer::Ports() const {
    QList<quint16> ports;
    for (const QTcpServer* server : servers_)
        ports << server->serverPort();
    return ports;
}

void HubServer::Close() {
    for (QTcpServer* server : std::exchange(servers_, {}))
        delete server;
    while (!links_.empty())
        Drop(*links_.back());
}

void HubServer::Accept(QTcpServer* server) {
    while (QTcpSocket* socket = server->nextPendingConnection()) {
        const QString name =
            QStringLiteral("%1:%2").arg(socket->peerAddress().toString()).arg(socket->peerPort());
        if (int(links_.size()) >= limits_.clients) {
            LogSometimes(TooMany, QStringLiteral("a master from %1 was refused: %2 are "
                                                 "connected, the most allowed (--serve-clients)")
                                      .arg(name)
                                      .arg(limits_.clients));
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto link = std::make_unique<Link>();
        Link* l = link.get();
        l->socket = socket;
        l->name = name;
        socket->setParent(l);
        socket->setReadBufferSize(ReadPiece);
        l->master =
            hub_.AddMaster(name, [l](const MbapAdu& adu) { l->socket->write(EncodeMbap(adu)); });
        l->idle.setSingleShot(true);
        l->partial.setSingleShot(true);
        connect(&l->idle, &ClockTimer::timeout, this, [this, l] {
            LogSometimes(Idle, QStringLiteral("%1 sent nothing for %2 minutes; closed")
                                   .arg(l->name)
                                   .arg(limits_.idleMs / 60000));
            Drop(*l);
        });
        connect(&l->partial, &ClockTimer::timeout, this, [this, l] {
            LogSometimes(Partial,
                         QStringLiteral("%1 left a request unfinished; closed").arg(l->name));
            Drop(*l);
        });
        connect(socket, &QTcpSocket::readyRead, this, [this, l] { Read(*l); });
        // Answers read by the master make room to read its next requests.
        connect(socket, &QTcpSocket::bytesWritten, this, [this, l] { Read(*l); });
        connect(socket, &QTcpSocket::disconnected, this, [this, l] { Drop(*l); });
        l->idle.start(limits_.idleMs);
        links_.push_back(std::move(link));
        Read(*l);
    }
}

void HubServer::Read(Link& link) {
    std::vector<MbapAdu> adus;
    bool got = false;
    while (link.socket->bytesToWrite() < limits_.unreadLimit && link.socket->bytesAvailable() > 0) {
        const QByteArray bytes = link.socket->read(ReadPiece);
        if (bytes.isEmpty()) break;
        got = true;
        QString error;
        adus.clear();
        const bool good = link.reader.Feed(bytes, &adus, &error);
        const quint64 master = link.master;
        for (const MbapAdu& adu : adus) {
            hub_.Take(master, adu);
            // An answer given at once may have found the connection closed.
            if (std::none_of(links_.begin(), links_.end(),
                             [&](const auto& l) { return l.get() == &link; }))
                return;
        }
        if (!good) {
            LogSometimes(Broken, QStringLiteral("%1: %2; closed").arg(link.name, error));
            Drop(link);
            return;
        }
    }
    if (!got) return;
    link.idle.start(limits_.idleMs);
    if (!link.reader.Pending())
        link.partial.stop();
    else if (!link.partial.isActive())
        link.partial.start(limits_.partialMs);
}

void HubServer::Drop(Link& link) {
    const auto found =
        std::find_if(links_.begin(), links_.end(), [&](const auto& l) { return l.get() == &link; });
    if (found == links_.end()) return;
    std::unique_ptr<Link> gone = std::move(*found);
    links_.erase(found);
    hub_.RemoveMaster(gone->master);
    gone->socket->disconnect(this);
    gone->idle.stop();
    gone->partial.stop();
    gone->idle.disconnect(this);
    gone->partial.disconnect(this);
    gone->socket->abort();
    gone.release()->deleteLater();
}

void HubServer::LogSometimes(int kind, const QString& text) {
    const quint32 now = Clock::Current().Milliseconds();
    const auto last = lastLogged_.find(kind);
    if (last != lastLogged_.end() && qint32(now - last->second) < limits_.logEveryMs) return;
    lastLogged_[kind] = now;
    emit logged(text);
}

} // namespace vrx
