// Sending requests in turn and ending their replies.
#include "linequeue.h"

#include "errors.h"
#include "lineowner.h"
#include "replyend.h"

#include <algorithm>
#include <utility>

namespace vrx {

LineQueue::LineQueue(LineOwner& line, QObject* parent) : QObject(parent), line_(line) {
    gap_.setSingleShot(true);
    connect(&gap_, &ClockTimer::timeout, this, [this] {
        if (state_ != State::Gap) return;
        state_ = State::Idle;
        Pump();
    });
    connect(&line_.Port(), &SerialPort::Notify, this, &LineQueue::OnNotify);
}

quint64 LineQueue::Submit(const Ask& ask, QObject* requester, Answer answer) {
    Entry entry{++lastId_, ask, requester, std::move(answer)};
    if (entry.ask.frame.isEmpty()) entry.ask.frame = ask.request.Frame(ask.framing);
    DropDeadOut();
    if (state_ == State::Idle && waiting_.empty()) {
        SendOut(std::move(entry));
    } else {
        Enqueue(std::move(entry));
    }
    return lastId_;
}

void LineQueue::Enqueue(Entry entry) {
    const auto after = std::find_if(waiting_.begin(), waiting_.end(), [&entry](const Entry& e) {
        return e.ask.priority > entry.ask.priority;
    });
    waiting_.insert(after, std::move(entry));
}

void LineQueue::Cancel(quint64 id) {
    if (IsOut(id)) {
        out_.reset();
        Arm(0, false);
        state_ = State::Idle;
        Pump();
        return;
    }
    std::erase_if(waiting_, [id](const Entry& e) { return e.id == id; });
    std::erase_if(freeing_, [id](const Entry& e) { return e.id == id; });
}

void LineQueue::Disown(quint64 id) {
    if (IsOut(id)) {
        out_->disowned = true;
        return;
    }
    const auto found =
        std::find_if(waiting_.begin(), waiting_.end(), [id](const Entry& e) { return e.id == id; });
    if (found == waiting_.end()) return;
    freeing_.push_back(std::move(*found));
    waiting_.erase(found);
    // Said from the event loop, not from inside the requester's own call.
    QMetaObject::invokeMethod(
        this,
        [this, id] {
            const auto freed = std::find_if(freeing_.begin(), freeing_.end(),
                                            [id](const Entry& e) { return e.id == id; });
            if (freed == freeing_.end()) return; // cancelled meanwhile
            const Entry entry = std::move(*freed);
            freeing_.erase(freed);
            Deliver(entry, Reply{ReplyKind::Freed, entry.ask.request, {}, {}, 0, -1});
        },
        Qt::QueuedConnection);
}

bool LineQueue::Has(quint64 id) const {
    const auto is = [id](const Entry& e) { return e.id == id; };
    return IsOut(id) || std::any_of(waiting_.begin(), waiting_.end(), is) ||
           std::any_of(freeing_.begin(), freeing_.end(), is);
}

void LineQueue::Pump() {
    DropDeadOut();
    while (state_ == State::Idle && !waiting_.empty()) {
        const auto next = NextWaiting();
        Entry entry = std::move(*next);
        waiting_.erase(next);
        const Entry kept = entry;
        try {
            SendOut(std::move(entry));
        } catch (const Error&) {
            Deliver(kept, Reply{ReplyKind::NotSent, kept.ask.request, {}, {}, 0, -1});
        }
    }
}

std::deque<LineQueue::Entry>::iterator LineQueue::NextWaiting() {
    const auto first = waiting_.begin();
    const std::optional<quint32> before = first->ask.sharedBefore;
    // One at a time: the cycle's requests alternate with the masters', never two of theirs in a
    // row, so the cycle grows by at most one of their exchanges per request of its own.
    if (first->ask.priority != RequestPriority::Cycle || !before ||
        lastOut_ == RequestPriority::Shared)
        return first;
    const auto shared = std::find_if(first, waiting_.end(), [](const Entry& e) {
        return e.ask.priority == RequestPriority::Shared;
    });
    if (shared == waiting_.end() || shared->ask.lineMs <= 0) return first;
    // The millisecond count wraps; the difference of two readings does not.
    const qint32 left = qint32(*before - Clock::Current().Milliseconds());
    return shared->ask.lineMs <= left ? shared : first;
}

void LineQueue::SendOut(Entry entry) {
    SerialPort& port = line_.Port();
    // The port's timers go with each close, so the reply timer is made again after a reopen.
    if (timerId_ == 0 || !port.HasTimer(timerId_)) timerId_ = port.AddTimer();
    sent_ = entry.ask.frame;
    received_.clear();
    lastByteMs_ = -1;
    state_ = State::Sending;
    try {
        // Bytes still unread answer no request of this one: the late end of an earlier reply,
        // or noise. Taken for the start of this reply they would shift every later value by a
        // request.
        port.TakeInput();
        port.Send(entry.ask.request, sent_, entry.ask.framing, entry.ask.origin);
    } catch (...) {
        state_ = State::Idle;
        throw;
    }
    sentAt_ = Clock::Current().Milliseconds();
    const int replyTicks = entry.ask.timing.replyTicks;
    lastOut_ = entry.ask.priority;
    out_ = std::move(entry);
    state_ = State::Awaiting;
    Arm(replyTicks, true);
}

void LineQueue::DropDeadOut() {
    if (!out_) return;
    const SerialPort& port = line_.Port();
    if (port.Open() && port.HasTimer(timerId_)) return;
    out_.reset();
    state_ = State::Idle;
}

void LineQueue::LineLost() {
    std::optional<Entry> out = std::exchange(out_, std::nullopt);
    std::deque<Entry> waiting = std::exchange(waiting_, {});
    for (Entry& entry : std::exchange(freeing_, {}))
        waiting.push_back(std::move(entry));
    gap_.stop();
    state_ = State::Idle;
    if (out)
        Deliver(*out, Reply{ReplyKind::LineLost, out->ask.request, {}, received_, 0, lastByteMs_});
    for (const Entry& entry : waiting)
        Deliver(entry, Reply{ReplyKind::LineLost, entry.ask.request, {}, {}, 0, -1});
}

void LineQueue::Arm(int ticks, bool activate) {
    SerialPort& port = line_.Port();
    if (!port.Open() || !port.HasTimer(timerId_)) return;
    // A network's latency comes on top of every time-out the tools know from the serial line.
    if (activate && ticks > 0) ticks += port.ExtraReplyTicks();
    port.SetTimer(timerId_, ticks, activate);
}

void LineQueue::OnNotify(PortEvent kind, quint16 id, quint16 /*count*/) {
    // Nobody holds the line: what comes is left for the next request to throw away.
    if (line_.Holder().isEmpty()) return;
    if (kind == PortEvent::DataAvailable) {
        TakeBytes();
    } else if (kind == PortEvent::TimerExpired && id == timerId_ && out_) {
        Expired();
    }
}

void LineQueue::TakeBytes() {
    const QByteArray chunk = line_.Port().TakeInput();
    if (chunk.isEmpty()) return;
    if (out_) {
        received_.append(chunk.first(qMin(chunk.size(), ReplyLimit - received_.size())));
        lastByteMs_ = MsSinceSend();
    }
    emit bytesReceived(chunk);
    if (!out_) return;
    const Ask& ask = out_->ask;
    // The time-out then measures the silence after the last byte.
    if (ask.timing.silenceTicks > 0) Arm(ask.timing.silenceTicks, true);
    const bool rtu = ask.framing == Framing::Rtu;
    if (rtu && ask.policy == ReplyEndPolicy::TimeOutEnd) return;
    const ReplyEnd end = FindReplyEnd(received_, sent_, rtu);
    if (end.state != ReplyEndState::Complete) return;
    Finish(ReplyKind::Replied, received_.first(end.length));
}

void LineQueue::Expired() {
    if (AwaitRestOfFrame()) return;
    const Ask& ask = out_->ask;
    // In RTU the silence is what ends a frame whose length could not be told. A line that keeps
    // no gaps has no silence: there a reply that has not ended by its rule ends by time-out,
    // unless it can never be a good one (its checks then say why), or the tool ends every RTU
    // reply at its time-out anyway.
    if (ask.framing == Framing::Rtu && !received_.isEmpty() &&
        (ask.policy == ReplyEndPolicy::TimeOutEnd || line_.Port().KeepsGaps() ||
         FindReplyEnd(received_, sent_, true).state == ReplyEndState::Broken)) {
        Finish(ReplyKind::Replied, received_);
    } else {
        Finish(ReplyKind::TimedOut, received_);
    }
}

bool LineQueue::AwaitRestOfFrame() {
    const Ask& ask = out_->ask;
    if (ask.framing != Framing::Rtu || ask.policy != ReplyEndPolicy::FrameEnd ||
        received_.isEmpty())
        return false;
    if (!FindReplyEnd(received_, sent_, true).begun) return false;
    const qint64 leftMs = qint64(ask.timing.frameTicks) * SerialPort::TickMs - MsSinceSend();
    if (leftMs <= 0) return false;
    Arm(int((leftMs + SerialPort::TickMs - 1) / SerialPort::TickMs), true);
    return true;
}

void LineQueue::Finish(ReplyKind kind, const QByteArray& frame) {
    const Entry entry = std::move(*std::exchange(out_, std::nullopt));
    Arm(0, false);
    const qint64 elapsedMs = MsSinceSend();
    Rest();
    // A disowned request's reply is nobody's: only that it ended is said.
    const Reply reply =
        entry.disowned
            ? Reply{ReplyKind::Freed, entry.ask.request, {}, received_, elapsedMs, lastByteMs_}
            : Reply{kind, entry.ask.request, frame, received_, elapsedMs, lastByteMs_};
    // The requester may put its next request on the line from here: it goes out at once.
    Deliver(entry, reply);
    Pump();
}

void LineQueue::Rest() {
    if (gapMs_ <= 0) {
        state_ = State::Idle;
        return;
    }
    state_ = State::Gap;
    gap_.start(gapMs_);
}

void LineQueue::Deliver(const Entry& entry, const Reply& reply) {
    if (entry.requester && entry.answer) entry.answer(reply);
}

qint64 LineQueue::MsSinceSend() const {
    // The millisecond count wraps; the difference of two readings does not.
    return qint64(quint32(Clock::Current().Milliseconds() - sentAt_));
}

} // namespace vrx
