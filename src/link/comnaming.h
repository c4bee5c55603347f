// How COMn becomes a line device: VRX_COMn, or the n-th serial port present.
#pragma once

#include "linedevice.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace vrx {

// What COMn stands for on this machine.
struct ComTarget {
    enum class Kind { Missing, Device, Simulated };
    Kind kind = Kind::Missing;
    QString path;    // Device: the system path to open
    QString options; // Simulated: what follows "sim:" in VRX_COMn
};

// The serial devices present, in the documented default order: USB adapters first
// (ttyUSB, then ttyACM), then the rest, each by name with numbers in numeric order.
QStringList DefaultComDevices();
// Orders device paths as DefaultComDevices does (pure, for tests).
QStringList SortComDevices(QStringList paths);

// VRX_COMn when set ("sim", "sim:<options>" or a path), else the n-th default device.
ComTarget ResolveCom(int number, const QStringList& defaults);
ComTarget ResolveCom(int number);

// A closed device for COMn, or nullptr with a reason.
std::unique_ptr<LineDevice> CreateLineDevice(int number, QString* error);

// COMn exists when it can be opened, or is refused only because someone else has it open.
bool ComExists(int number, const QStringList& defaults);

} // namespace vrx
