// The one clock behind every timer of the line: the port's reply ticks, the engines' periodic
// timers and the simulated line's pacing. Tests install a manual clock and move time by hand.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QtGlobal>

#include <vector>

namespace vrx {

class ClockTimer;

class Clock {
public:
    virtual ~Clock() = default;

    // A free-running millisecond count that wraps past 2^32, as a system tick counter does.
    virtual quint32 Milliseconds() const = 0;
    // Microseconds since the clock began; never wraps. Paces the simulated line.
    virtual qint64 Micros() const = 0;

    // The clock in force: the machine's monotonic clock unless a test installed another.
    static Clock& Current();
    // Installs a clock (not owned); nullptr goes back to the machine's. Install before the
    // timers that should follow it are started.
    static void Install(Clock* clock);

protected:
    friend class ClockTimer;
    // A timer of this clock was started or stopped.
    virtual void Schedule(ClockTimer& timer) = 0;
    virtual void Unschedule(ClockTimer& timer) = 0;
};

// The machine's monotonic clock; its timers are QTimers.
class SteadyClock final : public Clock {
public:
    SteadyClock() { elapsed_.start(); }
    quint32 Milliseconds() const override { return quint32(elapsed_.elapsed()); }
    qint64 Micros() const override { return elapsed_.nsecsElapsed() / 1000; }

    static SteadyClock& Instance();

protected:
    void Schedule(ClockTimer& timer) override;
    void Unschedule(ClockTimer& timer) override;

private:
    QElapsedTimer elapsed_;
};

// A clock that moves only when told to. Timers fall due as time passes over them, each at its
// own moment and in order; Run also delivers the events they post, so a whole exchange (request,
// reply bytes, reply timer) plays out in simulated milliseconds.
class ManualClock : public Clock {
public:
    explicit ManualClock(quint32 startMs = 0) : startMs_(startMs) {}
    ~ManualClock() override;
    ManualClock(const ManualClock&) = delete;
    ManualClock& operator=(const ManualClock&) = delete;

    quint32 Milliseconds() const override { return startMs_ + quint32(micros_ / 1000); }
    qint64 Micros() const override { return micros_; }

    // Moves time on by ms, firing the timers that fall due on the way. Events they post are
    // left queued.
    void Advance(qint64 ms);
    // Moves time on by ms like Advance, and delivers posted events before the clock starts and
    // after every timer, so replies that the posted events provoke are timed too.
    void Run(qint64 ms);
    // Sets the millisecond count, keeping time monotonic: only the wrapping count moves.
    void Set(quint32 ms);
    // Delivers every posted event of this thread, including those posted while delivering.
    static void DeliverPostedEvents();

    // The timers waiting on this clock (for tests).
    int PendingTimers() const { return int(timers_.size()); }

protected:
    void Schedule(ClockTimer& timer) override;
    void Unschedule(ClockTimer& timer) override;

private:
    // Fires the earliest timer due at or before untilMicros; false when there is none.
    bool FireNext(qint64 untilMicros);

    quint32 startMs_;
    qint64 micros_ = 0;
    std::vector<ClockTimer*> timers_;
};

// A timer on the current clock with the part of QTimer's interface the program uses.
class ClockTimer : public QObject {
    Q_OBJECT
public:
    explicit ClockTimer(QObject* parent = nullptr);
    ~ClockTimer() override;

    void setInterval(int ms) { intervalMs_ = ms; }
    int interval() const { return intervalMs_; }
    void setSingleShot(bool singleShot) { singleShot_ = singleShot; }
    bool isSingleShot() const { return singleShot_; }
    bool isActive() const { return clock_ != nullptr; }

    // (Re)starts the timer on the current clock: it fires interval ms from now, then every
    // interval ms unless single-shot.
    void start();
    void start(int ms);
    // Starts the timer to fall due a number of microseconds from now, for pacing finer than a
    // millisecond (a character at 38400 baud takes 0.29 ms); a periodic timer then keeps its
    // interval. The machine's clock waits whole milliseconds, rounded up; a manual clock fires
    // at the exact microsecond.
    void startMicros(qint64 micros);
    void stop();

    // When the timer falls due, in the clock's microseconds.
    qint64 DueMicros() const { return dueMicros_; }

signals:
    void timeout();

private:
    friend class SteadyClock;
    friend class ManualClock;
    // The clock says the timer is due.
    void Fire();

    Clock* clock_ = nullptr;
    QTimer qtimer_; // the steady clock's way of waiting
    qint64 dueMicros_ = 0;
    int intervalMs_ = 0;
    bool singleShot_ = false;
};

} // namespace vrx
