// Cuts the bytes a slave receives into request frames: ASCII frames by ":" and CR LF, RTU frames
// by the silence after them.
#pragma once

#include "modbusframe.h"

#include <QByteArray>

#include <optional>
#include <vector>

namespace vrx::sim {

// Auto follows the master: a frame that starts with ":" is ASCII, anything else RTU. A pinned
// framing hears only its own frames, so a master in the other framing meets silence.
enum class FramingMode { Auto, Ascii, Rtu };

struct ReceivedFrame {
    Framing framing;
    QByteArray bytes;
};

class FrameReceiver {
public:
    explicit FrameReceiver(FramingMode mode = FramingMode::Auto) : mode_(mode) {}

    // The ASCII frames the bytes complete.
    std::vector<ReceivedFrame> Feed(const QByteArray& bytes);
    // The line has been quiet for 3.5 characters: the RTU frame before the silence, if any.
    std::optional<ReceivedFrame> Silence();
    // An RTU request whose length its function gives (reads and single writes 8 bytes, multiple
    // writes 9 and their byte count) and whose CRC holds, taken without waiting for the silence:
    // on a stream that keeps no gaps the silence may come late or never.
    std::optional<ReceivedFrame> TakeRtuByLength();
    bool Pending() const { return !buffer_.isEmpty(); }
    void Reset() { buffer_.clear(); }

private:
    bool Ascii() const;

    FramingMode mode_;
    QByteArray buffer_;
};

} // namespace vrx::sim
