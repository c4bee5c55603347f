// The rules a write to the controller's holding registers 0x4700-0x47FF meets.
#pragma once

#include "registers.h"

#include <QtGlobal>

namespace vrx::sim {

namespace reg = vrx::reg;

// Modbus exception codes the controller answers with.
enum class Exception : quint8 {
    None = 0,
    IllegalFunction = 1,
    IllegalAddress = 2, // outside the map, or the wrong direction (read-only, write-only)
    IllegalValue = 3,   // out of range, or a count the controller does not serve
    Refused = 4,        // communication writes disabled, or a protected register not unlocked
};

enum class Access { ReadOnly, ReadWrite, WriteOnly };

// What a register accepts. Limits are compared as signed words when min is negative.
struct RegisterRule {
    Access access = Access::ReadOnly;
    int min = 0;
    int max = 0;
    bool needsUnlock = false;
};

// The rule of a register, or nullptr when the address is not in the controller's map.
const RegisterRule* RuleOf(int address);
// The word as the rule reads it: signed when the rule allows negative values.
int RuleValue(const RegisterRule& rule, quint16 word);
// True when the value lies within the rule's static limits.
bool InLimits(const RegisterRule& rule, quint16 word);

// The word of a signed value, two's complement.
inline quint16 Word(int value) {
    return static_cast<quint16>(value & 0xFFFF);
}
// The signed value of a word.
inline int Signed(quint16 word) {
    return static_cast<qint16>(word);
}

} // namespace vrx::sim
