// The acquisition cycle of the Recorder.
#include "recordengine.h"

#include "errors.h"
#include "framecodec.h"
#include "guard.h"
#include "registers.h"
#include "replyend.h"

namespace vrx {

namespace {
// After the first byte, a reply ends after this much silence (ASCII: a reply without its LF
// fails after it).
constexpr int SilenceTicks = 9;
constexpr int SampleWords = 2; // process value and set value
} // namespace

RecordEngine::RecordEngine(LineOwner& line, SettingsSource settings, QObject* parent)
    : QObject(parent), settings_(std::move(settings)),
      exchange_(line, QString::fromLatin1(LineTool)),
      timeOfDay_([] { return QTime::currentTime(); }) {
    Timer1 = new ClockTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &ClockTimer::timeout, this, GuardedSlot(this, &RecordEngine::Timer1Timer));
    connect(&exchange_, &Exchange::replied, this,
            [this](const QByteArray& frame) { Guarded([&] { ReplyEnded(frame); }); });
    connect(&exchange_, &Exchange::timedOut, this, GuardedSlot(this, &RecordEngine::TimedOut));
    // The request of a stopped recording has ended: the current one goes on from here.
    connect(&exchange_, &Exchange::freed, this, [this] {
        Guarded([this] {
            if (Running && !AwaitingReply) SendSampleRequest();
        });
    });
    // A line that went away took the request with it; the recording goes on, a line of `---`
    // for each sample missed, until the line is back. The line has said it went. The device
    // whose request was out is charged as for a time-out: a reply that breaks the line (a torn
    // MBAP stream, a reset) would otherwise cost every device after it in every cycle.
    connect(&exchange_, &Exchange::lineLost, this, [this] {
        Guarded([this] {
            const bool sampling = AwaitingReply && !writing_ && Running;
            AwaitingReply = false;
            if (writing_) {
                writing_ = false;
                const SetValueWrite write = writes_.takeFirst();
                emit setValueWritten(write.position, write.tenths, false,
                                     QStringLiteral("the line was lost"));
            }
            emit lineLost(sampling ? int(PollIndex) : -1);
            if (sampling) {
                Stats[PollIndex].Count(ExchangeOutcome::TimedOut, 0);
                AttemptFailed(AttemptFailure::LineLost, true);
            }
        });
    });
    // A cycle the loss interrupted goes on at once with the device after the one charged, so
    // that its tick still gets its line; one the ticks meanwhile completed waits for the next.
    connect(&exchange_, &Exchange::lineRestored, this, [this] {
        Guarded([this] {
            emit lineRestored();
            if (Running && cycleOpen_ && !AwaitingReply && !exchange_.Outstanding())
                SendDueRequest();
        });
    });
}

bool RecordEngine::Rtu() const {
    return settings_().Rtu();
}

bool RecordEngine::Due(int position) const {
    const auto p = std::size_t(position);
    if (DeviceAddr[p] == 0) return false;
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
    DeviceAddr = addresses;
    SampleCount = 0;
    const int first = NextUsed(0);
    if (first < 0) return false;
    PollIndex = quint16(first);
    FailCount.fill(0);
    refusals_ = 0;
    Stats.fill({});
    resting_.fill(false);
    writes_.clear();
    writing_ = false;
    cycle_ = {};
    cycleOpen_ = false;
    missedAt_ = -1;
    missedSaid_ = false;
    Samples.Clear();
    Running = true;
    Timer1->setInterval(seconds * 1000);
    // A request of the recording before may still be on the line: the first of this one goes
    // when it ends, so that no two requests are ever on the line together.
    if (exchange_.Outstanding()) {
        exchange_.Disown();
    } else {
        SendSampleRequest();
    }
    if (Running) Timer1->start();
    return true;
}

void RecordEngine::Stop() {
    Timer1->stop();
    // The request on the line is left to end by its reply or its time-out; it answers nothing
    // any more.
    exchange_.Disown();
    AwaitingReply = false;
    writing_ = false;
    Running = false;
}

void RecordEngine::Timer1Timer() {
    if (!Running) {
        Timer1->stop();
        return;
    }
    if (exchange_.LineDown()) {
        // The cycle the loss interrupted ends with what it read, every other field `---`; this
        // tick's own sample is missed, so that each tick keeps its line.
        if (cycleOpen_) CompleteCycle();
        ReportCycle({}, true);
        return;
    }
    if (AwaitingReply || exchange_.Outstanding()) {
        // The cycle before outlasts the interval (a slow device, retries): this tick's sample
        // is missed and written as such, so that the record keeps one line per interval.
        if (missedAt_ < 0) missedAt_ = writing_ ? writes_.first().position : PollIndex;
        ReportCycle({}, true);
        return;
    }
    // Between two cycles: writes go first, then the cycle.
    if (!writes_.isEmpty() && PollIndex == quint16(qMax(0, NextUsed(0))) && SendWriteStep()) return;
    SendDueRequest();
}

