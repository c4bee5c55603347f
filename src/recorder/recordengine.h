// The Recorder's acquisition: the timed poll cycle over up to eight controllers, reply checks in
// both framings, retries and drops. No widgets, no chart: each cycle is reported, and whoever
// records or draws it listens.
#pragma once

#include "clock.h"
#include "comsettings.h"
#include "exchange.h"
#include "exchangestats.h"
#include "samplestore.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>

#include <functional>

namespace vrx {

// How an attempt at a device failed.
enum class AttemptFailure {
    TimedOut, // no reply within the time-out
    BadReply, // a reply with a bad check, from another address or of another length
    LineLost, // the line went away while the request was out
};

// What a completed poll cycle brought.
struct CycleReport {
    // When the cycle completed: one reading of the clock, so that a record line's time and the
    // file of its day never disagree across midnight.
    QDateTime stamp;
    Readings readings; // per position: answered in this cycle, and its values
    // A tick whose sample was not taken (the cycle before was still on, or the line was down):
    // nothing answered.
    bool missed = false;
};

class RecordEngine : public QObject {
    Q_OBJECT
public:
    using TimeSource = std::function<QDateTime()>;

    // Failed attempts in a row after which a device is dropped.
    static constexpr int MaxFailures = 3;
    // The name under which the engine holds the line.
    static constexpr const char* LineTool = line_tool::Recorder;
    // After the first byte, a reply ends after this much silence (ASCII: a reply without its LF
    // fails after it), in 55 ms ticks.
    static constexpr int SilenceTicks = 9;
    // How long the first byte of a reply may take, in 55 ms ticks: ASCII is given the silence,
    // RTU the line's own silence after a frame.
    static int ReplyTicks(const LineSettings& settings);

    explicit RecordEngine(LineOwner& line, QObject* parent = nullptr);

    // The line's settings, given when the line is opened or its settings change: framing and
    // time-outs follow them from the next request on.
    void SetLineSettings(const LineSettings& settings) { settings_ = settings; }
    const LineSettings& Settings() const { return settings_; }

    // The clock stamped on cycles (the wall clock unless a test sets another).
    void SetTimeSource(TimeSource source) { now_ = std::move(source); }

    // START: copies the addresses, and when any is not 0 starts the sample clock at `seconds`
    // and sends the first request. False (and nothing sent) when every address is 0.
    bool Start(const Addresses& addresses, int seconds);
    // STOP: the clock off, no reply awaited.
    void Stop();
    // Only the sample clock off (a window closing, a box about to be shown): the request on the
    // line still ends as it would.
    void StopClock() { timer1_->stop(); }
    // The address asked at `position` from now on (0: the position is not used).
    void SetDevice(int position, int address);

    // Handlers.
    void Timer1Timer();

    // Ends an RTU reply as soon as it is a whole frame with a good CRC (true, the default), or
    // only after the silence (false; kept for measuring against).
    void SetEarlyRtuEnd(bool early) { earlyRtuEnd_ = early; }

    // Unattended recording: a device that stops answering is not dropped but rests, its fields
    // `---`, and is asked once again after `ms`, for as long as the recording runs. 0 (the
    // window's way, and the default): dropped for good.
    void SetRestAfterFailure(int ms) { restMs_ = ms; }
    // A new set value, in tenths, for the device at `position`, written before the next cycle:
    // its range (RangeHigh, RangeLow) is read first and a value outside it is refused. The
    // outcome comes as setValueWritten. A second one for a position replaces the first.
    void QueueSetValue(int position, qint32 tenths);

    // The device at `position` stopped answering and waits for its next try.
    bool Resting(int position) const { return resting_[std::size_t(position)]; }

    // State, under the names the window's design gives it. A dropped device's address is 0.
    const Addresses& DeviceAddr() const { return addresses_; }
    int FailCount(int position) const { return failCount_[std::size_t(position)]; }
    quint16 PollIndex() const { return pollIndex_; }
    // A reply to the engine's own request is awaited (not one to a request of a recording
    // before, left to end on the line).
    bool AwaitingReply() const { return awaiting_; }
    bool Running() const { return running_; }
    // How each position's requests ended and how long its replies took; cleared at START.
    const ExchangeStats& Stats(int position) const { return stats_[std::size_t(position)]; }
    // The sample clock.
    const ClockTimer& Timer1() const { return *timer1_; }
    // The request on the line, as sent.
    const QByteArray& RequestText() const { return exchange_.Request(); }

