// A line over the network: a transparent serial server (tcp:), a Modbus TCP gateway (mbtcp:),
// or a gateway that calls in (listen:).
#pragma once

#include "linedevice.h"
#include "mbap.h"
#include "netendpoint.h"

#include <QSet>
#include <QTimer>

#include <memory>
#include <optional>

class QHostAddress;
class QTcpServer;
class QTcpSocket;

namespace vrx {

// Open() returns at once: the connection is made (or the gateway awaited) in the background,
// so no window waits and no box is shown. What is written before the connection stands is
// held and sent when it does; the program has one request on a line at a time, so a newer
// request replaces a held one. A refused, reset or dead connection (TCP keep-alive), and one
// that takes nothing more while requests wait for it, is a lost line; a later Open() starts
// afresh.
// listen: takes one caller at a time. Another caller is turned away while the one connected
// carries replies; it takes the place of one that has stood silent for ReplaceSilentMs (a
// stranger that connects and says nothing, a gateway's connection left half-open by its
// restart). With an allow list, a caller from any other address is closed at once.
class TcpLine final : public LineDevice {
    Q_OBJECT
public:
    explicit TcpLine(NetEndpoint endpoint, QObject* parent = nullptr);
    ~TcpLine() override;

    // How long a connection may take to stand before the line counts as lost.
    static constexpr int ConnectTimeoutMs = 5000;
    // TCP keep-alive: probes after this much quiet, a second apart, three unanswered ones end
    // the connection; data left unacknowledged as long ends it too.
    static constexpr int KeepAliveIdleS = 5;
    static constexpr int KeepAliveProbes = 3;
    static constexpr int UnacknowledgedMs = 10000;
    // What a listen: line puts up with before a new caller may take the connection's place:
    // this long connected without a byte back, or this long since a request went unanswered.
    // Bytes that may wait for a slow connection before it counts as one that takes nothing.
    static constexpr qint64 MaxUnsentBytes = 4096;
    static constexpr int ReplaceSilentMs = 10000;
    // A busy port scan logs the addresses it comes from up to this many, not without end.
    static constexpr int MaxCallersLogged = 64;

    bool Open(const LineSettings& settings, QString* error) override;
    void Close() override;
    bool IsOpen() const override { return open_; }
    bool Apply(const LineSettings& settings, QString*) override {
        framing_ = settings.framing;
        return true;
    }
    bool Write(const QByteArray& bytes) override;
    bool WritePdu(int unit, const QByteArray& pdu) override;
    QByteArray ReadAll() override;
    QString Name() const override { return DescribeEndpoint(endpoint_); }
    bool KeepsGaps() const override { return false; }
    int ExtraReplyMs() const override { return endpoint_.extraReplyMs; }
    bool Connected() const override;
    QString Endpoint() const override { return DescribeEndpoint(endpoint_); }
    bool ConvertsFrames() const override { return endpoint_.kind == NetEndpoint::Kind::ModbusTcp; }

    const NetEndpoint& EndpointOf() const { return endpoint_; }
    // listen: the port it listens on (the one asked for, once open).
    quint16 ListeningPort() const;

private:
    // The request a Modbus TCP reply must answer, to rebuild the serial frame from it.
    struct Awaited {
        quint16 transaction;
        int unit;
        bool ascii;
    };

    void Connect();
    void Adopt(QTcpSocket* socket);
    void OnConnected();
    void OnNewConnection();
    // Whether a listen: line's caller may have the line: false when it was closed.
    bool Admit(QTcpSocket& caller);
    // The connection has carried nothing back for ReplaceSilentMs.
    bool Silent() const;
    // Logs a turned-away caller once per address, not once per call.
    void LogCaller(const QHostAddress& address, const QString& text);
    void OnSocketReadyRead();
    void TakeModbusTcp(const QByteArray& bytes);
    // Puts a request on a Modbus TCP line in its own ADU.
    bool WriteAdu(int unit, const QByteArray& pdu);
    // Sends, or holds until the connection stands.
    bool WriteWire(const QByteArray& wire);
    void Send(const QByteArray& wire);
    void DropSocket();
    // Ends the line from the event loop, not from inside the socket's own notification.
    void Lose(const QString& reason);

    NetEndpoint endpoint_;
    Framing framing_ = Framing::Ascii;
    bool open_ = false;
    bool lossQueued_ = false;
    // Counts opens, so that a loss queued for one open never ends the next.
    quint32 generation_ = 0;
    QTcpSocket* socket_ = nullptr;
    QTcpServer* server_ = nullptr;
    QTimer connectTimer_;
    QByteArray held_;
    QByteArray input_;
    MbapReader reader_;
    quint16 transaction_ = 0;
    std::optional<Awaited> awaited_;
    // The connection's standing, on the line's clock: when it stood, whether it has sent
    // anything back, and since when a request written to it waits for a byte back.
    quint32 stoodMs_ = 0;
    bool heard_ = false;
    std::optional<quint32> owedSinceMs_;
    QSet<QString> callersLogged_;
};

} // namespace vrx
