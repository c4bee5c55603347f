// The MQTT client of `vrxcom record`, on libmosquitto and the Qt event loop.
#include "mqttpublisher.h"

#include <mosquitto.h>
#include <mqtt_protocol.h>

#include <cerrno>
#include <mutex>
#include <thread>

namespace vrx {

namespace {

constexpr int KeepAliveSeconds = 30;
constexpr int MaxBackoffMs = 10000;
// A broker that refused the credentials will refuse them again: ask it seldom.
constexpr int RefusedRetryMs = 60000;

void InitLibrary() {
    static const bool done = [] {
        mosquitto_lib_init();
        return true;
    }();
    Q_UNUSED(done);
}

QString ErrorText(int rc) {
    if (rc == MOSQ_ERR_ERRNO) return QString::fromLocal8Bit(strerror(errno));
    // The library has no text of its own for this one.
    if (rc == MOSQ_ERR_KEEPALIVE) return QStringLiteral("it stopped answering");
    return QString::fromUtf8(mosquitto_strerror(rc));
}

// Acknowledgements under this are successes ("no matching subscribers" among them).
constexpr int FirstFailure = 0x80;

} // namespace

// mosquitto_connect_async looks the broker's name up before it returns, and a name server
// that does not answer holds it for as long as the resolver's time-outs last: on the event
// loop that would stop the samples. So a client is started on a thread of its own and handed
// back to the loop once it is on its way. The name itself stays with the client, for TLS's
// server name and its check of the certificate. A client whose connection was given up
// meanwhile is destroyed by that thread.
struct MqttPublisher::Connecting {
    std::mutex mutex;
    mosquitto* client = nullptr;
    int rc = MOSQ_ERR_SUCCESS;
    int error = 0; // errno on that thread, for MOSQ_ERR_ERRNO
    bool done = false;
    bool abandoned = false;
};

MqttPublisher::MqttPublisher(Config config, QObject* parent)
    : QObject(parent), config_(std::move(config)) {
    InitLibrary();
    misc_.setInterval(1000);
    connect(&misc_, &QTimer::timeout, this, &MqttPublisher::Drive);
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &MqttPublisher::Connect);
    stopBound_.setSingleShot(true);
    connect(&stopBound_, &QTimer::timeout, this, &MqttPublisher::Finish);
}

MqttPublisher::~MqttPublisher() {
    TearDown();
}

QString MqttPublisher::Broker() const {
    return QStringLiteral("%1:%2").arg(config_.target.host).arg(config_.target.port);
}

void MqttPublisher::Start() {
    misc_.start();
    Connect();
}

void MqttPublisher::Connect() {
    TearDown();
    if (stopping_) return;
    ended_ = false;
    refusedRc_ = 0;
    refusedReason_ = 0;
    connectMids_.clear();
    connectTopics_.clear();
    mosquitto* client = mosquitto_new(
        config_.clientId.isEmpty() ? nullptr : config_.clientId.toUtf8().constData(), true, this);
    if (!client) {
        emit logged(
            QStringLiteral("MQTT: cannot make a client: %1").arg(ErrorText(MOSQ_ERR_ERRNO)));
        return;
    }
    mosquitto_int_option(client, MOSQ_OPT_PROTOCOL_VERSION, protocol_);
    const QByteArray statusTopic = StatusTopic(config_.target.prefix).toUtf8();
    mosquitto_will_set(client, statusTopic.constData(), int(qstrlen(OfflineText)), OfflineText, 1,
                       true);
    if (!config_.user.isEmpty())
        mosquitto_username_pw_set(
            client, config_.user.toUtf8().constData(),
            config_.password.isNull() ? nullptr : config_.password.toUtf8().constData());
    if (config_.target.tls) {
        const QByteArray ca = config_.caFile.toLocal8Bit();
        // Without --mqtt-ca the system's certificate authorities vouch for the broker.
        const int rc =
            ca.isEmpty()
                ? mosquitto_tls_set(client, nullptr, "/etc/ssl/certs", nullptr, nullptr, nullptr)
                : mosquitto_tls_set(client, ca.constData(), nullptr, nullptr, nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            emit logged(QStringLiteral("MQTT: cannot use the certificate authority '%1': %2")
                            .arg(config_.caFile, ErrorText(rc)));
            mosquitto_destroy(client);
            return;
        }
    }
    auto connecting = std::make_shared<Connecting>();
    connecting->client = client;
    connecting_ = connecting;
    std::thread([this, connecting, host = config_.target.host.toUtf8(),
                 port = config_.target.port] {
        const int rc =
            mosquitto_connect_async(connecting->client, host.constData(), port, KeepAliveSeconds);
        const int error = errno;
        const std::lock_guard lock(connecting->mutex);
        connecting->rc = rc;
        connecting->error = error;
        connecting->done = true;
        if (connecting->abandoned) {
            mosquitto_destroy(connecting->client);
            connecting->client = nullptr;
            return;
        }
        // The publisher lives while this lock is held and the client not abandoned (TearDown,
        // first in its destructor, takes the lock); the call is dropped if it goes later.
        QMetaObject::invokeMethod(
            this, [this, connecting] { Started(connecting); }, Qt::QueuedConnection);
    }).detach();
}