    UsedPositions Used() const { return UsedOf(addresses_); }

signals:
    // A poll cycle completed, or a tick's sample was missed.
    void cycleCompleted(const vrx::CycleReport& report);
    // The device at these positions stopped answering and was dropped; `stopped` when no
    // used position was left above it, so the recording ended.
    void devicesDropped(const QList<int>& positions, bool stopped);
    // The line refused a send (gone, cannot be opened): the recording has stopped.
    void lineFailed(const QString& text);
    // The line went away; a recording goes on, its samples missing, until lineRestored().
    // `position`: the device whose request was out, charged with a failed attempt (-1: none).
    void lineLost(int position);
    // The lost line is open again: the next tick reads the devices again.
    void lineRestored();
    // A request to the device at `position` went unanswered.
    void attemptTimedOut(int position);
    // A request to the device at `position` got a reply that answers it not (a bad check,
    // another address, another length): a failed attempt like a time-out.
    void attemptRefused(int position);
    // A tick came while the cycle before it was still asking the device at `position`: the
    // sample of that tick is missed, its cycle reported with nothing answered. Said once per
    // recording, when that device has answered, so a device that fails is not called slow.
    void samplesMissed(int position);
    // With a rest time: the device at these positions stopped answering and rests; `last` is
    // how its last attempt failed (timed out, a bad reply, the line lost under it).
    void devicesResting(const QList<int>& positions, vrx::AttemptFailure last);
    // With a rest time: the resting device at `position` answered again.
    void deviceBack(int position);
    // A queued set value was written (`ok`), or not, and why.
    void setValueWritten(int position, qint32 tenths, bool ok, const QString& reason);

private:
    bool Rtu() const { return settings_.Rtu(); }
    // Every request of the engine goes out here: the bytes framed for the line, its reply-end
    // rule and time-outs. Throws as Exchange::Send does.
    void Send(const Request& request, ReplyEndPolicy policy,
              std::optional<quint32> sharedBefore = std::nullopt);
    void SendSampleRequest();
    // Until when a request of another master of the line may go before the cycle's next one
    // (LineQueue::Ask::sharedBefore); none before the first.
    std::optional<quint32> SharedTurnEnd() const;
    // The request for PollIndex, or for the next device due after it when that one rests.
    void SendDueRequest();
    void ReplyEnded(const QByteArray& frame);
    void HandleReply(const QByteArray& frame);
    // The cycle goes on with the next used position, or completes.
    void NextDevice();
    void CompleteCycle();
    void ReportCycle(const Readings& readings, bool missed);
    void TimedOut();
    // Counts a failed attempt at PollIndex: after too many the device rests or is dropped, and
    // the cycle moves on. With the line down nothing is sent: the restored line or the tick
    // goes on.
    void AttemptFailed(AttemptFailure how, bool lineDown);
    int NextUsed(int from) const;
    // A used position that is not resting, or whose rest is over.
    bool Due(int position) const;
    void Rest(int address, AttemptFailure last);
    bool SendWriteStep();
    void WriteReplyEnded(const QByteArray& frame);
    void FinishWrite(bool ok, const QString& reason);

    struct SetValueWrite {
        int position = 0;
        qint32 tenths = 0;
        bool rangeRead = false; // the range is read: the write itself is next
    };

    LineSettings settings_;
    Exchange exchange_;
    TimeSource now_;
    ClockTimer* timer1_ = nullptr;
    Addresses addresses_{1, 0, 0, 0, 0, 0, 0, 0};
    quint16 pollIndex_ = 0;
    std::array<int, DevicePositions> failCount_{};
    bool awaiting_ = false;
    bool running_ = false;
    std::array<ExchangeStats, DevicePositions> stats_{};
    Readings cycle_{};
    bool earlyRtuEnd_ = true;
    int refusals_ = 0; // refusals in a row of the device asked

    int restMs_ = 0;
    QList<SetValueWrite> writes_;
    bool writing_ = false; // the request on the line is the first of writes_
    std::array<bool, DevicePositions> resting_{};
    std::array<quint32, DevicePositions> restUntil_{};
    // The device asked when a tick was missed (-1: none since the last cycle), and whether the
    // missed samples were said.
    int missedAt_ = -1;
    // A tick's cycle has begun and not yet completed.
    bool cycleOpen_ = false;
    // When the open cycle sent its first request (Clock ms), how many it has sent, and how long
    // the line took for those that ended.
    quint32 cycleStartMs_ = 0;
    int cycleSent_ = 0;
    qint64 cycleOwnMs_ = 0;
    bool missedSaid_ = false;
};

} // namespace vrx
