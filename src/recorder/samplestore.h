// The Recorder's sample store: eight device positions by 6001 columns of process values, and the
// recorded chart window kept in it.
#pragma once

#include <QtGlobal>

#include <array>
#include <limits>
#include <vector>

namespace vrx {

inline constexpr int DevicePositions = 8;
// One chart window: 600 columns, plus the 601st sample that opens the next window.
inline constexpr int WindowColumns = 600;
// A viewed record is held in blocks of this many points.
inline constexpr int BlockPoints = 6000;
inline constexpr int StoreColumns = BlockPoints + 1;

// A value a device did not give (dropped during a saved recording): the chart leaves a gap.
// No register value comes near it, so it never collides with a reading.
inline constexpr qint32 MissingSample = std::numeric_limits<qint32>::min();

// Controller address per device position; 0 = position not used.
using Addresses = std::array<int, DevicePositions>;
// Which positions take part in the chart.
using UsedPositions = std::array<bool, DevicePositions>;

inline UsedPositions UsedOf(const Addresses& addresses) {
    UsedPositions used{};
    for (int p = 0; p < DevicePositions; ++p)
        used[std::size_t(p)] = addresses[std::size_t(p)] != 0;
    return used;
}

// What one device position gave in a poll cycle: its process and set values, or nothing.
struct DeviceReading {
    bool answered = false;
    qint32 pv = 0;
    qint32 sv = 0;
    friend bool operator==(const DeviceReading&, const DeviceReading&) = default;
};
using Readings = std::array<DeviceReading, DevicePositions>;

// Row = device position, column = sample or point. Kept on the heap: 192 KiB.
class SampleStore {
public:
    SampleStore() : values_(std::size_t(DevicePositions) * StoreColumns, 0) {}

    qint32 At(int position, int column) const { return values_[Index(position, column)]; }
    qint32& At(int position, int column) { return values_[Index(position, column)]; }
    void Clear() { std::fill(values_.begin(), values_.end(), 0); }

private:
    static std::size_t Index(int position, int column) {
        Q_ASSERT(position >= 0 && position < DevicePositions);
        Q_ASSERT(column >= 0 && column < StoreColumns);
        return std::size_t(position) * StoreColumns + std::size_t(column);
    }
    std::vector<qint32> values_;
};

// The chart's window while recording: each cycle's process values in the next column, the
// 601st opening the next window at its left edge with the last column carried over.
class RecordedWindow {
public:
    // Stores the process values of the used positions (MissingSample where nothing came, so the
    // chart leaves a gap) in the next column. True when this sample opened a new window.
    bool Add(const Readings& readings, const UsedPositions& used) {
        for (int p = 0; p < DevicePositions; ++p) {
            if (!used[std::size_t(p)]) continue;
            const DeviceReading& r = readings[std::size_t(p)];
            samples_.At(p, count_) = r.answered ? r.pv : MissingSample;
        }
        if (++count_ <= WindowColumns) return false;
        count_ = 1;
        for (int p = 0; p < DevicePositions; ++p) {
            if (used[std::size_t(p)]) samples_.At(p, 0) = samples_.At(p, WindowColumns);
            for (int j = 1; j <= WindowColumns; ++j)
                samples_.At(p, j) = 0;
        }
        return true;
    }
    void Clear() {
        samples_.Clear();
        count_ = 0;
    }

    const SampleStore& Samples() const { return samples_; }
    // Samples in the window, the newest at column Count() - 1.
    int Count() const { return count_; }

private:
    SampleStore samples_;
    int count_ = 0;
};

} // namespace vrx
