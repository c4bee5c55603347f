// The frames that crossed the program's lines, kept for the traffic window: the last 10,000,
// whether or not a window shows them.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <deque>

namespace vrx {

struct TrafficFrame {
    // As much of a frame as is kept: what an exchange takes of a reply. A peer that streams
    // without a frame end must not grow the program.
    static constexpr int MaxBytes = 4096;

    qint64 wallMs = 0; // when it crossed, ms since the epoch
    qint64 gapMs = 0;  // since the frame before it, on any line
    int com = 0;
    bool sent = false;
    QByteArray bytes;   // the first MaxBytes at most
    qint64 dropped = 0; // bytes that crossed after those kept
    QString endpoint;   // a network line's, as "tcp 10.0.0.7:4001"; empty for a serial line
    bool mbap = false;  // a Modbus TCP line's: the bytes are an MBAP header and a PDU

    qint64 Length() const { return bytes.size() + dropped; }
};

// A ring of the newest frames: adding to a full ring drops the oldest. Full is 10,000 frames or
// 4 MiB of their bytes, whichever comes first: frames of a few dozen bytes reach the first,
// frames cut at MaxBytes the second.
class TrafficRing {
public:
    static constexpr int Capacity = 10000;
    static constexpr qint64 ByteCapacity = 4 * 1024 * 1024;

    void Add(TrafficFrame frame);
    void Clear();
    int Size() const { return int(frames_.size()); }
    // The frames' bytes kept.
    qint64 Bytes() const { return bytes_; }
    // 0 is the oldest frame kept.
    const TrafficFrame& At(int i) const { return frames_[std::size_t(i)]; }
    // Frames ever added, also those dropped since: a reader that remembers it knows what is new.
    quint64 Added() const { return added_; }

private:
    std::deque<TrafficFrame> frames_;
    qint64 bytes_ = 0;
    quint64 added_ = 0;
};

// The program's traffic, fed by every port's log as frames are sent and received.
class TrafficFeed : public QObject {
    Q_OBJECT
public:
    static TrafficFeed& Instance();

    void Add(TrafficFrame frame);
    void Clear();
    const TrafficRing& Frames() const { return ring_; }

signals:
    // A frame was added (or the frames cleared); readers take what is new when they redraw.
    void changed();

private:
    TrafficRing ring_;
};

} // namespace vrx