void MqttPublisher::Started(const std::shared_ptr<Connecting>& connecting) {
    if (connecting != connecting_) return;
    connecting_.reset();
    client_ = std::exchange(connecting->client, nullptr);
    // Set only now, so that no callback ever runs on the starting thread.
    mosquitto_connect_callback_set(client_, &MqttPublisher::OnConnect);
    mosquitto_disconnect_callback_set(client_, &MqttPublisher::OnDisconnect);
    mosquitto_publish_v5_callback_set(client_, &MqttPublisher::OnPublish);
    mosquitto_message_callback_set(client_, &MqttPublisher::OnMessage);
    if (connecting->rc != MOSQ_ERR_SUCCESS) {
        errno = connecting->error;
        Lost(connecting->rc);
        return;
    }
    Watch();
    Drive();
}

void MqttPublisher::Watch() {
    const int socket = mosquitto_socket(client_);
    if (socket < 0) return;
    readable_ = new QSocketNotifier(qintptr(socket), QSocketNotifier::Read, this);
    writable_ = new QSocketNotifier(qintptr(socket), QSocketNotifier::Write, this);
    connect(readable_, &QSocketNotifier::activated, this, &MqttPublisher::Drive);
    connect(writable_, &QSocketNotifier::activated, this, &MqttPublisher::Drive);
}

// One turn of the client without waiting: mosquitto_loop with no time-out reads, writes, keeps
// alive and, on mqtts://, carries the TLS handshake on (which loop_read/loop_write alone do
// not).
void MqttPublisher::Drive() {
    if (!client_) return;
    const int rc = mosquitto_loop(client_, 0, 1);
    if (refusedReason_ != 0) {
        TakeRefusal();
        return;
    }
    if (rc != MOSQ_ERR_SUCCESS || ended_) {
        Lost(rc != MOSQ_ERR_SUCCESS ? rc : MOSQ_ERR_CONN_LOST);
        return;
    }
    Pump();
    if (writable_) writable_->setEnabled(mosquitto_want_write(client_));
}

void MqttPublisher::Pump() {
    if (!connected_ || stopping_) return;
    while (handed_ < qsizetype(queue_.size()) && handed_ < Window) {
        Pending& pending = queue_[std::size_t(handed_)];
        const QByteArray topic = pending.message.topic.toUtf8();
        int mid = 0;
        const int rc =
            mosquitto_publish(client_, &mid, topic.constData(), int(pending.message.payload.size()),
                              pending.message.payload.constData(), 1, pending.message.retain);
        if (rc != MOSQ_ERR_SUCCESS) return;
        pending.mid = mid;
        ++handed_;
    }
}

void MqttPublisher::Publish(MqttMessage message) {
    if (qsizetype(queue_.size()) >= capacity_ && qsizetype(queue_.size()) > handed_) {
        // The oldest not yet with the client makes room; those with it may already be on
        // their way.
        queue_.erase(queue_.begin() + std::ptrdiff_t(handed_));
        if (dropped_++ == droppedSaid_)
            emit logged(QStringLiteral("MQTT: the queue is full (%1 samples); the oldest are "
                                       "dropped until %2 is back")
                            .arg(capacity_)
                            .arg(Broker()));
    }
    queue_.push_back({std::move(message)});
    if (client_ && connected_) {
        Pump();
        if (writable_) writable_->setEnabled(mosquitto_want_write(client_));
    }
}

