// Serving other masters' requests between the recording's.
#include "linehub.h"

#include "clock.h"
#include "errors.h"
#include "framecodec.h"

#include <algorithm>

namespace vrx {

LineHub::LineHub(LineOwner& line, const Settings& settings, QObject* parent)
    : QObject(parent), line_(line), settings_(settings) {}

LineHub::~LineHub() {
    // The request out stays on the line until it ends; nobody is left to answer.
    if (out_) line_.Queue().Cancel(out_->ticket);
}

quint64 LineHub::AddMaster(const QString& name, Answer answer) {
    masters_.push_back(Master{++lastId_, name, std::move(answer), {}});
    counts_.masters = int(masters_.size());
    emit countsChanged();
    return lastId_;
}

void LineHub::RemoveMaster(quint64 master) {
    const auto found = std::find_if(masters_.begin(), masters_.end(),
                                    [master](const Master& m) { return m.id == master; });
    if (found == masters_.end()) return;
    const auto index = std::size_t(found - masters_.begin());
    masters_.erase(found);
    if (turn_ > index) --turn_;
    if (turn_ >= masters_.size()) turn_ = 0;
    if (out_ && out_->master == master) {
        // Its reply still comes and keeps the line until then; it answers nobody.
        out_->master = 0;
        line_.Queue().Disown(out_->ticket);
    }
    counts_.masters = int(masters_.size());
    emit countsChanged();
}

qsizetype LineHub::WaitingOf(quint64 master) const {
    for (const Master& m : masters_)
        if (m.id == master) return qsizetype(m.waiting.size());
    return 0;
}

LineHub::Master* LineHub::Find(quint64 id) {
    for (Master& m : masters_)
        if (m.id == id) return &m;
    return nullptr;
}

bool LineHub::Resting(int unit) const {
    const auto found = restUntil_.find(unit);
    // Wrapping milliseconds: the difference stays right across the counter's wrap.
    return found != restUntil_.end() && qint32(Clock::Current().Milliseconds() - found->second) < 0;
}

void LineHub::Take(quint64 id, const MbapAdu& adu) {
    Master* master = Find(id);
    if (!master) return;
    if (const std::optional<HubException> refusal = JudgeServed(adu, settings_.writes)) {
        Reply(*master, adu, ExceptionPdu(adu.pdu, *refusal));
        return;
    }
    if (adu.unit != 0 && Resting(adu.unit)) {
        Reply(*master, adu, ExceptionPdu(adu.pdu, HubException::TargetFailed));
        return;
    }
    if (qsizetype(master->waiting.size()) >= settings_.queueLimit) {
        Reply(*master, adu, ExceptionPdu(adu.pdu, HubException::Busy));
        return;
    }
    master->waiting.push_back(adu);
    Pump();
}

void LineHub::Pump() {
    while (!out_ && !masters_.empty()) {
        // The next master in turn that has a request waiting.
        Master* next = nullptr;
        for (std::size_t i = 0; i < masters_.size() && !next; ++i) {
            const std::size_t index = (turn_ + i) % masters_.size();
            if (!masters_[index].waiting.empty()) {
                next = &masters_[index];
                turn_ = (index + 1) % masters_.size();
            }
        }
        if (!next) return;
        const MbapAdu adu = next->waiting.front();
        next->waiting.pop_front();
        Send(*next, adu);
    }
}

void LineHub::Send(Master& master, const MbapAdu& adu) {
    // Queued before its station went silent for another master.
    if (adu.unit != 0 && Resting(adu.unit)) {
        Reply(master, adu, ExceptionPdu(adu.pdu, HubException::TargetFailed));
        return;
    }
    if (!line_.Port().Open()) {
        Reply(master, adu, ExceptionPdu(adu.pdu, HubException::PathUnavailable));
        return;
    }
    const Framing framing = line_.Port().LineFraming();
    // The ASCII text of the unit and PDU; the line frames it in RTU when it speaks RTU.
    const Request request = Request::Text(PduToSerialFrame(adu.unit, adu.pdu, true));
    LineQueue::Ask ask{request,
                       framing,
                       ReplyEndPolicy::FrameEnd,
                       settings_.timing,
                       RequestPriority::Shared,
                       {},
                       master.name,
                       0,
                       {}};
    // A broadcast is ended by its time-out, not a reply: it never goes inside the cycle.
    if (adu.unit != 0) {
        ask.frame = request.Frame(framing);
        ask.lineMs = ExchangeLineMs(line_.Port().Settings(), ask.frame.size(),
                                    FramedBytes(framing, ServedReplyPduBytes(adu.pdu)));
    }
    out_ = Out{master.id, 0, adu};
    try {
        out_->ticket = line_.Queue().Submit(ask, this, [this](const vrx::Reply& r) { Ended(r); });
    } catch (const Error&) {
        out_.reset();
        Reply(master, adu, ExceptionPdu(adu.pdu, HubException::PathUnavailable));
    }
}

void LineHub::Ended(const vrx::Reply& reply) {
    if (!out_) return;
    const Out out = *std::exchange(out_, std::nullopt);
    if (reply.kind == ReplyKind::TimedOut && out.adu.unit != 0)
        restUntil_[out.adu.unit] = Clock::Current().Milliseconds() + settings_.restMs;
    if (Master* master = Find(out.master)) {
        const std::optional<QByteArray> pdu =
            ServedReplyPdu(out.adu, reply, line_.Port().LineFraming());
        if (IsWriteFunction(static_cast<unsigned char>(out.adu.pdu.at(0))))
            emit logged(WriteText(*master, out.adu, pdu.value_or(QByteArray())));
        if (pdu) {
            Reply(*master, out.adu, *pdu);
        } else {
            // A broadcast: nothing goes back, and it counts as served.
            ++counts_.served;
            emit countsChanged();
        }
    }
    Pump();
}

void LineHub::Reply(Master& master, const MbapAdu& request, const QByteArray& pdu) {
    ++counts_.served;
    if (!pdu.isEmpty() && (static_cast<unsigned char>(pdu.at(0)) & 0x80) != 0) ++counts_.exceptions;
    // The answer may close the master's connection, and with it remove the master.
    const Answer answer = master.answer;
    emit countsChanged();
    answer(MbapAdu{request.transaction, request.unit, pdu});
}

QString LineHub::WriteText(const Master& master, const MbapAdu& adu,
                           const QByteArray& answer) const {
    QString outcome;
    if (adu.unit == 0)
        outcome = QStringLiteral("broadcast");
    else if (answer.isEmpty())
        outcome = QStringLiteral("no answer");
    else if ((static_cast<unsigned char>(answer.at(0)) & 0x80) != 0 && answer.size() > 1)
        outcome = QStringLiteral("exception %1")
                      .arg(static_cast<unsigned char>(answer.at(1)), 2, 16, QLatin1Char('0'));
    else
        outcome = QStringLiteral("done");
    return QStringLiteral("COM%1 address %2: %3 writes %4: %5")
        .arg(line_.Port().ComNumber())
        .arg(adu.unit)
        .arg(master.name, QString::fromLatin1(adu.pdu.toHex(' ').toUpper()), outcome);
}

} // namespace vrx
