// The Monitor's parameter boxes: every edit and combo box of the settings view with its group,
// caption, register, scale and item list, named once for the window, the display and the writes.
#pragma once

#include <QString>
#include <QStringList>

#include <span>

namespace vrx {

// The group boxes of the settings view. Manual, OnOff and Pid share one place.
enum class BoxGroup { Control, Input, Manual, OnOff, Pid, Alarm, Adjust };

struct EditBoxInfo {
    const char* name;  // object name of the edit
    const char* label; // object name of its caption label
    BoxGroup group;
    const char* caption;
    int reg;
    bool tenths;      // the register holds tenths: a typed whole number is multiplied by 10
    bool unlockFirst; // the controller takes it only after the unlock frame
};

struct ComboBoxInfo {
    const char* name;
    const char* label;
    BoxGroup group;
    const char* caption;
    int reg;
    bool unlockFirst;
    std::span<const char* const> items;
};

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