void RecordEngine::SendDueRequest() {
    if (restMs_ > 0 && !Due(PollIndex)) {
        // Every device before the next due one rests; with none due, the cycle is all `---`.
        const int next = NextUsed(PollIndex);
        if (next < 0) {
            CompleteCycle();
            return;
        }
        PollIndex = quint16(next);
    }
    SendSampleRequest();
}

void RecordEngine::SendSampleRequest() {
    // The line is being opened again: the ticks write what is missed meanwhile.
    if (exchange_.LineDown()) return;
    const LineSettings settings = settings_();
    RequestText = ReadRequest(DeviceAddr[PollIndex], reg::ProcessValue, SampleWords);
    if (settings.Rtu()) RequestText = AsciiToRtu(RequestText);
    try {
        // Recording resumes on a line that was closed for viewing or went away.
        if (!exchange_.HoldsLine()) exchange_.Line().Reopen(exchange_.Tool());
        const ReplyEndPolicy policy =
            earlyRtuEnd_ ? ReplyEndPolicy::FrameEnd : ReplyEndPolicy::TimeOutEnd;
        // After the first byte a reply ends after a short silence; in ASCII the LF ends it
        // sooner, and a reply without its LF fails at that silence.
        exchange_.Send(RequestText, settings.framing, policy,
                       {RecorderReplyTicks(settings), SilenceTicks});
        AwaitingReply = true;
        cycleOpen_ = true;
    } catch (const Error& error) {
        // Every later tick would fail the same way: stop, and say it once.
        Stop();
        emit lineFailed(error.text());
    }
}

void RecordEngine::ReplyEnded(const QByteArray& frame) {
    if (!AwaitingReply) return;
    if (writing_) {
        WriteReplyEnded(frame);
        return;
    }
    AwaitingReply = false;
    HandleReply(frame);
}

void RecordEngine::TimedOut() {
    if (!AwaitingReply) return;
    if (writing_) {
        FinishWrite(false, QStringLiteral("no answer"));
        return;
    }
    AwaitingReply = false;
    Stats[PollIndex].Count(ExchangeOutcome::TimedOut, 0);
    emit attemptTimedOut(PollIndex);
    AttemptFailed(AttemptFailure::TimedOut, false);
}

