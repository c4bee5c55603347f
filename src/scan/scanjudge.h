// What a scan makes of the bytes that came for one read: nothing, noise, a Modbus answer; and
// whether the registers that came are a VRX controller's. Pure functions.
#pragma once

#include "linedevice.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace vrx::scan {

enum class ReplyVerdict {
    Silent,    // nothing came
    Garbage,   // bytes, but no frame of this framing for this address
    Words,     // a read reply with as many registers as were asked
    NotFitted, // a sound Modbus frame for this address that is no answer to the read: an
               // exception, another function, another count of registers
};

struct JudgedReply {
    ReplyVerdict verdict = ReplyVerdict::Silent;
    QList<quint16> words;  // Words only
    int exceptionCode = 0; // an exception reply's code, else 0
};

// The reply to a function-03 read of `count` registers from `address`, in `framing`.
JudgedReply JudgeReply(const QByteArray& received, int address, Framing framing, int count);

// A reply that has begun and may still become a frame: ASCII from ":" without its LF yet, RTU
// from this address with a function that answers a read. Such a reply is awaited a little
// longer than a silent line: it is on its way.
bool ReplyUnderway(const QByteArray& received, int address, Framing framing);

// The identity registers as a VRX controller has them: an input type it measures with and a
// firmware version of its series.
bool IsVrxIdentity(int inputType, int firmwareWord);
// "1.12": the firmware word as the controller's panel shows it.
QString FirmwareText(int firmwareWord);
// The process value in degrees Celsius from the PV word (tenths in the controller's unit) and
// the unit register (0 Fahrenheit, 1 Celsius, 2 a linear input: its value as it is); nothing
// while the controller shows a status (sensor open, starting) instead of a value.
std::optional<double> PvCelsius(int pvWord, int unitWord);

} // namespace vrx::scan
