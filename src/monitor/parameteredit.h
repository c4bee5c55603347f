// What the Monitor's editing controls send: the write an edit box or a combo box composes for the
// selected controller, the two commands of the hidden mode, and the texts the password box knows.
#pragma once

#include "parameterboxes.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace vrx {

// The decimals a box's text is typed with: 0 for whole numbers, 1 for tenths, and 2 for the P
// coefficient, which the controller holds and the box shows in hundredths (1.20).
int EditDecimals(const EditBoxInfo& box, bool tenthsScale);

// The register word a typed text gives, or nothing when it is not a number (the "Err" of the
// conversion) or when its scaled value lies outside what 16 bits can carry: 0 to 65535, or down
// to -32768 in two's complement. Such a value would reach the controller wrapped, as some other
// number; like a typing error it is not sent. Throws ConvertError for a whole-number box with no
// digit in it.
std::optional<quint16> TypedRegisterWord(const QString& text, int decimals);

// The write request (function 06, complete ASCII text) that Enter in an edit box composes for the
// station at `address`; nothing when the text is not written.
std::optional<QByteArray> EditBoxWrite(int address, const EditBoxInfo& box, const QString& text,
                                       int decimals);

// The value an item of a combo box stands for: its index, except the key lock's fixed codes.
quint16 ComboItemValue(const ComboBoxInfo& box, int item);
// The write request a selection in a combo box composes.
QByteArray ComboBoxWrite(int address, const ComboBoxInfo& box, int item);

// "Restore Default Setting" (0x474E) and "Clear PV Adjust Value " (0x474F): the command register
// takes the unlock code as its value.
QByteArray CommandWrite(int address, int commandRegister);

// What the password box's text asks for; anything else leaves the hidden mode.
enum class PassCommand { Other, AccessCode, TraceOn, TraceOff };
PassCommand PassCommandOf(const QString& text);

} // namespace vrx
