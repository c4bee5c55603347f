// The controller's parameter memory as the Monitor keeps it: the 257-entry image, its read
// through 0x474C, and the 32 writes that put its settings back into a controller.
#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>

#include <array>

namespace vrx {

// Entries 0 to 255 are the controller's parameter memory by its own byte index; entry 256 is
// the end marker that a complete read sets and the file carries on its last line.
inline constexpr int ParamEntries = 256;
inline constexpr int ParamEndMarkerEntry = 256;
inline constexpr quint8 ParamEndMarker = 0xFF;
using ParamImage = std::array<quint8, ParamEntries + 1>;

// The read of the parameter memory, 8 words per request from 0x474C until 256 have come.
// Entries are gathered apart from the Monitor's buffer, which takes them only when the read is
// complete: a read cut short (a pulled line, a dropped station, a closed window) must not leave
// a buffer that is half this controller and half whatever was there before, ready to be
// written to another controller.
class ParamImageRead {
public:
    // Starts from the current buffer, so entries the controller's walk does not hand out keep
    // their values as they would if each reply went straight into the buffer.
    explicit ParamImageRead(const ParamImage& current = {}) : image_(current) {}

    // The data words of one good reply: each word's high byte is an entry's index, its low
    // byte the entry's value. Returns true once the read is complete; words after that are
    // not taken.
    bool Store(const QList<quint16>& words);

    // Entries received so far, 0 to 256 (BufferReadCount).
    int BufferReadCount() const { return count_; }
    bool Complete() const { return count_ >= ParamEntries; }
    // The UpLoadBar position while reading, 0 to 99.
    int Gauge() const { return count_ * 100 / ParamEntries; }
    // The gathered image; once complete, with the end marker set, ready to become ParamBuffer.
    const ParamImage& Image() const { return image_; }

private:
    ParamImage image_;
    int count_ = 0;
};

// Where each written setting comes from in the image: a word register takes the bytes at
// `high` and high + 1, a one-byte register "00" and the byte at `high` (masked by `mask`).
struct ParamWriteSlot {
    int reg;
    int high;
    bool word;
    quint8 mask = 0xFF;
};

// The write-back is this many single writes, in the order of ParamWriteTable().
inline constexpr int ParamWriteFrames = 32;
const std::array<ParamWriteSlot, ParamWriteFrames>& ParamWriteTable();

// The value of write-back request k (0 to 31).
quint16 BufferWriteValue(const ParamImage& image, int k);
// Write-back request k (0 to 31) as a complete ASCII write-single-register frame to the
// station address, or to every controller at once with address 0.
QByteArray BufferWriteFrame(const ParamImage& image, int k, int address);

} // namespace vrx
