// The topics and JSON of `vrxcom record`.
#include "samplemessages.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace vrx {

namespace {

QJsonValue Tenths(const DeviceReading& reading, qint32 value) {
    return reading.answered ? QJsonValue(value / 10.0) : QJsonValue(QJsonValue::Null);
}

QString StatusText(SampleStatus status) {
    switch (status) {
    case SampleStatus::Ok:
        return QStringLiteral("ok");
    case SampleStatus::Timeout:
        return QStringLiteral("timeout");
    case SampleStatus::Dropped:
        break;
    }
    return QStringLiteral("dropped");
}

// Discovery ids allow letters, digits, '_' and '-' only; a prefix may hold '/' and more.
QString IdText(const QString& text) {
    QString id;
    for (const QChar c : text)
        id += c.isLetterOrNumber() && c.unicode() < 128 ? c : QChar(u'_');
    return id;
}

} // namespace

QString StateTopic(const QString& prefix, int com, int address) {
    return QStringLiteral("%1/COM%2/%3/state").arg(prefix).arg(com).arg(address);
}

QString HubTopic(const QString& prefix, int com) {
    return QStringLiteral("%1/COM%2/hub").arg(prefix).arg(com);
}

QByteArray HubPayload(quint64 served, quint64 exceptions, int masters) {
    return QStringLiteral(R"({"served":%1,"exceptions":%2,"masters":%3})")
        .arg(served)
        .arg(exceptions)
        .arg(masters)
        .toUtf8();
}

QString StatusTopic(const QString& prefix) {
    return prefix + QStringLiteral("/status");
}

QByteArray IsoTimeWithOffset(const QDateTime& at) {
    const int offset = at.offsetFromUtc();
    const int minutes = qAbs(offset) / 60;
    return at.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1() +
           (offset < 0 ? '-' : '+') + QByteArray::number(minutes / 60).rightJustified(2, '0') +
           ':' + QByteArray::number(minutes % 60).rightJustified(2, '0');
}

QByteArray SamplePayload(const QDateTime& at, const DeviceReading& reading, SampleStatus status) {
    const QJsonObject object{
        {QStringLiteral("time"), QString::fromLatin1(IsoTimeWithOffset(at))},
        {QStringLiteral("pv"), Tenths(reading, reading.pv)},
        {QStringLiteral("sv"), Tenths(reading, reading.sv)},
        {QStringLiteral("unit"), QStringLiteral("C")},
        {QStringLiteral("status"), StatusText(status)},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QList<MqttMessage> DiscoveryConfigs(const QString& prefix, int com, const Addresses& addresses) {
    QList<MqttMessage> configs;
    for (const int address : addresses) {
        if (address == 0) continue;
        const QString device =
            QStringLiteral("vrxcom_%1_COM%2_%3").arg(IdText(prefix)).arg(com).arg(address);
        for (const char* value : {"pv", "sv"}) {
            const QString key = QString::fromLatin1(value);
            const QJsonObject config{
                {QStringLiteral("name"), key.toUpper()},
                {QStringLiteral("unique_id"), device + QLatin1Char('_') + key},
                {QStringLiteral("object_id"), device + QLatin1Char('_') + key},
                {QStringLiteral("state_topic"), StateTopic(prefix, com, address)},
                {QStringLiteral("value_template"), QStringLiteral("{{ value_json.%1 }}").arg(key)},
                {QStringLiteral("unit_of_measurement"), QStringLiteral("°C")},
                {QStringLiteral("device_class"), QStringLiteral("temperature")},
                {QStringLiteral("state_class"), QStringLiteral("measurement")},
                {QStringLiteral("availability_topic"), StatusTopic(prefix)},
                {QStringLiteral("payload_available"), QLatin1String(OnlineText)},
                {QStringLiteral("payload_not_available"), QLatin1String(OfflineText)},
                {QStringLiteral("device"),
                 QJsonObject{
                     {QStringLiteral("identifiers"), QJsonArray{device}},
                     {QStringLiteral("name"),
                      QStringLiteral("VRX COM%1 address %2").arg(com).arg(address)},
                     {QStringLiteral("model"), QStringLiteral("VRX")},
                 }},
            };
            configs.append({QStringLiteral("homeassistant/sensor/%1_%2/config").arg(device, key),
                            QJsonDocument(config).toJson(QJsonDocument::Compact), true});
        }
    }
    return configs;
}

QString SetTopicFilter(const QString& prefix, int com) {
    return QStringLiteral("%1/COM%2/+/set").arg(prefix).arg(com);
}

int SetTopicAddress(const QString& topic, const QString& prefix, int com) {
    const QString head = QStringLiteral("%1/COM%2/").arg(prefix).arg(com);
    if (!topic.startsWith(head) || !topic.endsWith(QLatin1String("/set"))) return 0;
    const QString address = topic.mid(head.size(), topic.size() - head.size() - 4);
    if (address.isEmpty() || address.size() > 3) return 0;
    for (const QChar c : address)
        if (c < u'0' || c > u'9') return 0;
    const int value = address.toInt();
    return value >= 1 && value <= 255 ? value : 0;
}

std::optional<qint32> ParseSetMessage(QByteArrayView payload, QString* error) {
    // A set value is a few bytes; anything long is not one, and is not parsed.
    if (payload.size() > 256) {
        *error = QStringLiteral("not {\"sv\": number}");
        return std::nullopt;
    }
    QJsonParseError parse{};
    const QJsonDocument document = QJsonDocument::fromJson(payload.toByteArray(), &parse);
    const QJsonObject object = document.object();
    if (parse.error != QJsonParseError::NoError || !document.isObject() || object.size() != 1 ||
        !object.value(QStringLiteral("sv")).isDouble()) {
        *error = QStringLiteral("not {\"sv\": number}");
        return std::nullopt;
    }
    const double degrees = object.value(QStringLiteral("sv")).toDouble();
    if (!(degrees >= -3276.8 && degrees <= 3276.7)) {
        *error = QStringLiteral("no register holds %1").arg(degrees);
        return std::nullopt;
    }
    return qint32(qRound(degrees * 10));
}

QString SetResultTopic(const QString& prefix, int com, int address) {
    return QStringLiteral("%1/COM%2/%3/set/result").arg(prefix).arg(com).arg(address);
}

QByteArray SetResultPayload(std::optional<qint32> tenths, bool ok, const QString& reason) {
    QJsonObject object{
        {QStringLiteral("result"), ok ? QStringLiteral("ok") : QStringLiteral("refused")}};
    if (tenths) object.insert(QStringLiteral("sv"), *tenths / 10.0);
    if (!ok) object.insert(QStringLiteral("reason"), reason);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace vrx
