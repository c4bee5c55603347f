// HubServer: the hub's Modbus TCP side, the connections of the masters that share the line.
#pragma once

#include "linehub.h"

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>

#include <map>
#include <memory>
#include <optional>
#include <vector>

class QTcpServer;
class QTcpSocket;

namespace vrx {

class ClockTimer;

// Where the hub listens: ADDR:PORT, [IPv6]:PORT, or a bare PORT on 127.0.0.1.
struct ServeAddress {
    QHostAddress host = QHostAddress(QHostAddress::LocalHost);
    quint16 port = 0;
    friend bool operator==(const ServeAddress&, const ServeAddress&) = default;
};
// Nothing, with the reason, when the text is none of the three forms (a host is an address,
// or "localhost").
std::optional<ServeAddress> ParseServeAddress(const QString& text, QString* error);
QString DescribeServeAddress(const ServeAddress& address);

class HubServer : public QObject {
    Q_OBJECT
public:
    struct Limits {
        int clients = 8;             // masters connected at once; the next is closed at once
        int idleMs = 10 * 60 * 1000; // a master that sends nothing this long is closed
        int partialMs = 1000;        // a request begun and not ended this long closes its master
        // Answers a master has not read past this stop the reading of its requests until it
        // reads them: a master that only sends cannot make the hub hold more and more.
        qint64 unreadLimit = 64 * 1024;
        int logEveryMs = 60 * 1000; // each kind of refusal is logged at most this often
    };

    HubServer(LineHub& hub, const Limits& limits, QObject* parent = nullptr);
    ~HubServer() override;

    // Listens on every address; false with the reason when one cannot be listened on (then
    // none is). An address other than the machine's own is said once in the log.
    bool Listen(const QList<ServeAddress>& addresses, QString* error);
    // Closes every connection and stops listening.
    void Close();
    int Connected() const { return int(links_.size()); }
    // The ports listened on, in the order given (the port chosen for port 0).
    QList<quint16> Ports() const;

signals:
    void logged(const QString& text);

private:
    struct Link;
    void Accept(QTcpServer* server);
    void Read(Link& link);
    void Drop(Link& link);
    // Logs `text` unless the same kind was logged less than logEveryMs ago.
    void LogSometimes(int kind, const QString& text);

    LineHub& hub_;
    Limits limits_;
    QList<QTcpServer*> servers_;
    std::vector<std::unique_ptr<Link>> links_;
    std::map<int, quint32> lastLogged_;
};

} // namespace vrx
