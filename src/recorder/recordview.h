// Viewing a record file: which points of the record the window shows for a track bar place and
// a display interval, and the block of the file held in memory for them.
#pragma once

#include "recordfile.h"

#include <bitset>
#include <optional>

namespace vrx {

// A shown window holds at most 600 points; the track bar scrolls when more than 580 exist.
inline constexpr int ViewPoints = 600;
inline constexpr int ScrollThreshold = 580;
// Blocks start at multiples of this many points, so a window moves far before the next read.
inline constexpr int BlockAlign = 3000;
// Lines read when a file is opened.
inline constexpr int FirstLoadPoints = ViewPoints + 1;
// A thinned block is read where it is shown, in pieces of this many points: each of its lines
// is a read of its own, and a window shows a tenth of the block.
inline constexpr int PiecePoints = 200;

// The window of a record as the track bar places it.
struct ViewWindow {
    qint64 points = 0; // c: points of the whole record at this thinning
    qint64 first = 0;  // d: first shown point
    qint64 end = 0;    // e: one past the last shown point
    bool trackVisible = false;
    friend bool operator==(const ViewWindow&, const ViewWindow&) = default;
};

// c = records div thinning; d = (c - 580) x position div maximum when c > 580, else 0.
ViewWindow ComputeViewWindow(qint64 recordCount, int thinning, int position, int maximum);
// The track bar place that keeps record `viewStart` in view after the thinning changed.
int KeptTrackPosition(qint64 viewStart, qint64 recordCount, int thinning, int maximum);
// The first point of the block that holds point d: the largest multiple of 3000 below it.
qint64 BlockFirstPoint(qint64 first);

class RecordView {
public:
    // What a refresh asks of the window.
    struct Refresh {
        bool broken = false;
        bool blockRead = false;
        bool trackVisible = false;
        std::optional<int> trackPosition; // set when the track bar must move
        int start = 0;                    // column of Samples with the first shown point
        int sampleCount = 0;              // points shown
    };

    // The first reading of a file; false when it is broken or cannot be read (LoadProblem()
    // then says why).
    bool Load(const QString& path);
    // Why the last Load could not read the file at all, naming it; empty when it was read.
    const QString& LoadProblem() const { return loadProblem_; }

    // Recomputes the window for the track bar and the display interval, reading a block when
    // the window has left the one in memory or the interval changed.
    Refresh RefreshView(int trackPosition, int trackMaximum, int sampleSeconds);

    // The time of point k of the block in memory at the display interval; empty without a
    // start time.
    QString PointTimeText(int k, int sampleSeconds) const;
    // Every a-th record is shown: the display interval over the file's.
    int Thinning(int sampleSeconds) const;

    const QString& Path() const { return path_; }
    const RecordLayout& Layout() const { return layout_; }
    int FileInterval() const { return layout_.header.interval; }
    const Addresses& FileDeviceAddr() const { return layout_.header.addresses; }
    qint64 RecordCount() const { return layout_.recordCount; }
    // Points the first load read: the first window and one more, so that it is known whether
    // the record goes on (opening takes the same time for any length of record).
    int LoadedPoints() const { return loadedPoints_; }

    qint64 BlockStart = 0;
    qint64 ViewStart = 0;
    std::optional<QTime> StartTime;
    bool IntervalChanged = false;
    int BlockPointsRead = 0;
    SampleStore Samples;

private:
    // Starts the thinned block at BlockStart: its first line (the start time) is read, the rest
    // by ReadPieces. False when the file cannot be read or the line is broken.
    bool StartThinnedBlock(int thinning);
    // Reads the pieces of the thinned block that hold points from .. to-1 and are not in memory
    // yet. False when the file cannot be read or a line of them is broken.
    bool ReadPieces(qint64 from, qint64 to, int thinning);

    bool blockAtEnd_ = false; // the block in memory reaches the end of the record
    bool piecewise_ = false;  // a thinned block, read in pieces as they are shown
    std::bitset<BlockPoints / PiecePoints> piecesRead_;
    QString path_;
    QString loadProblem_;
    RecordLayout layout_;
    int loadedPoints_ = 0;
};

} // namespace vrx
