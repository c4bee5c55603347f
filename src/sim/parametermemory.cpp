// Layout of the parameter memory.
#include "parametermemory.h"

#include "registermap.h"

namespace vrx::sim {

const std::array<MemorySlot, 32>& MemorySlots() {
    static const std::array<MemorySlot, 32> slots = {{
        {0x4706, 0, true},
        {0x4707, 2, true},
        {0x4708, 4, true},
        {0x4709, 6, true},
        {0x470A, 8, true},
        {0x470B, 10, true},
        {reg::CommWriteSetting, 12, false},
        {reg::KeyLock, 13, false},
        {reg::InputType, 14, false},
        {reg::ControlMethod, 15, false},
        {0x4720, 16, false},
        {0x4721, 17, false},
        {0x4722, 18, false},
        {reg::HeatCool, 19, false},
        {reg::RangeHigh, 20, true},
        {reg::RangeLow, 22, true},
        {reg::SetValue, 24, true},
        {reg::ProportionalBand, 26, true},
        {reg::IntegralTime, 28, true},
        {reg::DerivativeTime, 30, true},
        {reg::IntegralOffset, 32, true},
        {reg::PdOffset, 34, true},
        {reg::Hysteresis1, 36, true},
        {reg::Hysteresis2, 38, true},
        {reg::PCoefficient, 40, true},
        {reg::DeadBand, 42, true},
        {reg::TuneOutHigh, 44, true},
        {reg::TuneOutLow, 46, true},
        {reg::ControlPeriod1, 48, false},
        {reg::ControlPeriod2, 49, false},
        {reg::PvOffset, 50, false},
        {reg::SystemAlarm, 51, false},
    }};
    return slots;
}

ParameterImage BuildParameterImage(const std::function<quint16(int)>& registerValue, int address) {
    ParameterImage image;
    image.fill(0xFF); // erased memory
    for (const MemorySlot& slot : MemorySlots()) {
        const quint16 value = registerValue(slot.address);
        if (slot.word) {
            image[slot.position] = quint8(value >> 8);
            image[slot.position + 1] = quint8(value & 0xFF);
        } else {
            image[slot.position] = quint8(value & 0xFF);
        }
    }
    image[memory::CommWriteByte] =
        quint8((image[memory::CommWriteByte] & 0x01) | memory::ValidMark);

    const quint16 firmware = registerValue(reg::FirmwareKey);
    image[memory::Firmware] = quint8(firmware >> 8);
    image[memory::Firmware + 1] = quint8(firmware & 0xFF);
    image[memory::OutputTypes] = quint8(registerValue(reg::OutputType1));
    image[memory::OutputTypes + 1] = quint8(registerValue(reg::OutputType2));
    for (int i = 0; i < 7; ++i) {
        const quint16 value = registerValue(reg::RtdOffset + i);
        image[memory::Calibration + 2 * i] = quint8(value >> 8);
        image[memory::Calibration + 2 * i + 1] = quint8(value & 0xFF);
    }
    image[memory::ModelName] = 'V';
    image[memory::ModelName + 1] = 'R';
    image[memory::ModelName + 2] = 'X';
    image[memory::ModelName + 3] = quint8(address);
    return image;
}

} // namespace vrx::sim
