// The parameter image: reading it entry by entry, and the write-back table.
#include "paramimage.h"

#include "framecodec.h"
#include "registers.h"

namespace vrx {

bool ParamImageRead::Store(const QList<quint16>& words) {
    for (const quint16 word : words) {
        if (Complete()) break;
        image_[word >> 8] = quint8(word & 0xFF);
        ++count_;
    }
    if (Complete()) image_[ParamEndMarkerEntry] = ParamEndMarker;
    return Complete();
}

const std::array<ParamWriteSlot, ParamWriteFrames>& ParamWriteTable() {
    // The one-byte settings first, then the set value, then the word settings. Position 12
    // carries the communication-write setting in its low bits; its top bit is the memory's
    // own mark and is not part of the setting.
    static const std::array<ParamWriteSlot, ParamWriteFrames> table = {{
        {reg::CommWriteSetting, 12, false, 0x7F},
        {reg::InputType, 14, false},
        {reg::ControlMethod, 15, false},
        {reg::HeatCool, 19, false},
        {reg::ControlPeriod1, 48, false},
        {reg::ControlPeriod2, 49, false},
        {reg::PvOffset, 50, false},
        {reg::KeyLock, 13, false},
        {reg::SystemAlarm, 51, false},
        {reg::Alarm1Mode, 16, false},
        {reg::Alarm1Mode + 1, 17, false},
        {reg::Alarm1Mode + 2, 18, false},
        {reg::SetValue, 24, true},
        {reg::RangeHigh, 20, true},
        {reg::RangeLow, 22, true},
        {reg::Alarm1High, 0, true},
        {reg::Alarm1High + 1, 2, true},
        {reg::Alarm1High + 2, 4, true},
        {reg::Alarm1High + 3, 6, true},
        {reg::Alarm1High + 4, 8, true},
        {reg::Alarm3Low, 10, true},
        {reg::ProportionalBand, 26, true},
        {reg::IntegralTime, 28, true},
        {reg::DerivativeTime, 30, true},
        {reg::IntegralOffset, 32, true},
        {reg::PdOffset, 34, true},
        {reg::PCoefficient, 40, true},
        {reg::DeadBand, 42, true},
        {reg::Hysteresis1, 36, true},
        {reg::Hysteresis2, 38, true},
        {reg::TuneOutHigh, 44, true},
        {reg::TuneOutLow, 46, true},
    }};
    return table;
}

quint16 BufferWriteValue(const ParamImage& image, int k) {
    const ParamWriteSlot& slot = ParamWriteTable().at(k);
    if (!slot.word) return quint16(image[slot.high] & slot.mask);
    return quint16(image[slot.high] << 8 | image[slot.high + 1]);
}

QByteArray BufferWriteFrame(const ParamImage& image, int k, int address) {
    return WriteRequest(address, ParamWriteTable().at(k).reg, BufferWriteValue(image, k));
}

} // namespace vrx
