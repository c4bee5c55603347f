// The MQTT client of `vrxcom record`, on libmosquitto and the Qt event loop.
#include "mqttpublisher.h"

#include <mosquitto.h>

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
    return QString::fromUtf8(mosquitto_strerror(rc));
}

} // namespace

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
    client_ = mosquitto_new(
        config_.clientId.isEmpty() ? nullptr : config_.clientId.toUtf8().constData(), true, this);
    if (!client_) {
        emit logged(
            QStringLiteral("MQTT: cannot make a client: %1").arg(ErrorText(MOSQ_ERR_ERRNO)));
        return;
    }
    mosquitto_int_option(client_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_connect_callback_set(client_, &MqttPublisher::OnConnect);
    mosquitto_disconnect_callback_set(client_, &MqttPublisher::OnDisconnect);
    mosquitto_publish_callback_set(client_, &MqttPublisher::OnPublish);
    mosquitto_message_callback_set(client_, &MqttPublisher::OnMessage);
    const QByteArray statusTopic = StatusTopic(config_.target.prefix).toUtf8();
    mosquitto_will_set(client_, statusTopic.constData(), int(qstrlen(OfflineText)), OfflineText, 1,
                       true);
    if (!config_.user.isEmpty())
        mosquitto_username_pw_set(
            client_, config_.user.toUtf8().constData(),
            config_.password.isNull() ? nullptr : config_.password.toUtf8().constData());
    if (config_.target.tls) {
        const QByteArray ca = config_.caFile.toLocal8Bit();
        // Without --mqtt-ca the system's certificate authorities vouch for the broker.
        const int rc =
            ca.isEmpty()
                ? mosquitto_tls_set(client_, nullptr, "/etc/ssl/certs", nullptr, nullptr, nullptr)
                : mosquitto_tls_set(client_, ca.constData(), nullptr, nullptr, nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            emit logged(QStringLiteral("MQTT: cannot use the certificate authority '%1': %2")
                            .arg(config_.caFile, ErrorText(rc)));
            TearDown();
            return;
        }
    }
    // Never blocks on the connection itself (a name is still looked up here).
    const int rc = mosquitto_connect_async(client_, config_.target.host.toUtf8().constData(),
                                           config_.target.port, KeepAliveSeconds);
    if (rc != MOSQ_ERR_SUCCESS) {
        Lost(rc);
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
    if (refused != 0) {
        if (!complained_)
            emit logged(QStringLiteral("MQTT: broker %1 refused the connection: %2; trying again "
                                       "every minute")
                            .arg(Broker(), QString::fromUtf8(mosquitto_connack_string(refused))));
        delay = RefusedRetryMs;
    } else if (wasConnected) {
        emit logged(QStringLiteral("MQTT: lost broker %1 (%2); samples wait in the queue")
                        .arg(Broker(), ErrorText(rc)));
    } else if (!complained_) {
        emit logged(QStringLiteral("MQTT: broker %1 unreachable (%2); trying again, samples "
                                   "wait in the queue")
                        .arg(Broker(), ErrorText(rc)));
    }
    complained_ = true;
    backoffMs_ = qMin(backoffMs_ * 2, MaxBackoffMs);
    retry_.start(delay);
}

void MqttPublisher::TearDown() {
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
    const QByteArray topic = StatusTopic(self->config_.target.prefix).toUtf8();
    mosquitto_publish(client, nullptr, topic.constData(), int(qstrlen(OnlineText)), OnlineText, 1,
                      true);
    for (const MqttMessage& message : self->config_.onConnect) {
        const QByteArray t = message.topic.toUtf8();
        mosquitto_publish(client, nullptr, t.constData(), int(message.payload.size()),
                          message.payload.constData(), 1, message.retain);
    }
    if (!self->config_.subscription.isEmpty())
        mosquitto_subscribe(client, nullptr, self->config_.subscription.toUtf8().constData(), 1);
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
    self->complained_ = false;
    emit self->logged(text);
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
    QMetaObject::invokeMethod(
        self, [self, topic, payload] { emit self->received(topic, payload); },
        Qt::QueuedConnection);
}

void MqttPublisher::OnPublish(mosquitto*, void* data, int mid) {
    auto* self = static_cast<MqttPublisher*>(data);
    if (self->stopping_ && mid == self->offlineMid_) {
        QTimer::singleShot(0, self, &MqttPublisher::Finish);
        return;
    }
    for (qsizetype i = 0; i < self->handed_; ++i) {
        Pending& pending = self->queue_[std::size_t(i)];
        if (pending.mid != mid) continue;
        pending.acknowledged = true;
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
