// Lending the line.
#include "lineowner.h"

#include "errors.h"

namespace vrx {

LineOwner::LineOwner(QObject* parent) : QObject(parent) {
    connect(&port_, &SerialPort::Lost, this, [this] { emit lost(std::exchange(holder_, {})); });
}

void LineOwner::Claim(const QString& tool) {
    if (HeldByOther(tool))
        throw PortError(tr("The line is in use by the %1").arg(tr(holder_.toUtf8().constData())));
}

void LineOwner::Open(const QString& tool, const ComSelections& selections) {
    Claim(tool);
    try {
        ApplySettings(selections, port_);
        port_.SetOpen(true);
    } catch (const Error&) {
        port_.SetOpen(false);
        throw;
    }
    holder_ = tool;
}

void LineOwner::Reopen(const QString& tool) {
    Claim(tool);
    port_.SetOpen(true);
    holder_ = tool;
}

void LineOwner::Close(const QString& tool) {
    if (holder_ != tool) return;
    port_.SetOpen(false);
    holder_.clear();
}

} // namespace vrx
