// How COMn becomes a line device: VRX_COMn, or the n-th serial port present.
#pragma once

#include "linedevice.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace vrx {

// What COMn stands for on this machine.
struct ComTarget {
    enum class Kind { Missing, Device, Simulated, Network };
    Kind kind = Kind::Missing;
    QString path;    // Device: the system path to open; Network: VRX_COMn as it is
    QString options; // Simulated: what follows "sim:" in VRX_COMn
};

// What COMn is, as the Select Port dialog and PROTOCOL show it: the device path, the network
// endpoint ("tcp 10.0.0.7:4001"), "simulated controllers", or empty when it is missing.
QString ComDescription(const ComTarget& target);

// The serial devices present, in the documented default order: USB adapters first
// (ttyUSB, then ttyACM), then the rest, each by name with numbers in numeric order.
QStringList DefaultComDevices();
// Orders device paths as DefaultComDevices does (pure, for tests).
QStringList SortComDevices(QStringList paths);

// What a text naming a line stands for: "sim", "sim:<options>", "tcp:", "mbtcp:" or
// "listen:" with HOST:PORT, or a device path. Missing when it is empty.
ComTarget ParseComTarget(const QString& text);

// COMn stands for `device` (a text as ParseComTarget takes it) in this process, before
// VRX_COMn and the ports present: a recorder told its line by path, which must not move to
// another adapter when the ports are listed in another order after a reboot. An empty text
// takes the assignment back.
void AssignCom(int number, const QString& device);

// The assigned device, else VRX_COMn when set, else the n-th default device.
ComTarget ResolveCom(int number, const QStringList& defaults);
ComTarget ResolveCom(int number);

// A closed device for COMn, or nullptr with a reason.
std::unique_ptr<LineDevice> CreateLineDevice(int number, QString* error);

// COMn exists when it can be opened, or is refused only because someone else has it open.
bool ComExists(int number, const QStringList& defaults);

} // namespace vrx