void RecordEngine::AttemptFailed(AttemptFailure how, bool lineDown) {
    refusals_ = 0;
    ++FailCount[PollIndex];
    bool cycleEnded = false;
    // The cycle goes on with the positions after it; when it was the last, the cycle ends with
    // what it read and the next tick starts again at the first.
    const auto moveOn = [&] {
        const int next = NextUsed(PollIndex);
        if (next >= 0) {
            PollIndex = quint16(next);
        } else {
            CompleteCycle();
            cycleEnded = true;
        }
    };
    // A resting device gets one try, so that it costs one time-out a minute, not a cycle's
    // worth of them.
    if (restMs_ > 0 && (FailCount[PollIndex] > MaxFailures || resting_[PollIndex])) {
        FailCount[PollIndex] = 0;
        Rest(DeviceAddr[PollIndex], how);
        moveOn();
    } else if (FailCount[PollIndex] > MaxFailures) {
        const int lost = DeviceAddr[PollIndex];
        QList<int> dropped;
        for (int p = 0; p < DevicePositions; ++p) {
            if (DeviceAddr[std::size_t(p)] != lost) continue;
            DeviceAddr[std::size_t(p)] = 0;
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
    if (!lineDown && Running && !AwaitingReply && !cycleEnded) SendSampleRequest();
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
    const int address = DeviceAddr[std::size_t(write.position)];
    const LineSettings settings = settings_();
    try {
        RequestText = write.rangeRead ? WriteRequest(address, reg::SetValue, write.tenths)
                                      : ReadRequest(address, reg::RangeHigh, 2);
        if (settings.Rtu()) RequestText = AsciiToRtu(RequestText);
        exchange_.Send(RequestText, settings.framing, ReplyEndPolicy::FrameEnd,
                       {RecorderReplyTicks(settings), SilenceTicks});
    } catch (const Error& error) {
        writing_ = true;
        FinishWrite(false, error.text());
        return true;
    }
    writing_ = true;
    AwaitingReply = true;
    return true;
}

void RecordEngine::WriteReplyEnded(const QByteArray& frame) {
    AwaitingReply = false;
    SetValueWrite& write = writes_.first();
    const int address = DeviceAddr[std::size_t(write.position)];
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
    const QByteArray sent = Rtu() ? RequestText : RequestText.trimmed();
    const QByteArray got = Rtu() ? frame.left(sent.size()) : frame.trimmed();
    FinishWrite(got == sent,
                got == sent ? QString() : QStringLiteral("a reply that is not its echo"));
}

void RecordEngine::FinishWrite(bool ok, const QString& reason) {
    AwaitingReply = false;
    writing_ = false;
    const SetValueWrite write = writes_.takeFirst();
    emit setValueWritten(write.position, write.tenths, ok, reason);
    if (!Running || AwaitingReply || exchange_.Outstanding()) return;
    // The next write, or the cycle this tick was for.
    if (!writes_.isEmpty() && SendWriteStep()) return;
    if (restMs_ > 0 && !Due(PollIndex)) {
        const int next = NextUsed(PollIndex);
        if (next < 0) return;
        PollIndex = quint16(next);
    }
    SendSampleRequest();
}

void RecordEngine::Rest(int address, AttemptFailure last) {
    QList<int> positions;
    bool fresh = false;
    const quint32 until = Clock::Current().Milliseconds() + quint32(restMs_);
    for (int p = 0; p < DevicePositions; ++p) {
        const auto i = std::size_t(p);
        if (DeviceAddr[i] != address) continue;
        fresh = fresh || !resting_[i];
        resting_[i] = true;
        restUntil_[i] = until;
        positions.append(p);
    }
    // Said once when it stops answering, not at every failed try after.
    if (fresh) emit devicesResting(positions, last);
}

void RecordEngine::HandleReply(const QByteArray& frame) {
    if (!Running) return;
    const int address = DeviceAddr[PollIndex];
    const ReadReply reply = Rtu() ? CheckRtuReply(frame, address) : CheckAsciiReply(frame, address);
    ExchangeStats& stats = Stats[PollIndex];
    const qint64 ms = exchange_.LastElapsedMs();
    // A reply that does not answer the request (garbled, another station's, another length)
    // is a failed attempt, as a time-out is: ignoring it would ask the same device again at
    // every tick and complete no cycle for as long as the fault lasts.
    const auto refused = [&] {
        stats.Count(ExchangeOutcome::CheckError, ms);
        emit attemptRefused(PollIndex);
        AttemptFailed(AttemptFailure::BadReply, false);
    };
    switch (reply.status) {
    case ReplyStatus::NotAddressed:
    case ReplyStatus::BadFrame:
        refused();
        return;
    case ReplyStatus::Exception:
    case ReplyStatus::OtherFunction:
        FailCount[PollIndex] = 0;
        stats.Count(reply.status == ReplyStatus::Exception ? ExchangeOutcome::Exception
                                                           : ExchangeOutcome::CheckError,
                    ms);
        // Refused, not lost: asked again at once. A device that refuses every read must not
        // hold the cycle, though: after as many refusals in a row as a silent device gets
        // tries, the cycle goes on without its values, and it is asked again in the next one.
        if (++refusals_ <= MaxFailures) {
            if (!AwaitingReply) SendSampleRequest();
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
    FailCount[PollIndex] = 0;
    stats.Count(ExchangeOutcome::Answered, ms);
    if (resting_[PollIndex]) {
        resting_[PollIndex] = false;
        emit deviceBack(PollIndex);
    }
    DeviceReading& reading = cycle_[PollIndex];
    reading.answered = true;
    reading.pv = qint16(reply.words[0]);
    reading.sv = qint16(reply.words[1]);
    if (missedAt_ == PollIndex && !missedSaid_) {
        missedSaid_ = true;
        emit samplesMissed(PollIndex);
    }

    NextDevice();
}

void RecordEngine::NextDevice() {
    refusals_ = 0;
    const int next = NextUsed(PollIndex + 1);
    if (next >= 0) {
        PollIndex = quint16(next);
        if (!AwaitingReply) SendSampleRequest();
        return;
    }
    CompleteCycle();
}

void RecordEngine::CompleteCycle() {
    PollIndex = quint16(qMax(0, NextUsed(0)));
    cycleOpen_ = false;
    missedAt_ = -1;
    ReportCycle(std::exchange(cycle_, {}), false);
}

void RecordEngine::ReportCycle(const Readings& readings, bool missed) {
    for (int p = 0; p < DevicePositions; ++p) {
        if (DeviceAddr[std::size_t(p)] == 0) continue;
        const DeviceReading& r = readings[std::size_t(p)];
        Samples.At(p, SampleCount) = r.answered ? r.pv : MissingSample;
    }
    CycleReport report;
    report.at = timeOfDay_();
    report.readings = readings;
    report.missed = missed;
    ++SampleCount;
    if (SampleCount > WindowColumns) {
        // The 601st sample opens the next window at its left edge.
        SampleCount = 1;
        for (int p = 0; p < DevicePositions; ++p) {
            if (DeviceAddr[std::size_t(p)] != 0) Samples.At(p, 0) = Samples.At(p, WindowColumns);
            for (int j = 1; j <= WindowColumns; ++j)
                Samples.At(p, j) = 0;
        }
        report.windowRestarted = true;
    }
    emit cycleCompleted(report);
}

} // namespace vrx
