// Reading a span of a record for the chart.
#include "recordspans.h"

#include "textfile.h"

#include <cmath>

namespace vrx {

qint64 SpanPlace::LineAt(int x) const {
    return qint64(std::llround(first + double(x - left) * count / qMax(1, width)));
}

std::pair<qint64, qint64> SpanPlace::ColumnLines(int c) const {
    const double perPixel = count / qMax(1, width);
    const qint64 from = qint64(std::floor(first + c * perPixel));
    return {from, qMax(from + 1, qint64(std::floor(first + (c + 1) * perPixel)))};
}

void RecordSpans::Open(const QString& path, const RecordLayout& layout) {
    Close();
    path_ = path;
    layout_ = layout;
    file_.setFileName(path);
    // Unbuffered: the cursor and the sampled columns each read one short line somewhere.
    if (PlainFileProblem(path) || !file_.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        layout_ = {};
}

void RecordSpans::Close() {
    summary_.reset();
    file_.close();
    layout_ = {};
    rawFirst_ = 0;
    rawLines_ = 0;
}

std::optional<RecordLine> RecordSpans::Line(qint64 line) {
    if (!file_.isOpen()) return std::nullopt;
    return ReadRecordLine(file_, layout_, line);
}

void RecordSpans::HoldWhole(qint64 first, qint64 end) {
    if (first >= rawFirst_ && end <= rawFirst_ + rawLines_) return;
    // The block is placed with the span in its middle, so that moving either way reads seldom.
    const qint64 spare = qMax<qint64>(0, BlockPoints - (end - first));
    const qint64 start = qMax<qint64>(0, first - spare / 2);
    const BlockRead block = ReadRecordBlock(file_, layout_, start, 1, raw_);
    rawFirst_ = start;
    rawLines_ = block.broken ? 0 : block.points;
}

qint32 RecordSpans::Raw(int position, qint64 line) const {
    if (line < rawFirst_ || line >= rawFirst_ + rawLines_) return MissingSample;
    return raw_.At(position, int(line - rawFirst_));
}

SpanPicture RecordSpans::Picture(const SpanPlace& place, int tickEvery, const UsedPositions& used,
                                 const std::function<void()>& progressed) {
    SpanPicture picture;
    const qint64 lines = layout_.recordCount;
    if (!file_.isOpen() || lines <= 0 || place.count <= 0 || place.width <= 0) return picture;
    // One line either side beyond the plot, so that the traces run to its edges.
    const qint64 first = qBound<qint64>(0, qint64(std::floor(place.first)) - 1, lines);
    const qint64 end = qBound<qint64>(0, qint64(std::ceil(place.first + place.count)) + 1, lines);
    const double perPixel = place.count / place.width;

    if (end - first <= ReadWholeLines) {
        HoldWhole(first, end);
        if (perPixel <= 1) {
            for (qint64 line = first; line < end; ++line) {
                SpanColumn column{int(std::lround(place.X(double(line)))), {}};
                for (int p = 0; p < DevicePositions; ++p)
                    column.ranges[std::size_t(p)].Add(Raw(p, line));
                picture.columns.push_back(column);
            }
        } else {
            for (int c = 0; c < place.width; ++c) {
                const auto [from, to] = place.ColumnLines(c);
                SpanColumn column{place.left + c, {}};
                for (qint64 line = qMax(from, first); line < qMin(to, end); ++line) {
                    for (int p = 0; p < DevicePositions; ++p)
                        column.ranges[std::size_t(p)].Add(Raw(p, line));
                }
                picture.columns.push_back(column);
            }
        }
    } else {
        picture.summary = true;
        if (!summary_) summary_ = std::make_unique<RecordSummary>(path_, layout_);
        for (int c = 0; c < place.width; ++c) {
            const auto [from, to] = place.ColumnLines(c);
            SpanColumn column{place.left + c, {}};
            if (from >= lines) break;
            if (!summary_->Range(from, to, column.ranges)) {
                picture.complete = false;
                if (const auto line = Line((from + qMin(to, lines)) / 2)) {
                    for (int p = 0; p < DevicePositions; ++p)
                        column.ranges[std::size_t(p)].Add(line->pv[std::size_t(p)]);
                }
            }
            picture.columns.push_back(column);
        }
        if (!picture.complete) summary_->Start(progressed);
    }

    bool seeded = false;
    for (const SpanColumn& column : picture.columns) {
        for (int p = 0; p < DevicePositions; ++p) {
            const TraceRange& r = column.ranges[std::size_t(p)];
            if (!used[std::size_t(p)] || r.Empty()) continue;
            if (!seeded) picture.range = {r.max, r.min};
            seeded = true;
            picture.range.max = qMax<qint32>(picture.range.max, r.max);
            picture.range.min = qMin<qint32>(picture.range.min, r.min);
        }
    }
    for (int x = place.left + tickEvery; tickEvery > 0 && x < place.left + place.width;
         x += tickEvery) {
        const qint64 line = place.LineAt(x);
        if (line >= lines) break;
        picture.ticks.push_back({x, Line(line)});
    }
    return picture;
}

} // namespace vrx
