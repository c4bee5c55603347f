// The record viewer on any file, at any place of the track bar and any display interval, as a
// user moves them: the file as the viewer reads it (from disk, opened for each block), then
// refreshes at positions and intervals taken from the input's last bytes; then zoomed spans of
// it, and its summary. Whatever the file holds, a refresh shows only columns that were read,
// and never more than a window; a span's columns stay on the plot; the summary holds every
// line that reads.
#include "recordspans.h"
#include "recordview.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr int TrackMaximum = 600; // the window's track bar

const QString& RecordPath() {
    static QTemporaryDir dir;
    static const QString path = dir.filePath(QStringLiteral("record.txt"));
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        QFile file(RecordPath());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    vrx::RecordView view;
    if (!view.Load(RecordPath())) return 0;
    if (view.LoadedPoints() < 1 || view.LoadedPoints() > vrx::FirstLoadPoints) std::abort();
    // Up to four moves: a track bar place and a sample time (a multiple of the file's interval,
    // as the window's spin box offers them) from the last bytes.
    int seconds = view.FileInterval();
    for (size_t move = 0; move < 4 && 2 * move + 1 < size; ++move) {
        const int position = data[size - 1 - 2 * move] * TrackMaximum / 255;
        const int factor = 1 + data[size - 2 - 2 * move] % 16;
        const int wanted = qMin(120, view.FileInterval() * factor);
        if (wanted != seconds) {
            seconds = wanted;
            view.IntervalChanged = true;
        }
        const vrx::RecordView::Refresh r = view.RefreshView(position, TrackMaximum, seconds);
        if (r.broken) return 0;
        if (r.sampleCount < 0 || r.sampleCount > vrx::ViewPoints || r.start < 0) std::abort();
        if (r.sampleCount > 0 && r.start + r.sampleCount > view.BlockPointsRead) std::abort();
        if (r.trackPosition && (*r.trackPosition < 0 || *r.trackPosition > TrackMaximum))
            std::abort();
        for (int k = r.start; k < r.start + r.sampleCount; k += 97)
            (void)view.PointTimeText(k, seconds);
    }

    vrx::RecordSpans spans;
    spans.Open(RecordPath(), view.Layout());
    const double lines = double(spans.Lines());
    const double count = size > 2 ? qMax(1.0, lines * data[size - 3] / 255) : lines;
    const double first = size > 3 ? (lines - count) * data[size - 4] / 255 : 0;
    constexpr int Left = 50, Width = 600;
    const vrx::SpanPicture picture =
        spans.Picture({first, count, Left, Width}, 50, vrx::UsedOf(view.FileDeviceAddr()), {});
    for (const vrx::SpanColumn& column : picture.columns) {
        // The lines either side of the span lie off the plot by less than two lines' width.
        const double slack = 2 * Width / count + 1;
        if (column.x < Left - slack || column.x > Left + Width + slack) std::abort();
    }
    vrx::RecordSummary summary(RecordPath(), view.Layout());
    summary.BuildNow();
    vrx::TraceRanges whole;
    if (!summary.Range(0, spans.Lines(), whole)) std::abort();
    for (qint64 r = 0; r < qMin<qint64>(spans.Lines(), 64); ++r) {
        const auto line = spans.Line(r);
        if (!line) continue;
        for (std::size_t p = 0; p < whole.size(); ++p) {
            const qint32 v = line->pv[p];
            if (v != vrx::MissingSample && (v < whole[p].min || v > whole[p].max)) std::abort();
        }
    }
    return 0;
}
