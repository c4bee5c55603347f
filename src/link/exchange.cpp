// A tool's requests through the line's queue, and how each ended.
#include "exchange.h"

#include "errors.h"

namespace vrx {

Exchange::Exchange(LineOwner& line, QString tool, QObject* parent)
    : QObject(parent), line_(line), tool_(std::move(tool)), queue_(&line.Queue()) {
    connect(queue_, &LineQueue::bytesReceived, this, [this](const QByteArray& chunk) {
        if (HoldsLine()) emit bytesReceived(chunk);
    });
    // The queue has ended the tool's request (LineLost) before this is said.
    connect(&line_, &LineOwner::lost, this, [this](const QString& tool) {
        if (tool == tool_) emit lineLost();
    });
    connect(&line_, &LineOwner::restored, this, [this](const QString& tool) {
        if (tool == tool_) emit lineRestored();
    });
}

Exchange::~Exchange() {
    if (queue_ && ticket_ != 0) queue_->Cancel(ticket_);
}

void Exchange::Send(const QByteArray& request, Framing framing, ReplyEndPolicy policy,
                    ReplyTiming timing, RequestPriority priority) {
    Submit({vrx::Request::Raw(request), framing, policy, timing, priority, {}, {}, 0, {}});
}

void Exchange::Send(const vrx::Request& request, ReplyEndPolicy policy, ReplyTiming timing,
                    RequestPriority priority, std::optional<quint32> sharedBefore) {
    Submit(
        {request, line_.Port().LineFraming(), policy, timing, priority, {}, {}, 0, sharedBefore});
}

void Exchange::Submit(LineQueue::Ask ask) {
    if (!HoldsLine()) throw PortError(tr("Serial port is not open"));
    // One request of the tool's at a time: a new one replaces what it still had on the line.
    if (ticket_ != 0) queue_->Cancel(std::exchange(ticket_, 0));
    ask.frame = ask.request.Frame(ask.framing);
    request_ = ask.frame;
    received_.clear();
    lastByteMs_ = -1;
    // Every answer is the current request's: a replaced one is cancelled and never answered.
    ticket_ = queue_->Submit(ask, this, [this](const vrx::Reply& reply) { Answered(reply); });
}

void Exchange::Abandon() {
    if (!Outstanding()) return;
    received_ = Received();
    lastByteMs_ = LastByteMs();
    queue_->Cancel(std::exchange(ticket_, 0));
}

void Exchange::Disown() {
    if (Outstanding()) queue_->Disown(ticket_);
}

bool Exchange::IsOut() const {
    return queue_ && ticket_ != 0 && queue_->IsOut(ticket_);
}

bool Exchange::Outstanding() const {
    return queue_ && ticket_ != 0 && queue_->Has(ticket_) && HoldsLine();
}

const QByteArray& Exchange::Received() const {
    return IsOut() ? queue_->Received() : received_;
}

qint64 Exchange::LastByteMs() const {
    return IsOut() ? queue_->LastByteMs() : lastByteMs_;
}

void Exchange::Answered(const vrx::Reply& reply) {
    ticket_ = 0;
    received_ = reply.received;
    lastByteMs_ = reply.lastByteMs;
    switch (reply.kind) {
    case ReplyKind::Replied:
        elapsedMs_ = reply.elapsedMs;
        emit answered(reply);
        emit replied(reply.frame, reply.elapsedMs);
        break;
    case ReplyKind::TimedOut:
    case ReplyKind::NotSent:
        if (reply.kind == ReplyKind::TimedOut) elapsedMs_ = reply.elapsedMs;
        emit answered(reply);
        emit timedOut(reply.frame);
        break;
    case ReplyKind::Freed:
        elapsedMs_ = reply.elapsedMs;
        emit answered(reply);
        emit freed();
        break;
    case ReplyKind::LineLost:
        // lineLost() follows from the line's owner, for the tool whether or not it asked.
        emit answered(reply);
        break;
    }
}

} // namespace vrx
