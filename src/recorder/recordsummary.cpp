// Building the summary of a record and taking extremes from it.
#include "recordsummary.h"

#include <QFile>

#include <chrono>

namespace vrx {

namespace {

// Lines read at a time by the builder: about 2.5 MB of a record of eight devices.
constexpr qint64 ChunkRuns = 1024;
constexpr auto ProgressEvery = std::chrono::milliseconds(250);

} // namespace

RecordSummary::RecordSummary(const QString& path, const RecordLayout& layout)
    : path_(path), layout_(layout) {
    // Every level is sized up front: the builder fills them while views read what is done.
    qint64 runs = (qMax<qint64>(0, layout.recordCount) + RunLines - 1) / RunLines;
    levels_.emplace_back(std::size_t(runs));
    while (runs >= LevelJoin) {
        runs /= LevelJoin;
        levels_.emplace_back(std::size_t(runs));
    }
}

RecordSummary::~RecordSummary() {
    stop_.store(true);
    if (builder_.joinable()) builder_.join();
}

void RecordSummary::Start(std::function<void()> progressed) {
    if (builder_.joinable() || Done()) return;
    progressed_ = std::move(progressed);
    builder_ = std::thread([this] { Build(); });
}

void RecordSummary::BuildNow() {
    if (builder_.joinable() || Done()) return;
    Build();
}

qint64 RecordSummary::BuiltLines() const {
    return qMin(builtRuns_.load(std::memory_order_acquire) * RunLines, layout_.recordCount);
}

void RecordSummary::Build() {
    const RecordHeader& header = layout_.header;
    const int count = header.StationCount();
    std::array<int, DevicePositions> positionOf{};
    for (int p = 0, field = 0; p < DevicePositions; ++p) {
        if (header.addresses[std::size_t(p)] != 0) positionOf[std::size_t(field++)] = p;
    }
    QFile file(path_);
    // Unbuffered: the builder reads large runs of its own.
    const bool open = file.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    const qint64 runs = qint64(levels_[0].size());
    const qint64 length = layout_.lineLength;
    auto last = std::chrono::steady_clock::now();
    for (qint64 run = 0; open && length > 0 && run < runs && !stop_.load();) {
        const qint64 chunkRuns = qMin(ChunkRuns, runs - run);
        const qint64 firstLine = run * RunLines;
        const qint64 lines = qMin(chunkRuns * RunLines, layout_.recordCount - firstLine);
        if (!file.seek(layout_.dataOffset + firstLine * length)) break;
        const QByteArray bytes = file.read(lines * length);
        const QByteArrayView view(bytes);
        for (qint64 r = 0; r < chunkRuns; ++r) {
            TraceRanges ranges;
            for (qint64 i = r * RunLines; i < qMin((r + 1) * RunLines, lines); ++i) {
                if ((i + 1) * length > view.size()) break;
                QByteArrayView line = view.sliced(i * length, length);
                // A line of another length or a cut one gives nothing; its run keeps the rest.
                if (!line.endsWith('\n')) continue;
                const auto values = ParseFields(line, count);
                if (!values) continue;
                for (int f = 0; f < count; ++f)
                    ranges[std::size_t(positionOf[std::size_t(f)])].Add((*values)[std::size_t(f)]);
            }
            levels_[0][std::size_t(run + r)] = ranges;
        }
        Join(run, run + chunkRuns);
        run += chunkRuns;
        builtRuns_.store(run, std::memory_order_release);
        const auto now = std::chrono::steady_clock::now();
        if (progressed_ && now - last >= ProgressEvery) {
            last = now;
            progressed_();
        }
    }
    if (stop_.load()) return;
    // A record that could not be read whole is summarized as far as it was read.
    done_.store(true, std::memory_order_release);
    if (progressed_) progressed_();
}

void RecordSummary::Join(qint64 from, qint64 to) {
    for (std::size_t level = 1; level < levels_.size(); ++level) {
        const auto& below = levels_[level - 1];
        auto& above = levels_[level];
        // The entries whose last child lies in from .. to-1 are complete now.
        const qint64 first = from / LevelJoin;
        const qint64 end = qMin<qint64>(to / LevelJoin, qint64(above.size()));
        for (qint64 j = first; j < end; ++j) {
            TraceRanges ranges;
            for (qint64 c = j * LevelJoin; c < (j + 1) * LevelJoin; ++c) {
                for (int p = 0; p < DevicePositions; ++p)
                    ranges[std::size_t(p)].Merge(below[std::size_t(c)][std::size_t(p)]);
            }
            above[std::size_t(j)] = ranges;
        }
        from = first;
        to = end;
    }
}

bool RecordSummary::Range(qint64 first, qint64 end, TraceRanges& out) const {
    out = {};
    first = qMax<qint64>(0, first);
    end = qMin(end, layout_.recordCount);
    if (first >= end) return true;
    qint64 lo = first / RunLines;
    qint64 hi = (end + RunLines - 1) / RunLines;
    if (hi > builtRuns_.load(std::memory_order_acquire)) return false;
    const auto merge = [&out](const TraceRanges& ranges) {
        for (int p = 0; p < DevicePositions; ++p)
            out[std::size_t(p)].Merge(ranges[std::size_t(p)]);
    };
    for (std::size_t level = 0; lo < hi; ++level) {
        const auto& entries = levels_[level];
        if (level + 1 == levels_.size()) {
            for (qint64 i = lo; i < hi; ++i)
                merge(entries[std::size_t(i)]);
            break;
        }
        while (lo < hi && lo % LevelJoin != 0)
            merge(entries[std::size_t(lo++)]);
        while (lo < hi && hi % LevelJoin != 0)
            merge(entries[std::size_t(--hi)]);
        lo /= LevelJoin;
        hi /= LevelJoin;
    }
    return true;
}

} // namespace vrx
