// Lending the line.
#include "lineowner.h"

#include "errors.h"

#include <utility>

namespace vrx {

LineOwner::LineOwner(QObject* parent) : QObject(parent) {
    retry_.setInterval(RetryMs);
    connect(&retry_, &ClockTimer::timeout, this, &LineOwner::Retry);
    connect(&port_, &SerialPort::Lost, this, [this] {
        if (holder_.isEmpty() || recovering_) return; // a try that failed: said already
        recovering_ = true;
        // Said once (the port says this loss); every try after it is quiet.
        port_.AnnounceLoss(false);
        retry_.start();
        queue_.LineLost();
        emit lost(holder_);
    });
    connect(&port_, &SerialPort::ConnectionStood, this, [this] {
        if (recovering_ && port_.Open()) Restore();
    });
}

void LineOwner::Retry() {
    if (!recovering_) {
        retry_.stop();
        return;
    }
    // A network line opened by an earlier try is still connecting: its connection, or its
    // loss, says how that try went.
    if (port_.Open()) return;
    try {
        port_.SetOpen(true);
    } catch (const Error&) {
        // Still gone: the loss has been said once; every try is not a message.
        return;
    }
    if (port_.Connected()) Restore();
}

void LineOwner::Restore() {
    // The loss stays said until the line proves sound (the port sees to that): one that is
    // back only for a moment is not a new message each time.
    recovering_ = false;
    retry_.stop();
    emit restored(holder_);
}

void LineOwner::EndRecovery() {
    recovering_ = false;
    port_.AnnounceLoss(true);
    retry_.stop();
}

void LineOwner::Claim(const QString& tool) {
    if (HeldByOther(tool))
        throw PortError(tr("The line is in use by the %1").arg(tr(holder_.toUtf8().constData())));
}

void LineOwner::Open(const QString& tool, int com, const LineSettings& settings) {
    Claim(tool);
    EndRecovery();
    try {
        port_.SetComNumber(qint16(com));
        port_.SetBaud(settings.baud);
        port_.SetParity(settings.parity);
        port_.SetDataBits(qint16(settings.dataBits));
        port_.SetStopBits(qint16(settings.stopBits));
        port_.SetFraming(settings.framing);
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
    const bool recovering = recovering_;
    if (recovering && port_.Open()) return; // still connecting: it is restored when it stands
    port_.SetOpen(true);
    holder_ = tool;
    if (recovering && port_.Connected()) Restore();
}

void LineOwner::Close(const QString& tool) {
    if (holder_ != tool) return;
    EndRecovery();
    port_.SetOpen(false);
    holder_.clear();
}

} // namespace vrx
