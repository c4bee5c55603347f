// The acquisition cycle of the Recorder.
#include "recordengine.h"

#include "errors.h"
#include "framecodec.h"
#include "guard.h"
#include "registers.h"
#include "replyend.h"

namespace vrx {

namespace {
constexpr int SampleWords = 2; // process value and set value
} // namespace

int RecordEngine::ReplyTicks(const LineSettings& settings) {
    return settings.Rtu() ? RtuSilenceTicks(settings) : SilenceTicks;
}

RecordEngine::RecordEngine(LineOwner& line, QObject* parent)
    : QObject(parent), exchange_(line, QString::fromLatin1(LineTool)),
      now_([] { return QDateTime::currentDateTime(); }) {
    timer1_ = new ClockTimer(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(1000);
    connect(timer1_, &ClockTimer::timeout, this, GuardedSlot(this, &RecordEngine::Timer1Timer));
    // Each request's end comes back with it. A freed one is a stopped recording's request that
    // has ended: the current one goes on from here. A lost line is said to the tool below.
    connect(&exchange_, &Exchange::answered, this, [this](const Reply& reply) {
        Guarded([&] {
            if (cycleOpen_) cycleOwnMs_ += qMax<qint64>(0, reply.elapsedMs);
            switch (reply.kind) {
            case ReplyKind::Replied:
                return ReplyEnded(reply.frame);
            case ReplyKind::TimedOut:
            case ReplyKind::NotSent:
                return TimedOut();
            case ReplyKind::Freed:
                if (running_ && !awaiting_) SendSampleRequest();
                return;
            case ReplyKind::LineLost:
                return;
            }
        });
    });
    // A line that went away took the request with it; the recording goes on, a line of `---`
    // for each sample missed, until the line is back. The line has said it went. The device
    // whose request was out is charged as for a time-out: a reply that breaks the line (a torn
    // MBAP stream, a reset) would otherwise cost every device after it in every cycle.
    connect(&exchange_, &Exchange::lineLost, this, [this] {
        Guarded([this] {
            const bool sampling = awaiting_ && !writing_ && running_;
            awaiting_ = false;
            if (writing_) {
                writing_ = false;
                const SetValueWrite write = writes_.takeFirst();
                emit setValueWritten(write.position, write.tenths, false,
                                     QStringLiteral("the line was lost"));
            }
            emit lineLost(sampling ? int(pollIndex_) : -1);
            if (sampling) {
                stats_[pollIndex_].Count(ExchangeOutcome::TimedOut, 0);
                AttemptFailed(AttemptFailure::LineLost, true);
            }
        });
    });
    // A cycle the loss interrupted goes on at once with the device after the one charged, so
    // that its tick still gets its line; one the ticks meanwhile completed waits for the next.
    connect(&exchange_, &Exchange::lineRestored, this, [this] {
        Guarded([this] {
            emit lineRestored();
            if (running_ && cycleOpen_ && !awaiting_ && !exchange_.Outstanding()) SendDueRequest();
        });
    });
}

bool RecordEngine::Due(int position) const {
    const auto p = std::size_t(position);
    if (addresses_[p] == 0) return false;
    if (!resting_[p]) return true;
    // Wrapping milliseconds: the difference stays right across the counter's wrap.
    return qint32(Clock::Current().Milliseconds() - restUntil_[p]) >= 0;
}

int RecordEngine::NextUsed(int from) const {
    for (int p = from; p < DevicePositions; ++p)
        if (Due(p)) return p;
    return -1;
}

bool RecordEngine::Start(const Addresses& addresses, int seconds) {
    addresses_ = addresses;
    const int first = NextUsed(0);
    if (first < 0) return false;
    pollIndex_ = quint16(first);
    failCount_.fill(0);
    refusals_ = 0;
    stats_.fill({});
    resting_.fill(false);
    writes_.clear();
    writing_ = false;
    cycle_ = {};
    cycleOpen_ = false;
    missedAt_ = -1;
    missedSaid_ = false;
    running_ = true;
    timer1_->setInterval(seconds * 1000);
    // A request of the recording before may still be on the line: the first of this one goes
    // when it ends, so that no two requests are ever on the line together.
    if (exchange_.Outstanding()) {
        exchange_.Disown();
    } else {
        SendSampleRequest();
    }
    if (running_) timer1_->start();
    return true;
}

void RecordEngine::Stop() {
    timer1_->stop();
    // The request on the line is left to end by its reply or its time-out; it answers nothing
    // any more.
    exchange_.Disown();
    awaiting_ = false;
    writing_ = false;
    running_ = false;
}

void RecordEngine::SetDevice(int position, int address) {
    if (position < 0 || position >= DevicePositions) return;
    addresses_[std::size_t(position)] = address;
}

void RecordEngine::Timer1Timer() {
    if (!running_) {
        timer1_->stop();
        return;
    }
    if (exchange_.LineDown()) {
        // The cycle the loss interrupted ends with what it read, every other field `---`; this
        // tick's own sample is missed, so that each tick keeps its line.
        if (cycleOpen_) CompleteCycle();
        ReportCycle({}, true);
        return;
    }
    if (awaiting_ || exchange_.Outstanding()) {
        // The cycle before outlasts the interval (a slow device, retries): this tick's sample
        // is missed and written as such, so that the record keeps one line per interval.
        if (missedAt_ < 0) missedAt_ = writing_ ? writes_.first().position : pollIndex_;
        ReportCycle({}, true);
        return;
    }
    // Between two cycles: writes go first, then the cycle.
    if (!writes_.isEmpty() && pollIndex_ == quint16(qMax(0, NextUsed(0))) && SendWriteStep())
        return;
    SendDueRequest();
}

void RecordEngine::SendDueRequest() {
    if (restMs_ > 0 && !Due(pollIndex_)) {
        // Every device before the next due one rests; with none due, the cycle is all `---`.
        const int next = NextUsed(pollIndex_);
        if (next < 0) {
            CompleteCycle();
            return;
        }
        pollIndex_ = quint16(next);
    }
    SendSampleRequest();
}

void RecordEngine::Send(const Request& request, ReplyEndPolicy policy,
                        std::optional<quint32> sharedBefore) {
    // After the first byte a reply ends after a short silence; in ASCII the LF ends it sooner,
    // and a reply without its LF fails at that silence.
    exchange_.Send(request, policy, {ReplyTicks(settings_), SilenceTicks}, RequestPriority::Cycle,
                   sharedBefore);
}

std::optional<quint32> RecordEngine::SharedTurnEnd() const {
    if (cycleSent_ == 0) return std::nullopt;
    // Another master's request may go before each of the cycle's requests after the first when
    // it is no longer than one of the cycle's own exchanges (a quarter more, for the moments
    // between them), or when the cycle's own have had more of the line so far than the other
    // masters': the cycle grows by about its own length at most, and a master whose requests
    // are no longer than the cycle's waits for one of its exchanges at most. Own exchanges
    // count as measured, and at the least as their bytes' time. Never so much that the cycle
    // would still be on at the next tick.
    const Framing framing = settings_.framing;
    const qint64 exchangeMs = ExchangeLineMs(settings_, FramedBytes(framing, 5),
                                             FramedBytes(framing, 2 + 2 * SampleWords));
    const qint64 ownMs = qMax(cycleOwnMs_, cycleSent_ * exchangeMs);
    const qint64 sinceStart = qint64(quint32(Clock::Current().Milliseconds() - cycleStartMs_));
    const qint64 room = qMax(ownMs / cycleSent_ * 5 / 4, 2 * ownMs - sinceStart);
    int left = 0;
    for (int p = pollIndex_; p >= 0; p = NextUsed(p + 1))
        ++left;
    const qint64 until = qMin(sinceStart + room, timer1_->interval() - left * exchangeMs);
    if (until <= sinceStart) return std::nullopt;
    return cycleStartMs_ + quint32(until);
}

void RecordEngine::SendSampleRequest() {
    // The line is being opened again: the ticks write what is missed meanwhile.
    if (exchange_.LineDown()) return;
    try {
        // Recording resumes on a line that was closed for viewing or went away.
        if (!exchange_.HoldsLine()) exchange_.Line().Reopen(exchange_.Tool());
        if (!cycleOpen_) {
            cycleStartMs_ = Clock::Current().Milliseconds();
            cycleSent_ = 0;
            cycleOwnMs_ = 0;
        }
        Send(Request::Read(addresses_[pollIndex_], reg::ProcessValue, SampleWords),
             earlyRtuEnd_ ? ReplyEndPolicy::FrameEnd : ReplyEndPolicy::TimeOutEnd, SharedTurnEnd());
        ++cycleSent_;
        awaiting_ = true;
        cycleOpen_ = true;
    } catch (const Error& error) {
        // Every later tick would fail the same way: stop, and say it once.
        Stop();
        emit lineFailed(error.text());
    }
}

void RecordEngine::ReplyEnded(const QByteArray& frame) {
    if (!awaiting_) return;
    if (writing_) {
        WriteReplyEnded(frame);
        return;
    }
    awaiting_ = false;
    HandleReply(frame);
}

void RecordEngine::TimedOut() {
    if (!awaiting_) return;
    if (writing_) {
        FinishWrite(false, QStringLiteral("no answer"));
        return;
    }
    awaiting_ = false;
    stats_[pollIndex_].Count(ExchangeOutcome::TimedOut, 0);
    emit attemptTimedOut(pollIndex_);
    AttemptFailed(AttemptFailure::TimedOut, false);
}

void RecordEngine::AttemptFailed(AttemptFailure how, bool lineDown) {
    refusals_ = 0;
    int& failures = failCount_[pollIndex_];
    ++failures;
    bool cycleEnded = false;
    // The cycle goes on with the positions after it; when it was the last, the cycle ends with
    // what it read and the next tick starts again at the first.
    const auto moveOn = [&] {
        const int next = NextUsed(pollIndex_);
        if (next >= 0) {
            pollIndex_ = quint16(next);
        } else {
            CompleteCycle();
            cycleEnded = true;
        }
    };
    // A resting device gets one try, so that it costs one time-out a minute, not a cycle's
    // worth of them.
    if (restMs_ > 0 && (failures > MaxFailures || resting_[pollIndex_])) {
        failures = 0;
        Rest(addresses_[pollIndex_], how);
        moveOn();
    } else if (failures > MaxFailures) {
        const int lost = addresses_[pollIndex_];
        QList<int> dropped;
        for (int p = 0; p < DevicePositions; ++p) {
            if (addresses_[std::size_t(p)] != lost) continue;
            addresses_[std::size_t(p)] = 0;
            dropped.append(p);
        }
        // The recording ends only when no device is left at all.
        const bool stopped = NextUsed(0) < 0;
        if (stopped) {
            Stop();
        } else {
            moveOn();
        }
        emit devicesDropped(dropped, stopped);
    }
    // The window's message box may have let a tick send meanwhile: one request at a time. With
    // the line down, the restored line or the tick goes on.
    if (!lineDown && running_ && !awaiting_ && !cycleEnded) SendSampleRequest();
}

void RecordEngine::QueueSetValue(int position, qint32 tenths) {
    for (SetValueWrite& write : writes_) {
        if (write.position != position || (writing_ && &write == &writes_.first())) continue;
        write.tenths = tenths;
        return;
    }
    writes_.append({position, tenths, false});
}

bool RecordEngine::SendWriteStep() {
    if (exchange_.LineDown() || !exchange_.HoldsLine()) return false;
    const SetValueWrite& write = writes_.first();
    const int address = addresses_[std::size_t(write.position)];
    try {
        Send(write.rangeRead ? Request::Write(address, reg::SetValue, write.tenths)
                             : Request::Read(address, reg::RangeHigh, 2),
             ReplyEndPolicy::FrameEnd);
    } catch (const Error& error) {
        writing_ = true;
        FinishWrite(false, error.text());
        return true;
    }
    writing_ = true;
    awaiting_ = true;
    return true;
}

void RecordEngine::WriteReplyEnded(const QByteArray& frame) {
    awaiting_ = false;
    SetValueWrite& write = writes_.first();
    const int address = addresses_[std::size_t(write.position)];
    const ReadReply reply = Rtu() ? CheckRtuReply(frame, address) : CheckAsciiReply(frame, address);
    if (reply.status == ReplyStatus::Exception) {
        FinishWrite(
            false,
            QStringLiteral("the controller refused it (exception %1)").arg(reply.exceptionCode));
        return;
    }
    if (!write.rangeRead) {
        if (!reply.isGood() || reply.words.size() != 2) {
            FinishWrite(false, QStringLiteral("no good reply to the range read"));
            return;
        }
        const qint32 high = qint16(reply.words[0]);
        const qint32 low = qint16(reply.words[1]);
        if (write.tenths < qMin(low, high) || write.tenths > qMax(low, high)) {
            FinishWrite(false, QStringLiteral("outside the controller's range %1 to %2")
                                   .arg(QString::number(qMin(low, high) / 10.0, 'f', 1),
                                        QString::number(qMax(low, high) / 10.0, 'f', 1)));
            return;
        }
        write.rangeRead = true;
        if (!SendWriteStep()) FinishWrite(false, QStringLiteral("the line is down"));
        return;
    }
    // A write is answered with its own request, echoed.
    const QByteArray sent = Rtu() ? RequestText() : RequestText().trimmed();
    const QByteArray got = Rtu() ? frame.left(sent.size()) : frame.trimmed();
    FinishWrite(got == sent,
                got == sent ? QString() : QStringLiteral("a reply that is not its echo"));
}

void RecordEngine::FinishWrite(bool ok, const QString& reason) {
    awaiting_ = false;
    writing_ = false;
    const SetValueWrite write = writes_.takeFirst();
    emit setValueWritten(write.position, write.tenths, ok, reason);
    if (!running_ || awaiting_ || exchange_.Outstanding()) return;
    // The next write, or the cycle this tick was for.
    if (!writes_.isEmpty() && SendWriteStep()) return;
    if (restMs_ > 0 && !Due(pollIndex_)) {
        const int next = NextUsed(pollIndex_);
        if (next < 0) return;
        pollIndex_ = quint16(next);
    }
    SendSampleRequest();
}

void RecordEngine::Rest(int address, AttemptFailure last) {
    QList<int> positions;
    bool fresh = false;
    const quint32 until = Clock::Current().Milliseconds() + quint32(restMs_);
    for (int p = 0; p < DevicePositions; ++p) {
        const auto i = std::size_t(p);
        if (addresses_[i] != address) continue;
        fresh = fresh || !resting_[i];
        resting_[i] = true;
        restUntil_[i] = until;
        positions.append(p);
    }
    // Said once when it stops answering, not at every failed try after.
    if (fresh) emit devicesResting(positions, last);
}

void RecordEngine::HandleReply(const QByteArray& frame) {
    if (!running_) return;
    const int address = addresses_[pollIndex_];
    const ReadReply reply = Rtu() ? CheckRtuReply(frame, address) : CheckAsciiReply(frame, address);
    ExchangeStats& stats = stats_[pollIndex_];
    const qint64 ms = exchange_.LastElapsedMs();
    // A reply that does not answer the request (garbled, another station's, another length)
    // is a failed attempt, as a time-out is: ignoring it would ask the same device again at
    // every tick and complete no cycle for as long as the fault lasts.
    const auto refused = [&] {
        stats.Count(ExchangeOutcome::CheckError, ms);
        emit attemptRefused(pollIndex_);
        AttemptFailed(AttemptFailure::BadReply, false);
    };
    switch (reply.status) {
    case ReplyStatus::NotAddressed:
    case ReplyStatus::BadFrame:
        refused();
        return;
    case ReplyStatus::Exception:
    case ReplyStatus::OtherFunction:
        failCount_[pollIndex_] = 0;
        stats.Count(reply.status == ReplyStatus::Exception ? ExchangeOutcome::Exception
                                                           : ExchangeOutcome::CheckError,
                    ms);
        // Refused, not lost: asked again at once. A device that refuses every read must not
        // hold the cycle, though: after as many refusals in a row as a silent device gets
        // tries, the cycle goes on without its values, and it is asked again in the next one.
        if (++refusals_ <= MaxFailures) {
            if (!awaiting_) SendSampleRequest();
            return;
        }
        refusals_ = 0;
        NextDevice();
        return;
    case ReplyStatus::Good:
        break;
    }
    // A read of two registers carries exactly two words; any other count answers something
    // else.
    if (reply.words.size() != SampleWords) {
        refused();
        return;
    }
    failCount_[pollIndex_] = 0;
    stats.Count(ExchangeOutcome::Answered, ms);
    if (resting_[pollIndex_]) {
        resting_[pollIndex_] = false;
        emit deviceBack(pollIndex_);
    }
    DeviceReading& reading = cycle_[pollIndex_];
    reading.answered = true;
    reading.pv = qint16(reply.words[0]);
    reading.sv = qint16(reply.words[1]);
    if (missedAt_ == pollIndex_ && !missedSaid_) {
        missedSaid_ = true;
        emit samplesMissed(pollIndex_);
    }

    NextDevice();
}

void RecordEngine::NextDevice() {
    refusals_ = 0;
    const int next = NextUsed(pollIndex_ + 1);
    if (next >= 0) {
        pollIndex_ = quint16(next);
        if (!awaiting_) SendSampleRequest();
        return;
    }
    CompleteCycle();
}

void RecordEngine::CompleteCycle() {
    pollIndex_ = quint16(qMax(0, NextUsed(0)));
    cycleOpen_ = false;
    missedAt_ = -1;
    ReportCycle(std::exchange(cycle_, {}), false);
}

void RecordEngine::ReportCycle(const Readings& readings, bool missed) {
    CycleReport report;
    report.stamp = now_();
    report.readings = readings;
    report.missed = missed;
    emit cycleCompleted(report);
}

} // namespace vrx
