// The frames that crossed the program's lines, kept for the traffic window: the last 10,000,
// whether or not a window shows them.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <vector>

namespace vrx {

struct TrafficFrame {
    qint64 wallMs = 0; // when it crossed, ms since the epoch
    qint64 gapMs = 0;  // since the frame before it, on any line
    int com = 0;
    bool sent = false;
    QByteArray bytes;
    QString endpoint; // a network line's, as "tcp 10.0.0.7:4001"; empty for a serial line
};

// A ring of the newest frames: adding to a full ring drops the oldest.
class TrafficRing {
public:
    static constexpr int Capacity = 10000;

    void Add(TrafficFrame frame);
    void Clear();
    int Size() const { return int(frames_.size()); }
    // 0 is the oldest frame kept.
    const TrafficFrame& At(int i) const;
    // Frames ever added, also those dropped since: a reader that remembers it knows what is new.
    quint64 Added() const { return added_; }

private:
    std::vector<TrafficFrame> frames_;
    int oldest_ = 0;
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
