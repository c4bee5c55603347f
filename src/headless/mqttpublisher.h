// MqttPublisher: the samples of `vrxcom record` to an MQTT broker, QoS 1, in order, through a
// bounded queue that waits while the broker is away.
#pragma once

#include "recordoptions.h"
#include "samplemessages.h"

#include <QObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <deque>
#include <memory>

struct mosquitto;
struct mosquitto_message;
struct mqtt5__property;

namespace vrx {

// libmosquitto driven from the Qt event loop: its socket under two QSocketNotifiers and a
// one-second timer for keep-alive, so every callback runs in this thread between our own
// events and the queue needs no lock. A client object lives for one connection: when the
// connection ends it goes, with whatever it held, and the next one is sent everything not yet
// acknowledged from our own queue, first to last. A message is taken off the queue only when
// the broker has acknowledged it, so nothing is lost and only a message whose acknowledgement
// was lost is sent twice (QoS 1 is at least once).
//
// MQTT 5, for its acknowledgements' reason codes: a broker whose rules deny a topic still
// acknowledges the message, and only the reason code says it was thrown away. A refused
// sample stays in the queue; nothing more is sent until a new connection, a minute later.
class MqttPublisher : public QObject {
    Q_OBJECT
public:
    struct Config {
        MqttTarget target;
        QString caFile;
        QString user;
        QString password;
        QString clientId;
        // Published (retained) at every connection, after PREFIX/status "online".
        QList<MqttMessage> onConnect;
        // Subscribed to (QoS 1) at every connection when not empty; what comes is received().
        QString subscription;
    };

    // At least a day of samples of eight devices at one a second.
    static constexpr qsizetype DefaultCapacity = 8 * 24 * 3600;
    // Messages handed to the client and not yet acknowledged, at most.
    static constexpr int Window = 20;

    explicit MqttPublisher(Config config, QObject* parent = nullptr);
    ~MqttPublisher() override;

    // Starts connecting; the outcome is said through logged().
    void Start();
    // One sample, after every one before it.
    void Publish(MqttMessage message);
    // Says "offline" (retained) and disconnects; stopped() follows at once when there is no
    // connection, else when the broker has taken it or after `boundMs`.
    void Stop(int boundMs = 2000);

    void SetCapacity(qsizetype capacity) { capacity_ = capacity; }
    qsizetype Queued() const { return qsizetype(queue_.size()); }
    quint64 Dropped() const { return dropped_; }
    quint64 Acknowledged() const { return acknowledged_; }
    bool Connected() const { return connected_; }
    // The broker refuses the samples (its rules deny the topic): they wait in the queue.
    bool Refused() const { return refused_; }

signals:
    // One line for the log: connected, refused, unreachable, lost, queue full.
    void logged(const QString& text);
    void connectedChanged(bool connected);
    void stopped();
    // `retained`: the broker kept the message and hands it again to every new subscription.
    void received(const QString& topic, const QByteArray& payload, bool retained);

private:
    struct Pending {
        MqttMessage message;
        int mid = -1; // handed to the current client under this id
        bool acknowledged = false;
    };

    struct Connecting;

    void Connect();
    void Started(const std::shared_ptr<Connecting>& connecting);
    void Watch();
    void Drive();
    void Pump();
    void Lost(int rc);
    void TakeRefusal();
    void TearDown();
    void Finish();
    QString Broker() const;

    static void OnConnect(mosquitto*, void* self, int rc);
    static void OnDisconnect(mosquitto*, void* self, int rc);
    static void OnPublish(mosquitto*, void* self, int mid, int reason, const mqtt5__property*);
    static void OnMessage(mosquitto*, void* self, const mosquitto_message* message);

    Config config_;
    mosquitto* client_ = nullptr;
    std::shared_ptr<Connecting> connecting_; // a client still with the thread that starts it
    QPointer<QSocketNotifier> readable_;
    QPointer<QSocketNotifier> writable_;
    QTimer misc_;
    QTimer retry_;
    QTimer stopBound_;
    std::deque<Pending> queue_;
    qsizetype handed_ = 0; // the first `handed_` of the queue went to the current client
    qsizetype capacity_ = DefaultCapacity;
    quint64 dropped_ = 0;
    quint64 droppedSaid_ = 0;
    quint64 acknowledged_ = 0;
    bool connected_ = false;
    bool ended_ = false;      // the current client's connection has ended (set by callbacks)
    int refusedRc_ = 0;       // the broker's refusal of the current client
    bool complained_ = false; // the broker's absence is said once until it is back
    // A refusal of a message from the queue met in a callback, handled after its turn.
    QString refusedTopic_;
    int refusedReason_ = 0;
    bool refused_ = false;   // the samples are refused: said once until one is taken
    QList<int> connectMids_; // the status and configs published at this connection
    QStringList connectTopics_;
    bool connectRefusalSaid_ = false; // of those, a refusal is said once
    int backoffMs_ = 1000;
    int protocol_ = 5; // MQTT 5, or 3.1.1 (4) with a broker that speaks no other
    bool stopping_ = false;
    int offlineMid_ = -1;
};

} // namespace vrx
