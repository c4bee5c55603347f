// The writes of the Monitor's editing controls.
#include "parameteredit.h"

#include "framecodec.h"
#include "registers.h"

namespace vrx {

namespace {

// The key lock's items stand for these codes, not for their indexes.
constexpr quint16 LockCodes[] = {0x0000, 0x0001, 0x000B};

constexpr qint64 LowestWord = -32768;
constexpr qint64 HighestWord = 65535;

} // namespace

int EditDecimals(const EditBoxInfo& box, bool tenthsScale) {
    // Typed in tenths, the coefficient shown as 1.20 would come back as 0.12.
    if (box.format == TextFormat::Hundredths) return 2;
    return tenthsScale ? 1 : 0;
}

std::optional<quint16> TypedRegisterWord(const QString& text, int decimals) {
    const std::optional<qint64> value = TypedValue(text, decimals);
    if (!value || *value < LowestWord || *value > HighestWord) return std::nullopt;
    return quint16(*value & 0xFFFF);
}

std::optional<QByteArray> EditBoxWrite(int address, const EditBoxInfo& box, const QString& text,
                                       int decimals) {
    const std::optional<quint16> word = TypedRegisterWord(text, decimals);
    if (!word) return std::nullopt;
    return WriteRequest(address, box.reg, *word);
}

quint16 ComboItemValue(const ComboBoxInfo& box, int item) {
    if (box.format == ItemFormat::LockKey && item >= 0 && item < int(std::size(LockCodes)))
        return LockCodes[item];
    return quint16(item);
}

QByteArray ComboBoxWrite(int address, const ComboBoxInfo& box, int item) {
    return WriteRequest(address, box.reg, ComboItemValue(box, item));
}

QByteArray CommandWrite(int address, int commandRegister) {
    return WriteRequest(address, commandRegister, reg::UnlockCode);
}

PassCommand PassCommandOf(const QString& text) {
    if (text == QLatin1String("KXQ")) return PassCommand::AccessCode;
    if (text == QLatin1String("trace on")) return PassCommand::TraceOn;
    if (text == QLatin1String("trace off")) return PassCommand::TraceOff;
    return PassCommand::Other;
}

} // namespace vrx
