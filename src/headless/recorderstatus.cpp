// The recorder's values as Prometheus text, the page's JSON and a health verdict.
#include "recorderstatus.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace vrx {

namespace {

// Tenths of a degree as a decimal text, exactly: 253 -> "25.3", -12 -> "-1.2".
QByteArray TenthsText(qint32 tenths) {
    const qint64 magnitude = qAbs(qint64(tenths));
    QByteArray text = tenths < 0 ? QByteArray("-") : QByteArray();
    text += QByteArray::number(magnitude / 10);
    text += '.';
    text += char('0' + magnitude % 10);
    return text;
}

QByteArray Seconds(const QDateTime& at) {
    const qint64 ms = at.toMSecsSinceEpoch();
    return QByteArray::number(ms / 1000) + '.' +
           QByteArray::number(ms % 1000).rightJustified(3, '0');
}

// The metric text, one family at a time: its HELP and TYPE first.
class Exposition {
public:
    explicit Exposition(const RecorderStatus& status)
        : com_("COM" + QByteArray::number(status.com)) {
        text_.reserve(16384);
    }
    void Family(const char* name, const char* type, const char* help) {
        text_ += "# HELP ";
        text_ += name;
        text_ += ' ';
        text_ += help;
        text_ += "\n# TYPE ";
        text_ += name;
        text_ += ' ';
        text_ += type;
        text_ += '\n';
    }
    // A sample of the line's own (label com).
    void Line(const char* name, const QByteArray& value) {
        text_ += name;
        text_ += "{com=\"" + com_ + "\"} ";
        text_ += value;
        text_ += '\n';
    }
    // A sample of a device's (labels com, address, position), with a suffix to the name and
    // one more label (a histogram's "le") when given.
    void Device(const char* name, const DeviceStatus& device, const QByteArray& value,
                const char* suffix = "", const char* le = nullptr) {
        text_ += name;
        text_ += suffix;
        text_ += Labels(device);
        if (le) {
            text_ += ",le=\"";
            text_ += le;
            text_ += '"';
        }
        text_ += "} ";
        text_ += value;
        text_ += '\n';
    }
    QByteArray Take() { return std::move(text_); }

private:
    // `{com="COM1",address="1",position="0"` without its closing brace, made once per device.
    const QByteArray& Labels(const DeviceStatus& device) {
        QByteArray& labels = labels_[std::size_t(device.position) % labels_.size()];
        if (labels.isEmpty())
            labels = "{com=\"" + com_ + "\",address=\"" + QByteArray::number(device.address) +
                     "\",position=\"" + QByteArray::number(device.position) + '"';
        return labels;
    }

    QByteArray com_;
    QByteArray text_;
    std::array<QByteArray, DevicePositions> labels_;
};

// The histogram's bucket bounds in seconds, as ExchangeStats::ReplyBucketMs has them.
constexpr std::array<const char*, ExchangeStats::ReplyBucketMs.size()> BucketSeconds{
    "0.005", "0.01", "0.025", "0.05", "0.1", "0.25", "0.5", "1"};
static_assert(ExchangeStats::ReplyBucketMs ==
              std::array<qint64, 8>{5, 10, 25, 50, 100, 250, 500, 1000});

QByteArray Number(qint64 n) {
    return QByteArray::number(n);
}

QByteArray Flag(bool on) {
    return on ? QByteArray("1") : QByteArray("0");
}

QByteArray DeviceState(const DeviceStatus& device) {
    if (!device.cycled) return "waiting";
    if (device.answered) return "ok";
    return device.resting ? "resting" : "timeout";
}

} // namespace

int PvStatusCode(qint32 pv) {
    const int word = pv & 0xFFFF;
    if ((word & 0xFF00) != 0x8000) return 0;
    return word & 0x0F;
}

