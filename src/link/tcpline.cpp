// The network line: connecting, holding what waits for the connection, and Modbus TCP.
#include "tcpline.h"

#include "clock.h"
#include "linelog.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#ifdef Q_OS_LINUX
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

namespace vrx {

namespace {

// A gateway that has gone away without a word (powered off, cable pulled) is found by TCP's
// keep-alive, which the system otherwise starts only after two hours.
void KeepAlive(QTcpSocket& socket) {
    socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    socket.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
#ifdef Q_OS_LINUX
    const int fd = int(socket.socketDescriptor());
    if (fd < 0) return;
    const int idle = TcpLine::KeepAliveIdleS, interval = 1, probes = TcpLine::KeepAliveProbes;
    const unsigned unacknowledged = TcpLine::UnacknowledgedMs;
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
    ::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &unacknowledged, sizeof unacknowledged);
#endif
}

QString Peer(const QTcpSocket& socket) {
    const QHostAddress address = socket.peerAddress();
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? u'[' + address.toString() + u']'
                             : address.toString();
    return QStringLiteral("%1:%2").arg(host).arg(socket.peerPort());
}

std::optional<QHostAddress> ListenAddress(const QString& host) {
    if (host == u"localhost") return QHostAddress(QHostAddress::LocalHost);
    QHostAddress address;
    if (!address.setAddress(host)) return std::nullopt;
    return address;
}

} // namespace

TcpLine::TcpLine(NetEndpoint endpoint, QObject* parent)
    : LineDevice(parent), endpoint_(std::move(endpoint)) {
    connectTimer_.setSingleShot(true);
    connect(&connectTimer_, &QTimer::timeout, this,
            [this] { Lose(tr("no connection within %1 s").arg(ConnectTimeoutMs / 1000)); });
}

TcpLine::~TcpLine() {
    Close();
}

bool TcpLine::Open(const LineSettings& settings, QString* error) {
    if (open_) return true;
    framing_ = settings.framing;
    ++generation_;
    lossQueued_ = false;
    held_.clear();
    input_.clear();
    reader_.Reset();
    awaited_.reset();
    callersLogged_.clear();
    if (endpoint_.kind == NetEndpoint::Kind::Listen) {
        const auto address = ListenAddress(endpoint_.host);
        if (!address) {
            *error = tr("%1: listen needs an address of this machine, not '%2'")
                         .arg(Name(), endpoint_.host.left(64));
            return false;
        }
        server_ = new QTcpServer(this);
        if (!server_->listen(*address, endpoint_.port)) {
            *error = tr("%1: %2").arg(Name(), server_->errorString());
            delete std::exchange(server_, nullptr);
            return false;
        }
        // Every caller is taken off the system's queue as it comes and judged at once (kept,
        // put in the place of a silent connection, or closed): none waits behind another.
        connect(server_, &QTcpServer::newConnection, this, &TcpLine::OnNewConnection);
        open_ = true;
        return true;
    }
    open_ = true;
    Connect();
    return true;
}

void TcpLine::Connect() {
    auto* socket = new QTcpSocket(this);
    Adopt(socket);
    connectTimer_.start(ConnectTimeoutMs);
    socket->connectToHost(endpoint_.host, endpoint_.port);
}

void TcpLine::Adopt(QTcpSocket* socket) {
    socket_ = socket;
    connect(socket, &QTcpSocket::connected, this, &TcpLine::OnConnected);
    connect(socket, &QTcpSocket::readyRead, this, &TcpLine::OnSocketReadyRead);
    connect(socket, &QTcpSocket::errorOccurred, this, [this, socket](QAbstractSocket::SocketError) {
        if (socket == socket_) Lose(socket->errorString());
    });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        if (socket == socket_) Lose(tr("the connection was closed by the other end"));
    });
}

void TcpLine::Close() {
    open_ = false;
    connectTimer_.stop();
    DropSocket();
    if (server_) {
        server_->disconnect(this);
        server_->close();
        // Not deleted here: Close may run inside the server's own notification.
        std::exchange(server_, nullptr)->deleteLater();
    }
    held_.clear();
    input_.clear();
    awaited_.reset();
}

void TcpLine::DropSocket() {
    if (!socket_) return;
    socket_->disconnect(this);
    socket_->abort();
    std::exchange(socket_, nullptr)->deleteLater();
}

bool TcpLine::Connected() const {
    return open_ && socket_ && socket_->state() == QAbstractSocket::ConnectedState;
}

quint16 TcpLine::ListeningPort() const {
    return server_ ? server_->serverPort() : endpoint_.port;
}

void TcpLine::OnConnected() {
    connectTimer_.stop();
    KeepAlive(*socket_);
    stoodMs_ = Clock::Current().Milliseconds();
    heard_ = false;
    owedSinceMs_.reset();
    if (!held_.isEmpty()) Send(std::exchange(held_, {}));
    emit connected();
}

void TcpLine::OnNewConnection() {
    while (QTcpSocket* next = server_ ? server_->nextPendingConnection() : nullptr) {
        if (!Admit(*next)) {
            next->abort();
            next->deleteLater();
            continue;
        }
        if (Connected())
            qCInfo(lcLine).noquote() << tr("%1: %2 takes the place of %3, silent for %4 s")
                                            .arg(Name(), Peer(*next), Peer(*socket_))
                                            .arg(ReplaceSilentMs / 1000);
        DropSocket();
        next->setParent(this);
        Adopt(next);
        qCDebug(lcLine).noquote() << Name() << "gateway connected from" << Peer(*next);
        OnConnected();
    }
}

