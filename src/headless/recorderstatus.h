// What the recorder's HTTP side tells: the last cycle's values, the line, the file, the broker
// and the hub as one value, and the Prometheus text, the page's JSON and the health check made
// from it. Pure: a scrape reads what the last cycle left and never the line.
#pragma once

#include "exchangestats.h"
#include "samplestore.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <deque>
#include <optional>
#include <vector>

namespace vrx {

// A process-value word whose high byte is 0x80 carries the controller's status (no sensor,
// input error, over range, ...) in its low nibble instead of a temperature. 0: a temperature.
int PvStatusCode(qint32 pv);

struct DeviceStatus {
    int position = 0;
    int address = 0;
    // The last good reply's values, in tenths; nothing before the first.
    std::optional<qint32> pv;
    std::optional<qint32> sv;
    bool answered = false; // in the last cycle
    bool resting = false;  // stopped answering; asked again once a minute
    bool cycled = false;   // a cycle has asked it
    QDateTime lastGood;    // of the last good reply; invalid before the first
    ExchangeStats stats;
};

struct RecorderStatus {
    int com = 1;
    int interval = 1;
    QDateTime now;
    bool lineUp = true;
    QDateTime started;   // when the recording began
    QDateTime lastCycle; // invalid before the first
    quint64 samplesWritten = 0;
    QString file; // the record file being written, without its folder; empty: none open
    qint64 fileBytes = 0;
    qsizetype linesWaiting = 0; // cycles' lines that could not be written yet
    struct Mqtt {
        bool connected = false;
        bool refused = false;
        qsizetype queued = 0;
    };
    std::optional<Mqtt> mqtt; // with --mqtt
    struct Hub {
        quint64 served = 0;
        quint64 exceptions = 0;
        int masters = 0;
    };
    std::optional<Hub> hub;            // with --serve
    std::vector<DeviceStatus> devices; // the used positions, in order
};

// The Prometheus text exposition (version 0.0.4): a HELP and a TYPE line for every family,
// base units, counters ending in _total.
QByteArray MetricsText(const RecorderStatus& status);
inline constexpr char MetricsContentType[] = "text/plain; version=0.0.4; charset=utf-8";

// Why the recording is not well (the line down, lines that cannot be written, no cycle for
// three intervals); empty while it is.
QString HealthProblem(const RecorderStatus& status);

// The page's JSON: the devices' values and states, the line, the file and the broker.
QByteArray StateJson(const RecorderStatus& status);

// The last hour of process values, for the page's chart: one row per cycle.
class PvHistory {
public:
    static constexpr qint64 SpanMs = 3600 * 1000;

    void Add(const QDateTime& at, const Readings& readings);
    // {"positions":[0,1],"addresses":[1,2],"rows":[[ms,25.3,null],...]}, ms since the epoch;
    // a value the device did not give, or a status in place of a temperature, is null.
    QByteArray Json(const Addresses& addresses) const;
    qsizetype Size() const { return qsizetype(rows_.size()); }

private:
    struct Row {
        qint64 ms = 0;
        std::array<qint32, DevicePositions> pv{}; // MissingSample: none
    };
    std::deque<Row> rows_;
};

} // namespace vrx
