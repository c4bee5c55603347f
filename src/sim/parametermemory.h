// The controller's 256-byte parameter memory: where each setting lives in it, and the fixed data
// that fills the rest.
#pragma once

#include <QtGlobal>

#include <array>
#include <functional>

namespace vrx::sim {

using ParameterImage = std::array<quint8, 256>;

// Settings kept in the memory: a word register in two bytes (high byte first) or a one-byte
// register in one (its low byte). Positions 0 to 51 hold the settings a master writes back;
// the write-back sends the one-byte ones as 00xx, so only their low byte is kept.
struct MemorySlot {
    int address;
    int position;
    bool word;
};
const std::array<MemorySlot, 32>& MemorySlots();

// Positions of the fixed data, after the settings.
namespace memory {
inline constexpr int CommWriteByte = 12; // bit 0 the setting; bit 7 marks the memory as valid
inline constexpr quint8 ValidMark = 0x80;
inline constexpr int Firmware = 52;    // two bytes
inline constexpr int OutputTypes = 54; // two bytes
inline constexpr int Calibration = 56; // seven words, 0x4732-0x4738
inline constexpr int ModelName = 70;   // "VRX" and the station address
} // namespace memory

// The image of a controller whose registers read as given; address is its station address.
ParameterImage BuildParameterImage(const std::function<quint16(int)>& registerValue, int address);

} // namespace vrx::sim
