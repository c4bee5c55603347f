// What `vrxcom record` publishes: topics, the JSON of a sample and the discovery configs.
#pragma once

#include "samplestore.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace vrx {

struct MqttMessage {
    QString topic;
    QByteArray payload;
    bool retain = false;
    friend bool operator==(const MqttMessage&, const MqttMessage&) = default;
};

// How a device fared in a sample: answered; not answered (the line lost, or the try in which it
// stopped answering); resting after it stopped answering, asked again later.
enum class SampleStatus { Ok, Timeout, Dropped };

// PREFIX/COMn/ADDRESS/state
QString StateTopic(const QString& prefix, int com, int address);
// PREFIX/status: "online" (retained) while the recorder runs, the last will "offline".
QString StatusTopic(const QString& prefix);
// PREFIX/COMn/hub, retained: what the line's other masters were served.
QString HubTopic(const QString& prefix, int com);
// {"served":120,"exceptions":3,"masters":2}
QByteArray HubPayload(quint64 served, quint64 exceptions, int masters);
inline constexpr char OnlineText[] = "online";
inline constexpr char OfflineText[] = "offline";

// "2026-03-14T15:04:05+08:00": to the second, as the record file's line, with the offset.
QByteArray IsoTimeWithOffset(const QDateTime& at);

// {"time":...,"pv":25.3,"sv":30,"unit":"C","status":"ok"}; the registers hold tenths of a
// degree; a device that gave nothing has null values.
QByteArray SamplePayload(const QDateTime& at, const DeviceReading& reading, SampleStatus status);

// The retained discovery configs that make a dashboard show each controller's PV and SV as two
// temperature sensors, read from the state topic, available while PREFIX/status is online.
QList<MqttMessage> DiscoveryConfigs(const QString& prefix, int com, const Addresses& addresses);

// Writes from the network (--allow-writes): PREFIX/COMn/ADDRESS/set carrying {"sv": 30.0}.
QString SetTopicFilter(const QString& prefix, int com);
// The address of a set topic under PREFIX/COMn; 0 when it is not one.
int SetTopicAddress(const QString& topic, const QString& prefix, int com);
// The set value in tenths of a degree; nothing, with the reason, for anything but an object
// with the one number "sv" that a register holds.
std::optional<qint32> ParseSetMessage(QByteArrayView payload, QString* error);
// PREFIX/COMn/ADDRESS/set/result: {"sv":30,"result":"ok"} or with "refused" and its "reason";
// without "sv" when the message carried no set value.
QString SetResultTopic(const QString& prefix, int com, int address);
QByteArray SetResultPayload(std::optional<qint32> tenths, bool ok, const QString& reason);

} // namespace vrx
