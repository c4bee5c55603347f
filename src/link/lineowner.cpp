// Lending the line.
#include "lineowner.h"

#include "errors.h"

#include <utility>

namespace vrx {

LineOwner::LineOwner(QObject* parent) : QObject(parent) {
    retry_.setInterval(RetryMs);
    connect(&retry_, &ClockTimer::timeout, this, &LineOwner::Retry);
    connect(&port_, &SerialPort::Lost, this, [this] {
        if (holder_.isEmpty()) return;
        recovering_ = true;
        retry_.start();
        emit lost(holder_);
    });
}

void LineOwner::Retry() {
    if (!recovering_) {
        retry_.stop();
        return;
    }
    try {
        port_.SetOpen(true);
    } catch (const Error&) {
        // Still gone: the loss has been said once; every try is not a message.
        return;
    }
    recovering_ = false;
    retry_.stop();
    emit restored(holder_);
}

void LineOwner::Claim(const QString& tool) {
    if (HeldByOther(tool))
        throw PortError(tr("The line is in use by the %1").arg(tr(holder_.toUtf8().constData())));
}

void LineOwner::Open(const QString& tool, const ComSelections& selections) {
    Claim(tool);
    recovering_ = false;
    retry_.stop();
    try {
        ApplySettings(selections, port_);
        port_.SetOpen(true);
    } catch (const Error&) {
        port_.SetOpen(false);
        holder_.clear();
        throw;
    }
    holder_ = tool;
}

void LineOwner::Reopen(const QString& tool) {
    Claim(tool);
    port_.SetOpen(true);
    holder_ = tool;
    if (!std::exchange(recovering_, false)) return;
    retry_.stop();
    emit restored(tool);
}

void LineOwner::Close(const QString& tool) {
    if (holder_ != tool) return;
    recovering_ = false;
    retry_.stop();
    port_.SetOpen(false);
    holder_.clear();
}

} // namespace vrx
