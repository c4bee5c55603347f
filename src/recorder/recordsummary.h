// The lowest and highest process value of every device over runs of a record, so that a view
// of days or months of lines draws each column's true extremes without reading the lines again.
// It is built in memory by a background thread, block by block from the start of the record,
// the first time a view needs it; a view asks only for what is built so far.
#pragma once

#include "recordfile.h"

#include <QString>

#include <array>
#include <atomic>
#include <functional>
#include <limits>
#include <thread>
#include <vector>

namespace vrx {

// A device's lowest and highest value over some lines; empty when none gave a value.
struct TraceRange {
    qint16 min = std::numeric_limits<qint16>::max();
    qint16 max = std::numeric_limits<qint16>::min();
    bool Empty() const { return min > max; }
    void Add(qint32 value) {
        if (value == MissingSample) return;
        min = qMin(min, qint16(value));
        max = qMax(max, qint16(value));
    }
    void Merge(const TraceRange& other) {
        min = qMin(min, other.min);
        max = qMax(max, other.max);
    }
    friend bool operator==(const TraceRange&, const TraceRange&) = default;
};
using TraceRanges = std::array<TraceRange, DevicePositions>;

class RecordSummary {
public:
    // Lines per summarized run; each level above joins this many runs of the one below.
    static constexpr qint64 RunLines = 16;
    static constexpr qint64 LevelJoin = 8;

    RecordSummary(const QString& path, const RecordLayout& layout);
    ~RecordSummary(); // stops the builder and waits for it
    RecordSummary(const RecordSummary&) = delete;
    RecordSummary& operator=(const RecordSummary&) = delete;

    // Starts the builder unless it runs or ran. `progressed` is called on the builder's thread a
    // few times a second while it works, and once at the end.
    void Start(std::function<void()> progressed);
    // Lines from the start of the record whose runs are summarized.
    qint64 BuiltLines() const;
    bool Done() const { return done_.load(std::memory_order_acquire); }

    // The extremes of lines first .. end-1, taken by whole runs (a run partly inside counts
    // whole); false when part of it is not built yet.
    bool Range(qint64 first, qint64 end, TraceRanges& out) const;

    // Builds the whole summary on this thread (tests, the benchmark).
    void BuildNow();

private:
    void Build();
    // Extends the upper levels over runs [from, to) of level 0.
    void Join(qint64 from, qint64 to);

    QString path_;
    RecordLayout layout_;
    std::vector<std::vector<TraceRanges>> levels_; // level 0: one per run of RunLines lines
    std::atomic<qint64> builtRuns_{0};
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
    std::function<void()> progressed_;
    std::thread builder_;
};

} // namespace vrx
