// A zoomed view of a record: any span of its lines, from a few to all of them, as the chart
// draws it: the extremes of each device in every pixel column, and the lines at the time ticks.
// A span of up to a block of lines is read whole; a longer one comes from the record's summary,
// and columns whose part of the summary is not built yet show a line sampled from their middle.
#pragma once

#include "chartgeometry.h"
#include "recordsummary.h"

#include <QFile>

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace vrx {

struct SpanColumn {
    int x = 0;
    TraceRanges ranges;
};
struct SpanTick {
    int x = 0;
    std::optional<RecordLine> line;
};
struct SpanPicture {
    std::vector<SpanColumn> columns; // left to right
    std::vector<SpanTick> ticks;
    WindowRange range;    // of the shown devices over the columns
    bool complete = true; // false while some columns are sampled lines
    bool summary = false; // drawn from the summary
};

// Where the span lies across the plot: its first line (fractional) and lines across it, and the
// plot's left edge and width in pixels.
struct SpanPlace {
    double first = 0;
    double count = 0;
    int left = 0;
    int width = 600;
    // The pixel x of a line, and the line nearest to a pixel x.
    double X(double line) const { return left + (line - first) * width / count; }
    qint64 LineAt(int x) const;
    // The lines from..to-1 that pixel column c (0 at the left edge) shows when they are more
    // than the pixels: at least one.
    std::pair<qint64, qint64> ColumnLines(int c) const;
};

class RecordSpans {
public:
    // Lines read whole at most; a longer span comes from the summary.
    static constexpr qint64 ReadWholeLines = BlockPoints;

    // The record a view has loaded; Close forgets it (and stops its summary).
    void Open(const QString& path, const RecordLayout& layout);
    void Close();
    bool IsOpen() const { return file_.isOpen(); }
    qint64 Lines() const { return layout_.recordCount; }

    // The picture of a span with a time tick every `tickEvery` pixels. `progressed` is called
    // from the summary's builder (another thread) when more of it is built.
    SpanPicture Picture(const SpanPlace& place, int tickEvery, const UsedPositions& used,
                        const std::function<void()>& progressed);
    // One line of the record, for the cursor.
    std::optional<RecordLine> Line(qint64 line);

    RecordSummary* Summary() { return summary_.get(); }

private:
    // Holds lines first .. end-1 in raw_, reading a block around them when needed.
    void HoldWhole(qint64 first, qint64 end);
    qint32 Raw(int position, qint64 line) const;

    QString path_;
    QFile file_;
    RecordLayout layout_;
    SampleStore raw_;
    qint64 rawFirst_ = 0;
    qint64 rawLines_ = 0;
    std::unique_ptr<RecordSummary> summary_;
};

} // namespace vrx
