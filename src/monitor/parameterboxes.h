// The Monitor's parameter boxes: every edit and combo box of the settings view with its group,
// caption, register, the way it shows the register's word, and its item list, named once for the
// window, the settings read that fills the boxes, and the writes they compose.
#pragma once

#include <QString>
#include <QStringList>

#include <span>

namespace vrx {

// The group boxes of the settings view. Manual, OnOff and Pid share one place.
enum class BoxGroup { Control, Input, Manual, OnOff, Pid, Alarm, Adjust };

// How an edit box shows its register's word.
enum class TextFormat {
    PointTenths,    // tenths, with the decimal only while the controller shows one (SV, ranges,
                    // alarm limits, dead band)
    Tenths,         // tenths, always with one decimal; above 0x8000 negative
    UnsignedTenths, // tenths, one decimal, never negative (the I offset)
    Hundredths,     // 105 shows 1.05 (the P coefficient)
    Whole,          // 0 to 65535
    Signed,         // two's complement
};

// How a combo box's item follows from its register's word.
enum class ItemFormat {
    Index,   // the word is the item
    LowBit,  // bit 0 is the item; the other bits are not the box's
    LockKey, // the key lock's codes 0, 1 and 0x0B
    RunStop, // a word beyond the items shows "Stop"
};

// Whether a box's typed number is multiplied by 10 for the register. The coefficient's text has
// decimals of its own (see EditDecimals).
constexpr bool TypedInTenths(TextFormat format) {
    return format != TextFormat::Whole && format != TextFormat::Signed;
}

struct EditBoxInfo {
    const char* name;  // object name of the edit
    const char* label; // object name of its caption label
    BoxGroup group;
    const char* caption;
    int reg;
    TextFormat format;
    bool tenths;      // TypedInTenths(format): a typed whole number is multiplied by 10
    bool unlockFirst; // the controller takes it only after the unlock frame
};

struct ComboBoxInfo {
    const char* name;
    const char* label;
    BoxGroup group;
    const char* caption;
    int reg;
    ItemFormat format;
    bool unlockFirst;
    std::span<const char* const> items;
    int shownFrom = 0; // the register the settings read shows it from when that is not `reg`
};

// The register whose word the settings read shows in a combo box.
constexpr int ShownRegister(const ComboBoxInfo& box) {
    return box.shownFrom != 0 ? box.shownFrom : box.reg;
}

// Every parameter edit box, in the order of the register map.
std::span<const EditBoxInfo> EditBoxes();
// Every parameter combo box.
std::span<const ComboBoxInfo> ComboBoxes();

// The entry of a box by object name; nullptr when there is none.
const EditBoxInfo* FindEditBox(const QString& name);
const ComboBoxInfo* FindComboBox(const QString& name);

// The items of a combo box as texts; empty for a name that is not a combo box.
QStringList ComboItems(const QString& name);

} // namespace vrx