bool TcpLine::Admit(QTcpSocket& caller) {
    const QHostAddress address = caller.peerAddress();
    if (!endpoint_.Allows(address)) {
        LogCaller(address,
                  tr("%1: closed %2, which is not on the allow list").arg(Name(), Peer(caller)));
        return false;
    }
    if (Connected() && !Silent()) {
        LogCaller(address, tr("%1: refused %2, a gateway is connected from %3")
                               .arg(Name(), Peer(caller), Peer(*socket_)));
        return false;
    }
    return true;
}

bool TcpLine::Silent() const {
    const quint32 now = Clock::Current().Milliseconds();
    if (!heard_ && now - stoodMs_ >= quint32(ReplaceSilentMs)) return true;
    return owedSinceMs_ && now - *owedSinceMs_ >= quint32(ReplaceSilentMs);
}

void TcpLine::LogCaller(const QHostAddress& address, const QString& text) {
    const QString key = address.toString();
    if (callersLogged_.contains(key) || callersLogged_.size() > MaxCallersLogged) return;
    if (callersLogged_.size() == MaxCallersLogged) {
        callersLogged_.insert(QString()); // full: said once, and nothing more is kept
        qCInfo(lcLine).noquote() << tr("%1: more callers turned away, not logged").arg(Name());
        return;
    }
    callersLogged_.insert(key);
    qCInfo(lcLine).noquote() << text;
}

bool TcpLine::Write(const QByteArray& bytes) {
    if (!open_) return false;
    if (endpoint_.kind != NetEndpoint::Kind::ModbusTcp) return WriteWire(bytes);
    const std::optional<SerialRequest> request =
        SerialFrameToPdu(bytes, framing_ == Framing::Ascii);
    // A frame no slave would take goes nowhere, as on a serial line: it meets silence.
    if (!request) {
        qCDebug(lcLine).noquote() << Name() << "not sent, not a Modbus frame";
        awaited_.reset();
        return true;
    }
    return WriteAdu(request->unit, request->pdu);
}

bool TcpLine::WritePdu(int unit, const QByteArray& pdu) {
    if (!open_ || endpoint_.kind != NetEndpoint::Kind::ModbusTcp) return false;
    return WriteAdu(unit, pdu);
}

bool TcpLine::WriteAdu(int unit, const QByteArray& pdu) {
    ++transaction_;
    const QByteArray wire = EncodeMbap({transaction_, unit, pdu});
    // No station answers a broadcast, and a gateway sends nothing back for it either.
    if (unit == 0)
        awaited_.reset();
    else
        awaited_ = Awaited{transaction_, unit, framing_ == Framing::Ascii};
    return WriteWire(wire);
}

bool TcpLine::WriteWire(const QByteArray& wire) {
    if (!Connected()) {
        held_ = wire;
        return true;
    }
    // A connection whose other end takes nothing more (a gateway hung, a peer that stopped
    // reading) is a line gone, tried again as a reset one is: the request is not kept.
    if (socket_->bytesToWrite() + wire.size() > MaxUnsentBytes) {
        Lose(tr("the other end takes nothing more (%1 bytes wait to be sent)")
                 .arg(socket_->bytesToWrite()));
        return true;
    }
    Send(wire);
    return true;
}

void TcpLine::Send(const QByteArray& wire) {
    if (!owedSinceMs_) owedSinceMs_ = Clock::Current().Milliseconds();
    socket_->write(wire);
    // Out now, not at the event loop's next turn: a request waits for nothing else.
    socket_->flush();
    if (ConvertsFrames()) emit wireTraffic(true, wire);
}

void TcpLine::OnSocketReadyRead() {
    const QByteArray bytes = socket_->readAll();
    if (bytes.isEmpty()) return;
    heard_ = true;
    owedSinceMs_.reset();
    if (ConvertsFrames()) return TakeModbusTcp(bytes);
    input_.append(bytes);
    emit readyRead();
}

void TcpLine::TakeModbusTcp(const QByteArray& bytes) {
    emit wireTraffic(false, bytes);
    std::vector<MbapAdu> adus;
    QString error;
    if (!reader_.Feed(bytes, &adus, &error)) return Lose(error);
    bool added = false;
    for (const MbapAdu& adu : adus) {
        // A reply to a request given up on, or one nobody asked for, answers nothing.
        if (!awaited_ || adu.transaction != awaited_->transaction) continue;
        const Awaited awaited = *std::exchange(awaited_, std::nullopt);
        // The unit comes back as the gateway sent it: another station's is the engine's to
        // find, as on a serial line.
        // The gateway's word that the station did not answer: that station's time-out.
        if (IsGatewayNoAnswer(adu.pdu)) continue;
        input_.append(PduToSerialFrame(adu.unit, adu.pdu, awaited.ascii));
        added = true;
    }
    if (added) emit readyRead();
}

QByteArray TcpLine::ReadAll() {
    return std::exchange(input_, {});
}

void TcpLine::Lose(const QString& reason) {
    if (lossQueued_ || !open_) return;
    lossQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this, reason, generation = generation_] {
            if (!open_ || generation != generation_) return;
            Close();
            emit lost(reason);
        },
        Qt::QueuedConnection);
}

} // namespace vrx
