// The traffic ring.
#include "traffic.h"

namespace vrx {

void TrafficRing::Add(TrafficFrame frame) {
    ++added_;
    if (frames_.size() < std::size_t(Capacity)) {
        frames_.push_back(std::move(frame));
        return;
    }
    frames_[std::size_t(oldest_)] = std::move(frame);
    oldest_ = (oldest_ + 1) % Capacity;
}

void TrafficRing::Clear() {
    frames_.clear();
    oldest_ = 0;
}

const TrafficFrame& TrafficRing::At(int i) const {
    return frames_[std::size_t((oldest_ + i) % int(frames_.size()))];
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