QByteArray MetricsText(const RecorderStatus& status) {
    Exposition out(status);
    const auto devices = [&](const char* name, const char* type, const char* help,
                             const auto& value) {
        out.Family(name, type, help);
        for (const DeviceStatus& device : status.devices)
            if (const std::optional<QByteArray> v = value(device)) out.Device(name, device, *v);
    };
    devices("vrx_pv_celsius", "gauge",
            "Process value of the controller's last good reply, in degrees Celsius.",
            [](const DeviceStatus& d) -> std::optional<QByteArray> {
                // A status in place of the process value is no temperature: the series pauses.
                if (!d.pv || PvStatusCode(*d.pv) != 0) return std::nullopt;
                return TenthsText(*d.pv);
            });
    devices("vrx_sv_celsius", "gauge",
            "Set value of the controller's last good reply, in degrees Celsius.",
            [](const DeviceStatus& d) -> std::optional<QByteArray> {
                if (!d.sv) return std::nullopt;
                return TenthsText(*d.sv);
            });
    devices("vrx_device_status_code", "gauge",
            "The controller's status in place of its process value: 0 a temperature, 1 and 2 "
            "waiting, 3 no sensor connected, 4 and 6 input error, 5 over range, 7 memory bad.",
            [](const DeviceStatus& d) -> std::optional<QByteArray> {
                if (!d.pv) return std::nullopt;
                return Number(PvStatusCode(*d.pv));
            });
    devices("vrx_device_up", "gauge", "Whether the controller answered in the last cycle.",
            [](const DeviceStatus& d) { return std::optional(Flag(d.answered)); });
    devices("vrx_device_last_good_timestamp_seconds", "gauge",
            "When the controller last answered well, in seconds since the epoch.",
            [](const DeviceStatus& d) -> std::optional<QByteArray> {
                if (!d.lastGood.isValid()) return std::nullopt;
                return Seconds(d.lastGood);
            });
    devices("vrx_exchanges_total", "counter", "Requests sent to the controller.",
            [](const DeviceStatus& d) { return std::optional(Number(d.stats.requests)); });
    devices("vrx_timeouts_total", "counter", "Requests the controller did not answer in time.",
            [](const DeviceStatus& d) { return std::optional(Number(d.stats.timeouts)); });
    devices("vrx_check_errors_total", "counter",
            "Replies with a bad check, another address or another function.",
            [](const DeviceStatus& d) { return std::optional(Number(d.stats.checkErrors)); });
    devices("vrx_exceptions_total", "counter", "Exception replies of the controller.",
            [](const DeviceStatus& d) { return std::optional(Number(d.stats.exceptions)); });

    out.Family("vrx_reply_duration_seconds", "histogram",
               "How long the controller's replies took, from the request to the reply's end.");
    for (const DeviceStatus& device : status.devices) {
        const ExchangeStats& s = device.stats;
        qint64 cumulative = 0;
        for (std::size_t i = 0; i < ExchangeStats::ReplyBucketMs.size(); ++i) {
            cumulative += s.replyBuckets[i];
            out.Device("vrx_reply_duration_seconds", device, Number(cumulative), "_bucket",
                       BucketSeconds[i]);
        }
        out.Device("vrx_reply_duration_seconds", device, Number(s.timed), "_bucket", "+Inf");
        out.Device("vrx_reply_duration_seconds", device,
                   QByteArray::number(double(s.totalMs) / 1000.0), "_sum");
        out.Device("vrx_reply_duration_seconds", device, Number(s.timed), "_count");
    }

    out.Family("vrx_line_up", "gauge", "Whether the serial line is open.");
    out.Line("vrx_line_up", Flag(status.lineUp));
    out.Family("vrx_sample_interval_seconds", "gauge", "The recording's sample interval.");
    out.Line("vrx_sample_interval_seconds", Number(status.interval));
    if (status.lastCycle.isValid()) {
        out.Family("vrx_last_cycle_timestamp_seconds", "gauge",
                   "When the last poll cycle completed, in seconds since the epoch.");
        out.Line("vrx_last_cycle_timestamp_seconds", Seconds(status.lastCycle));
    }
    out.Family("vrx_samples_written_total", "counter", "Record lines written to the files.");
    out.Line("vrx_samples_written_total", Number(qint64(status.samplesWritten)));
    out.Family("vrx_record_file_bytes", "gauge", "Size of the record file being written.");
    out.Line("vrx_record_file_bytes", Number(status.fileBytes));
    out.Family("vrx_record_lines_waiting", "gauge",
               "Record lines waiting because the file cannot be written.");
    out.Line("vrx_record_lines_waiting", Number(status.linesWaiting));
    if (status.mqtt) {
        out.Family("vrx_mqtt_connected", "gauge", "Whether the MQTT broker is connected.");
        out.Line("vrx_mqtt_connected", Flag(status.mqtt->connected));
        out.Family("vrx_mqtt_refused", "gauge",
                   "Whether the broker refuses the samples (its rules deny the topic).");
        out.Line("vrx_mqtt_refused", Flag(status.mqtt->refused));
        out.Family("vrx_mqtt_queued_messages", "gauge",
                   "Messages waiting for the broker's acknowledgement.");
        out.Line("vrx_mqtt_queued_messages", Number(status.mqtt->queued));
    }
    if (status.hub) {
        out.Family("vrx_hub_served_total", "counter",
                   "Requests of the line's other Modbus TCP masters answered.");
        out.Line("vrx_hub_served_total", Number(qint64(status.hub->served)));
        out.Family("vrx_hub_exceptions_total", "counter",
                   "Of the served requests, those answered with an exception.");
        out.Line("vrx_hub_exceptions_total", Number(qint64(status.hub->exceptions)));
        out.Family("vrx_hub_masters", "gauge", "Modbus TCP masters connected.");
        out.Line("vrx_hub_masters", Number(status.hub->masters));
    }
    return out.Take();
}

