// The arithmetic of viewing a record, and its block reads.
#include "recordview.h"

#include "chartgeometry.h"

#include <algorithm>

namespace vrx {

ViewWindow ComputeViewWindow(qint64 recordCount, int thinning, int position, int maximum) {
    ViewWindow w;
    w.points = recordCount / qMax(1, thinning);
    if (w.points > ScrollThreshold && maximum > 0) {
        w.first = (w.points - ScrollThreshold) * qBound(0, position, maximum) / maximum;
        w.trackVisible = true;
    }
    w.end = qMin(w.first + ViewPoints, w.points);
    return w;
}

int KeptTrackPosition(qint64 viewStart, qint64 recordCount, int thinning, int maximum) {
    const qint64 points = recordCount / qMax(1, thinning);
    if (points <= ScrollThreshold) return 0;
    const qint64 place =
        qint64(maximum) * (viewStart / qMax(1, thinning)) / (points - ScrollThreshold);
    return int(std::clamp<qint64>(place, 0, maximum));
}

qint64 BlockFirstPoint(qint64 first) {
    return first > 0 ? (first - 1) / BlockAlign * BlockAlign : 0;
}

bool RecordView::Load(const QString& path) {
    path_ = path;
    const RecordLoad load = LoadRecordFile(path, Samples, FirstLoadPoints);
    loadProblem_ = load.problem;
    layout_ = load.layout;
    loadedPoints_ = load.broken ? 0 : load.first.points;
    BlockStart = 0;
    ViewStart = 0;
    IntervalChanged = false;
    StartTime = load.first.startTime;
    BlockPointsRead = loadedPoints_;
    blockAtEnd_ = load.first.atEnd;
    piecewise_ = false;
    return !load.broken;
}

int RecordView::Thinning(int sampleSeconds) const {
    return qMax(1, sampleSeconds / qMax(1, FileInterval()));
}

RecordView::Refresh RecordView::RefreshView(int trackPosition, int trackMaximum,
                                            int sampleSeconds) {
    Refresh r;
    const int a = Thinning(sampleSeconds);
    if (IntervalChanged) {
        trackPosition = KeptTrackPosition(ViewStart, RecordCount(), a, trackMaximum);
        r.trackPosition = trackPosition;
    }
    const ViewWindow w = ComputeViewWindow(RecordCount(), a, trackPosition, trackMaximum);
    r.trackVisible = w.trackVisible;
    ViewStart = w.first * a;
    // The block in memory holds BlockPointsRead points; past them the record goes on unless
    // the block reached its end.
    const bool outside = BlockStart > ViewStart ||
                         (w.end * a > BlockStart + qint64(BlockPointsRead) * a && !blockAtEnd_);
    const auto broken = [this, &r] {
        r.broken = true;
        BlockPointsRead = 0;
        blockAtEnd_ = false;
        piecewise_ = false;
        return r;
    };
    if (outside || IntervalChanged) {
        IntervalChanged = false;
        BlockStart = BlockFirstPoint(w.first) * a;
        r.blockRead = true;
        // Every line of a thinned block is a read of its own: 6000 of them would hold the
        // track bar up, and a window shows 600.
        if (a > 1) {
            if (!StartThinnedBlock(a)) return broken();
        } else {
            piecewise_ = false;
            const BlockRead block = ReadRecordBlock(path_, layout_, BlockStart, a, Samples);
            if (block.broken) return broken();
            StartTime = block.startTime;
            BlockPointsRead = block.points;
            blockAtEnd_ = block.atEnd;
        }
    }
    const qint64 start = (ViewStart - BlockStart) / a;
    if (piecewise_ && !ReadPieces(start, start + (w.end - w.first), a)) return broken();
    // A file may hold fewer lines than its size promised (bytes after the end line): never
    // show columns that were not read.
    r.start = int(start);
    r.sampleCount = int(
        std::clamp<qint64>(qMin<qint64>(w.end - w.first, BlockPointsRead - start), 0, ViewPoints));
    return r;
}

bool RecordView::StartThinnedBlock(int thinning) {
    piecewise_ = true;
    piecesRead_.reset();
    const BlockRead first = ReadRecordPoints(path_, layout_, BlockStart, thinning, Samples, 0, 1);
    if (first.broken) return false;
    StartTime = first.startTime;
    // The points the whole block would hold by the record's size; a piece that finds the record
    // ending sooner cuts them short.
    const qint64 left = (RecordCount() - BlockStart + thinning - 1) / thinning;
    BlockPointsRead = first.points == 0 ? 0 : int(std::clamp<qint64>(left, 0, BlockPoints));
    blockAtEnd_ = first.points == 0 || left <= BlockPoints;
    return true;
}

bool RecordView::ReadPieces(qint64 from, qint64 to, int thinning) {
    to = qMin<qint64>(to, BlockPointsRead);
    for (qint64 piece = from / PiecePoints; piece * PiecePoints < to; ++piece) {
        if (piecesRead_[std::size_t(piece)]) continue;
        const int first = int(piece * PiecePoints);
        const int count = qMin(PiecePoints, BlockPointsRead - first);
        const BlockRead block =
            ReadRecordPoints(path_, layout_, BlockStart, thinning, Samples, first, count);
        if (block.broken) return false;
        piecesRead_[std::size_t(piece)] = true;
        if (block.points < first + count) {
            BlockPointsRead = block.points;
            blockAtEnd_ = true;
            return true;
        }
    }
    return true;
}

QString RecordView::PointTimeText(int k, int sampleSeconds) const {
    if (!StartTime) return {};
    return LongTimeText(StartTime->addSecs(qint64(k) * sampleSeconds));
}

} // namespace vrx