void MqttPublisher::Lost(int rc) {
    const bool wasConnected = connected_;
    const int refused = refusedRc_;
    TearDown();
    if (stopping_) {
        Finish();
        return;
    }
    int delay = backoffMs_;
    if (refused == MQTT_RC_UNSUPPORTED_PROTOCOL_VERSION && protocol_ == MQTT_PROTOCOL_V5) {
        // An older broker still takes the samples; only its refusals go unseen.
        protocol_ = MQTT_PROTOCOL_V311;
        emit logged(QStringLiteral("MQTT: broker %1 speaks MQTT 3.1.1 only, where a sample "
                                   "its rules refuse is dropped unseen")
                        .arg(Broker()));
        retry_.start(0);
        return;
    }
    if (refused != 0) {
        if (!complained_)
            emit logged(QStringLiteral("MQTT: broker %1 refused the connection: %2; trying again "
                                       "every minute")
                            .arg(Broker(), QString::fromUtf8(mosquitto_reason_string(refused))));
        delay = RefusedRetryMs;
    } else if (wasConnected) {
        emit logged(QStringLiteral("MQTT: lost broker %1 (%2); samples wait in the queue")
                        .arg(Broker(), ErrorText(rc)));
    } else if (!complained_ && rc == MOSQ_ERR_KEEPALIVE) {
        emit logged(QStringLiteral("MQTT: broker %1 did not answer; trying again, samples wait "
                                   "in the queue")
                        .arg(Broker()));
    } else if (!complained_) {
        emit logged(QStringLiteral("MQTT: broker %1 unreachable (%2); trying again, samples "
                                   "wait in the queue")
                        .arg(Broker(), ErrorText(rc)));
    }
    complained_ = true;
    backoffMs_ = qMin(backoffMs_ * 2, MaxBackoffMs);
    retry_.start(delay);
}

// A message of the queue refused: it and those after it stay, the connection goes (what was
// handed to it would come back refused too), and a new one offers them again in a minute.
// A refusal stays refused as long as the broker's rules do: it is said once.
void MqttPublisher::TakeRefusal() {
    if (!refused_)
        emit logged(QStringLiteral("MQTT: broker %1 refuses the samples (%2: %3); they are kept "
                                   "in the queue and offered again every minute")
                        .arg(Broker(), refusedTopic_,
                             QString::fromUtf8(mosquitto_reason_string(refusedReason_))));
    refused_ = true;
    complained_ = true;
    TearDown();
    if (stopping_) {
        Finish();
        return;
    }
    retry_.start(RefusedRetryMs);
}

void MqttPublisher::TearDown() {
    if (connecting_) {
        const std::lock_guard lock(connecting_->mutex);
        if (connecting_->done) {
            mosquitto_destroy(connecting_->client);
            connecting_->client = nullptr;
        } else {
            connecting_->abandoned = true;
        }
        connecting_.reset();
    }
    // Notifiers go later: this may run inside one of their own signals.
    for (QPointer<QSocketNotifier>* notifier : {&readable_, &writable_}) {
        if (!*notifier) continue;
        (*notifier)->setEnabled(false);
        (*notifier)->deleteLater();
        *notifier = nullptr;
    }
    if (client_) mosquitto_destroy(client_);
    client_ = nullptr;
    handed_ = 0;
    for (Pending& pending : queue_)
        pending.mid = -1;
    if (connected_) {
        connected_ = false;
        emit connectedChanged(false);
    }
}

void MqttPublisher::Stop(int boundMs) {
    if (stopping_) return;
    stopping_ = true;
    retry_.stop();
    if (!client_ || !connected_) {
        QTimer::singleShot(0, this, &MqttPublisher::Finish);
        return;
    }
    const QByteArray topic = StatusTopic(config_.target.prefix).toUtf8();
    if (mosquitto_publish(client_, &offlineMid_, topic.constData(), int(qstrlen(OfflineText)),
                          OfflineText, 1, true) != MOSQ_ERR_SUCCESS) {
        QTimer::singleShot(0, this, &MqttPublisher::Finish);
        return;
    }
    if (writable_) writable_->setEnabled(true);
    stopBound_.start(boundMs);
}

void MqttPublisher::Finish() {
    if (!stopping_ || !misc_.isActive()) return;
    misc_.stop();
    stopBound_.stop();
    if (client_ && connected_) {
        mosquitto_disconnect(client_);
        mosquitto_loop(client_, 0, 1);
    }
    TearDown();
    emit stopped();
}