QString HealthProblem(const RecorderStatus& status) {
    if (!status.lineUp) return QStringLiteral("COM%1 is down").arg(status.com);
    if (status.linesWaiting > 0)
        return QStringLiteral("the record file cannot be written: %1 lines wait")
            .arg(status.linesWaiting);
    // A cycle may be late by its slowest device's retries; three intervals is no longer late.
    const QDateTime& last = status.lastCycle.isValid() ? status.lastCycle : status.started;
    const qint64 since = last.isValid() ? last.msecsTo(status.now) : -1;
    const qint64 bound = 3 * qint64(status.interval) * 1000 + 5000;
    if (since > bound) return QStringLiteral("no cycle completed for %1 s").arg(since / 1000);
    return {};
}

QByteArray StateJson(const RecorderStatus& status) {
    QJsonArray devices;
    for (const DeviceStatus& d : status.devices) {
        QJsonObject device{{"position", d.position},
                           {"address", d.address},
                           {"state", QString::fromLatin1(DeviceState(d))}};
        const bool reading = d.pv && PvStatusCode(*d.pv) == 0;
        device["pv"] = reading ? QJsonValue(*d.pv / 10.0) : QJsonValue();
        device["sv"] = d.sv ? QJsonValue(*d.sv / 10.0) : QJsonValue();
        device["code"] = d.pv ? PvStatusCode(*d.pv) : 0;
        device["age"] =
            d.lastGood.isValid() ? QJsonValue(d.lastGood.secsTo(status.now)) : QJsonValue();
        devices.append(device);
    }
    QJsonObject state{{"com", QStringLiteral("COM%1").arg(status.com)},
                      {"interval", status.interval},
                      {"time", status.now.toMSecsSinceEpoch()},
                      {"line", status.lineUp ? "up" : "down"},
                      {"file", status.file},
                      {"samples", qint64(status.samplesWritten)},
                      {"health", HealthProblem(status)},
                      {"devices", devices}};
    if (status.mqtt)
        state["mqtt"] = QJsonObject{{"state", status.mqtt->refused     ? "refused"
                                              : status.mqtt->connected ? "online"
                                                                       : "away"},
                                    {"queued", qint64(status.mqtt->queued)}};
    if (status.hub)
        state["hub"] = QJsonObject{{"served", qint64(status.hub->served)},
                                   {"exceptions", qint64(status.hub->exceptions)},
                                   {"masters", status.hub->masters}};
    return QJsonDocument(state).toJson(QJsonDocument::Compact);
}

void PvHistory::Add(const QDateTime& at, const Readings& readings) {
    Row row;
    row.ms = at.toMSecsSinceEpoch();
    for (int p = 0; p < DevicePositions; ++p) {
        const DeviceReading& r = readings[std::size_t(p)];
        row.pv[std::size_t(p)] = r.answered && PvStatusCode(r.pv) == 0 ? r.pv : MissingSample;
    }
    rows_.push_back(row);
    while (!rows_.empty() && rows_.front().ms < row.ms - SpanMs)
        rows_.pop_front();
}

QByteArray PvHistory::Json(const Addresses& addresses) const {
    QByteArray positions;
    QByteArray used;
    for (int p = 0; p < DevicePositions; ++p) {
        if (addresses[std::size_t(p)] == 0) continue;
        if (!positions.isEmpty()) {
            positions += ',';
            used += ',';
        }
        positions += QByteArray::number(p);
        used += QByteArray::number(addresses[std::size_t(p)]);
    }
    QByteArray json = "{\"positions\":[" + positions + "],\"addresses\":[" + used + "],\"rows\":[";
    json.reserve(json.size() + qsizetype(rows_.size()) * (16 + 8 * 7));
    bool first = true;
    for (const Row& row : rows_) {
        json += first ? "[" : ",[";
        first = false;
        json += QByteArray::number(row.ms);
        for (int p = 0; p < DevicePositions; ++p) {
            if (addresses[std::size_t(p)] == 0) continue;
            const qint32 pv = row.pv[std::size_t(p)];
            json += ',';
            json += pv == MissingSample ? QByteArray("null") : TenthsText(pv);
        }
        json += ']';
    }
    return json + "]}";
}

} // namespace vrx
