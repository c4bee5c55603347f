// The TCP side of vrx-sim.
#include "tcpserver.h"

#include "clock.h"
#include "controllerbus.h"
#include "demo.h"
#include "tcprequests.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace vrx::sim {

namespace {

QString HostText(const QHostAddress& address) {
    return address.protocol() == QAbstractSocket::IPv6Protocol ? u'[' + address.toString() + u']'
                                                               : address.toString();
}

class Service : public QObject {
public:
    explicit Service(const TcpServerConfig& config)
        : config_(config), bus_(MakeControllers(config.options), config.options.speed) {
        for (const Fault& fault : config.options.faults)
            bus_.Faults().Add(fault);
    }

    bool Listen(QString* error) {
        QHostAddress address;
        if (config_.host == u"localhost")
            address = QHostAddress::LocalHost;
        else if (!address.setAddress(config_.host)) {
            *error = QStringLiteral("'%1' is not an address of this machine").arg(config_.host);
            return false;
        }
        if (!server_.listen(address, config_.port)) {
            *error = server_.errorString();
            return false;
        }
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection())
                Serve(socket);
        });
        std::printf("listening on %s:%u\n", qPrintable(HostText(server_.serverAddress())),
                    unsigned(server_.serverPort()));
        std::fflush(stdout);
        return true;
    }

    void Call() {
        std::printf("calling %s:%u\n", qPrintable(config_.host), unsigned(config_.port));
        std::fflush(stdout);
        CallAgain();
    }

private:
    struct Session {
        explicit Session(TcpRequestReader::Kind kind, FramingMode mode) : reader(kind, mode) {}
        TcpRequestReader reader;
        QTimer pause;
    };

    void CallAgain() {
        auto* socket = new QTcpSocket(this);
        // A refused or ended call is made again a second later, as a gateway does.
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { Redial(socket); });
        connect(socket, &QTcpSocket::errorOccurred, this, [this, socket] { Redial(socket); });
        Serve(socket);
        socket->connectToHost(config_.host, config_.port);
    }

    void Redial(QTcpSocket* socket) {
        if (socket->property("redial").toBool()) return;
        socket->setProperty("redial", true);
        socket->deleteLater();
        QTimer::singleShot(1000, this, [this] { CallAgain(); });
    }

    void Serve(QTcpSocket* socket) {
        socket->setParent(this);
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        const auto kind = config_.role == TcpServerConfig::Role::ModbusTcp
                              ? TcpRequestReader::Kind::ModbusTcp
                              : TcpRequestReader::Kind::Transparent;
        auto session = std::make_shared<Session>(kind, config_.options.mode);
        session->pause.setSingleShot(true);
        QPointer<QTcpSocket> guarded(socket);
        connect(&session->pause, &QTimer::timeout, socket, [this, session, guarded] {
            if (!guarded) return;
            if (auto request = session->reader.Pause()) Answer(guarded, *request);
        });
        connect(socket, &QTcpSocket::readyRead, socket, [this, session, guarded] {
            if (!guarded) return;
            std::vector<TcpRequest> requests;
            if (!session->reader.Feed(guarded->readAll(), &requests)) {
                guarded->abort();
                return;
            }
            for (const TcpRequest& request : requests)
                Answer(guarded, request);
            if (session->reader.Pending())
                session->pause.start(config_.pauseMs);
            else
                session->pause.stop();
        });
        if (config_.role != TcpServerConfig::Role::CallIn)
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        // The session lives as long as the socket's connections hold it.
        connect(socket, &QObject::destroyed, this, [session] { session->pause.stop(); });
    }

    void Answer(const QPointer<QTcpSocket>& socket, const TcpRequest& request) {
        bus_.CatchUp(SteadyClock::Instance().Micros());
        const std::vector<ReplyPiece> pieces = bus_.Respond(request.frame);
        if (request.transaction) {
            // A gateway answers with the whole reply, once its line has carried it.
            QByteArray reply;
            int wait = config_.options.turnaroundMs;
            for (const ReplyPiece& piece : pieces) {
                reply += piece.bytes;
                wait += piece.delayMs;
            }
            Later(socket, wait, GatewayReply(*request.transaction, request.frame.bytes, reply));
            return;
        }
        int wait = config_.options.turnaroundMs;
        for (const ReplyPiece& piece : pieces) {
            wait += piece.delayMs;
            Later(socket, wait, piece.bytes);
        }
    }

    void Later(const QPointer<QTcpSocket>& socket, int ms, const QByteArray& bytes) {
        if (bytes.isEmpty()) return;
        const auto send = [socket, bytes] {
            if (!socket || socket->state() != QAbstractSocket::ConnectedState) return;
            socket->write(bytes);
            socket->flush();
        };
        // A controller that answers at once does so from the request's own turn, as on a pty.
        if (ms <= 0) return send();
        QTimer::singleShot(ms, this, send);
    }

    TcpServerConfig config_;
    ControllerBus bus_;
    QTcpServer server_;
};

} // namespace

int RunTcpServer(const TcpServerConfig& config, volatile std::sig_atomic_t* stop, QString* error) {
    Service service(config);
    if (config.role == TcpServerConfig::Role::CallIn) {
        service.Call();
    } else if (!service.Listen(error)) {
        return 1;
    }
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [stop] {
        if (*stop) QCoreApplication::quit();
    });
    watch.start(50);
    QCoreApplication::exec();
    return 0;
}

} // namespace vrx::sim