void MqttPublisher::OnConnect(mosquitto* client, void* data, int rc) {
    auto* self = static_cast<MqttPublisher*>(data);
    if (rc != 0) {
        self->refusedRc_ = rc;
        self->ended_ = true;
        return;
    }
    const auto publish = [self, client](const MqttMessage& message) {
        const QByteArray topic = message.topic.toUtf8();
        int mid = 0;
        if (mosquitto_publish(client, &mid, topic.constData(), int(message.payload.size()),
                              message.payload.constData(), 1, message.retain) != MOSQ_ERR_SUCCESS)
            return;
        self->connectMids_ << mid;
        self->connectTopics_ << message.topic;
    };
    publish({StatusTopic(self->config_.target.prefix), OnlineText, true});
    for (const MqttMessage& message : self->config_.onConnect)
        publish(message);
    // Retain as published: a set message published retained is seen as such also when it
    // comes while subscribed, not only from the broker's store at the next connection.
    if (!self->config_.subscription.isEmpty())
        mosquitto_subscribe_v5(client, nullptr, self->config_.subscription.toUtf8().constData(), 1,
                               MQTT_SUB_OPT_RETAIN_AS_PUBLISHED, nullptr);
    self->connected_ = true;
    self->backoffMs_ = 1000;
    QString text = QStringLiteral("MQTT: connected to broker %1").arg(self->Broker());
    if (!self->queue_.empty())
        text += QStringLiteral(", sending %1 waiting samples").arg(self->queue_.size());
    if (self->dropped_ > self->droppedSaid_) {
        text += QStringLiteral(" (%1 dropped while it was away)")
                    .arg(self->dropped_ - self->droppedSaid_);
        self->droppedSaid_ = self->dropped_;
    }
    // While the samples are refused a new connection is no news; their acceptance is.
    if (!self->refused_) {
        self->complained_ = false;
        emit self->logged(text);
    }
    emit self->connectedChanged(true);
}

void MqttPublisher::OnDisconnect(mosquitto*, void* data, int) {
    static_cast<MqttPublisher*>(data)->ended_ = true;
}

void MqttPublisher::OnMessage(mosquitto*, void* data, const mosquitto_message* message) {
    auto* self = static_cast<MqttPublisher*>(data);
    // Handled after this turn of the client, not inside it.
    const QString topic = QString::fromUtf8(message->topic);
    const QByteArray payload(static_cast<const char*>(message->payload), message->payloadlen);
    const bool retained = message->retain;
    QMetaObject::invokeMethod(
        self, [self, topic, payload, retained] { emit self->received(topic, payload, retained); },
        Qt::QueuedConnection);
}

void MqttPublisher::OnPublish(mosquitto*, void* data, int mid, int reason, const mqtt5__property*) {
    auto* self = static_cast<MqttPublisher*>(data);
    if (self->stopping_ && mid == self->offlineMid_) {
        QTimer::singleShot(0, self, &MqttPublisher::Finish);
        return;
    }
    if (const qsizetype at = self->connectMids_.indexOf(mid); at >= 0) {
        const QString topic = self->connectTopics_[at];
        if (reason >= FirstFailure && !self->connectRefusalSaid_) {
            self->connectRefusalSaid_ = true;
            emit self->logged(QStringLiteral("MQTT: broker %1 refuses %2 (%3)")
                                  .arg(self->Broker(), topic,
                                       QString::fromUtf8(mosquitto_reason_string(reason))));
        }
        return;
    }
    for (qsizetype i = 0; i < self->handed_; ++i) {
        Pending& pending = self->queue_[std::size_t(i)];
        if (pending.mid != mid) continue;
        if (reason >= FirstFailure) {
            if (self->refusedReason_ == 0) {
                self->refusedReason_ = reason;
                self->refusedTopic_ = pending.message.topic;
            }
            return;
        }
        pending.acknowledged = true;
        if (self->refused_) {
            self->refused_ = false;
            self->complained_ = false;
            emit self->logged(QStringLiteral("MQTT: broker %1 takes the samples again, sending "
                                             "%2 waiting samples")
                                  .arg(self->Broker())
                                  .arg(self->queue_.size()));
        }
        break;
    }
    // Taken off in order: an acknowledgement that overtakes an earlier one waits for it.
    while (self->handed_ > 0 && self->queue_.front().acknowledged) {
        self->queue_.pop_front();
        --self->handed_;
        ++self->acknowledged_;
    }
}

} // namespace vrx
