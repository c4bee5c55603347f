// Sending a request and ending its reply.
#include "exchange.h"

#include "errors.h"
#include "replyend.h"

namespace vrx {

Exchange::Exchange(LineOwner& line, QString tool, QObject* parent)
    : QObject(parent), line_(line), tool_(std::move(tool)) {
    connect(&line_.Port(), &SerialPort::Notify, this, &Exchange::OnNotify);
    connect(&line_, &LineOwner::lost, this, [this](const QString& tool) {
        if (tool != tool_) return;
        outstanding_ = disowned_ = false;
        emit lineLost();
    });
    connect(&line_, &LineOwner::restored, this, [this](const QString& tool) {
        if (tool == tool_) emit lineRestored();
    });
}

void Exchange::Send(const QByteArray& request, Framing framing, ReplyEndPolicy policy,
                    ReplyTiming timing) {
    if (!HoldsLine()) throw PortError(tr("Serial port is not open"));
    SerialPort& port = line_.Port();
    // The port's timers go with each close, so the reply timer is made again after a reopen.
    if (timerId_ == 0 || !port.HasTimer(timerId_)) timerId_ = port.AddTimer();
    outstanding_ = disowned_ = false;
    request_ = request;
    received_.clear();
    lastByteMs_ = -1;
    framing_ = framing;
    policy_ = policy;
    timing_ = timing;
    // Bytes still unread answer no request of this one: the late end of an earlier reply, or
    // noise. Taken for the start of this reply they would shift every later value by a request.
    port.TakeInput();
    port.SendText(request_);
    sentAt_ = Clock::Current().Milliseconds();
    Arm(timing_.replyTicks, true);
    outstanding_ = true;
}

void Exchange::Abandon() {
    if (!Outstanding()) return;
    outstanding_ = disowned_ = false;
    Arm(0, false);
}

void Exchange::Disown() {
    if (Outstanding()) disowned_ = true;
}

void Exchange::Arm(int ticks, bool activate) {
    SerialPort& port = line_.Port();
    if (!port.Open() || !port.HasTimer(timerId_)) return;
    // A network's latency comes on top of every time-out the tools know from the serial line.
    if (activate && ticks > 0) ticks += port.ExtraReplyTicks();
    port.SetTimer(timerId_, ticks, activate);
}

void Exchange::OnNotify(PortEvent kind, quint16 id, quint16 /*count*/) {
    if (!HoldsLine()) return;
    if (kind == PortEvent::DataAvailable) {
        TakeBytes();
    } else if (kind == PortEvent::TimerExpired && id == timerId_ && outstanding_) {
        Expired();
    }
}

void Exchange::TakeBytes() {
    const QByteArray chunk = line_.Port().TakeInput();
    if (chunk.isEmpty()) return;
    if (outstanding_) {
        received_.append(chunk.first(qMin(chunk.size(), ReplyLimit - received_.size())));
        lastByteMs_ = MsSinceSend();
    }
    emit bytesReceived(chunk);
    if (!outstanding_) return;
    // The time-out then measures the silence after the last byte.
    if (timing_.silenceTicks > 0) Arm(timing_.silenceTicks, true);
    const bool rtu = framing_ == Framing::Rtu;
    if (rtu && policy_ == ReplyEndPolicy::TimeOutEnd) return;
    const ReplyEnd end = FindReplyEnd(received_, request_, rtu);
    if (end.state != ReplyEndState::Complete) return;
    if (Finish()) emit replied(received_.first(end.length), elapsedMs_);
}

void Exchange::Expired() {
    if (AwaitRestOfFrame()) return;
    if (!Finish()) return;
    // In RTU the silence is what ends a frame whose length could not be told. A line that keeps
    // no gaps has no silence: there a reply that has not ended by its rule ends by time-out,
    // unless it can never be a good one (its checks then say why), or the tool ends every RTU
    // reply at its time-out anyway.
    if (framing_ == Framing::Rtu && !received_.isEmpty() &&
        (policy_ == ReplyEndPolicy::TimeOutEnd || line_.Port().KeepsGaps() ||
         FindReplyEnd(received_, request_, true).state == ReplyEndState::Broken)) {
        emit replied(received_, elapsedMs_);
    } else {
        emit timedOut(received_);
    }
}

bool Exchange::AwaitRestOfFrame() {
    if (framing_ != Framing::Rtu || policy_ != ReplyEndPolicy::FrameEnd || received_.isEmpty())
        return false;
    if (!FindReplyEnd(received_, request_, true).begun) return false;
    const qint64 leftMs = qint64(timing_.frameTicks) * SerialPort::TickMs - MsSinceSend();
    if (leftMs <= 0) return false;
    Arm(int((leftMs + SerialPort::TickMs - 1) / SerialPort::TickMs), true);
    return true;
}

bool Exchange::Finish() {
    outstanding_ = false;
    Arm(0, false);
    elapsedMs_ = MsSinceSend();
    if (!std::exchange(disowned_, false)) return true;
    emit freed();
    return false;
}

qint64 Exchange::MsSinceSend() const {
    // The millisecond count wraps; the difference of two readings does not.
    return qint64(quint32(Clock::Current().Milliseconds() - sentAt_));
}

} // namespace vrx
