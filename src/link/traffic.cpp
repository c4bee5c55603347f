// The traffic ring.
#include "traffic.h"

namespace vrx {

void TrafficRing::Add(TrafficFrame frame) {
    ++added_;
    // A copy of its own: the bytes handed over are often a slice of a whole read block (16 KiB
    // from a socket), which a shared array would keep alive for every frame of a few bytes.
    const qsizetype kept = qMin<qsizetype>(frame.bytes.size(), TrafficFrame::MaxBytes);
    frame.dropped += frame.bytes.size() - kept;
    frame.bytes = QByteArray(frame.bytes.constData(), kept);
    bytes_ += kept;
    frames_.push_back(std::move(frame));
    while (int(frames_.size()) > Capacity || bytes_ > ByteCapacity) {
        bytes_ -= frames_.front().bytes.size();
        frames_.pop_front();
    }
}

void TrafficRing::Clear() {
    frames_.clear();
    bytes_ = 0;
}

TrafficFeed& TrafficFeed::Instance() {
    static TrafficFeed feed;
    return feed;
}

void TrafficFeed::Add(TrafficFrame frame) {
    ring_.Add(std::move(frame));
    emit changed();
}

void TrafficFeed::Clear() {
    ring_.Clear();
    emit changed();
}

} // namespace vrx
