// Frame boundaries on the slave's receive side.
#include "framereceiver.h"

#include "framecodec.h"

namespace vrx::sim {

namespace {
// Longer than any request; a buffer beyond it is noise.
constexpr int MaxFrame = 600;
} // namespace

bool FrameReceiver::Ascii() const {
    if (mode_ == FramingMode::Ascii) return true;
    if (mode_ == FramingMode::Rtu) return false;
    return buffer_.startsWith(':');
}

std::vector<ReceivedFrame> FrameReceiver::Feed(const QByteArray& bytes) {
    std::vector<ReceivedFrame> frames;
    for (char c : bytes) {
        if (mode_ == FramingMode::Rtu ||
            (mode_ == FramingMode::Auto && !buffer_.isEmpty() && !Ascii())) {
            if (buffer_.size() < MaxFrame) buffer_.append(c);
            continue;
        }
        // ASCII: a colon always starts a new frame; bytes outside a frame are dropped in pinned
        // ASCII and begin an RTU frame in auto.
        if (c == ':') {
            buffer_ = QByteArray(1, ':');
            continue;
        }
        if (buffer_.isEmpty()) {
            if (mode_ == FramingMode::Auto) buffer_.append(c);
            continue;
        }
        buffer_.append(c);
        if (c == '\n' && buffer_.endsWith("\r\n")) {
            frames.push_back({Framing::Ascii, buffer_});
            buffer_.clear();
        } else if (buffer_.size() > MaxFrame) {
            buffer_.clear();
        }
    }
    return frames;
}

std::optional<ReceivedFrame> FrameReceiver::Silence() {
    if (buffer_.isEmpty()) return std::nullopt;
    if (mode_ == FramingMode::Ascii) return std::nullopt; // ASCII allows pauses inside a frame
    if (Ascii()) {
        // Auto: an unfinished ":" frame may be an RTU frame to station 0x3A; otherwise it is
        // dropped, so a garbled ASCII frame cannot swallow the RTU frames after it.
        std::optional<ReceivedFrame> frame;
        if (DecodeRtu(buffer_)) frame = ReceivedFrame{Framing::Rtu, buffer_};
        buffer_.clear();
        return frame;
    }
    ReceivedFrame frame{Framing::Rtu, buffer_};
    buffer_.clear();
    return frame;
}

std::optional<ReceivedFrame> FrameReceiver::TakeRtuByLength() {
    if (buffer_.size() < 2 || Ascii()) return std::nullopt;
    qsizetype length = 0;
    switch (static_cast<unsigned char>(buffer_.at(1))) {
    case 0x01:
    case 0x02:
    case 0x03:
    case 0x04:
    case 0x05:
    case 0x06:
        length = 8;
        break;
    case 0x0F:
    case 0x10:
        if (buffer_.size() < 7) return std::nullopt;
        length = 9 + static_cast<unsigned char>(buffer_.at(6));
        break;
    default:
        return std::nullopt;
    }
    if (buffer_.size() < length) return std::nullopt;
    const QByteArray frame = buffer_.first(length);
    if (frame.last(2) != ModbusCrc(frame.first(length - 2))) return std::nullopt;
    buffer_.remove(0, length);
    return ReceivedFrame{Framing::Rtu, frame};
}

} // namespace vrx::sim
