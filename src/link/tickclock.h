// The millisecond clock behind the reply timers, replaceable so tests need not sit out time-outs.
#pragma once

#include <QElapsedTimer>
#include <QtGlobal>

namespace vrx {

// A free-running millisecond count that wraps past 2^32, as a system tick counter does.
class TickClock {
public:
    virtual ~TickClock() = default;
    virtual quint32 Milliseconds() const = 0;
};

// The monotonic clock of the machine.
class SteadyClock final : public TickClock {
public:
    SteadyClock() { timer_.start(); }
    quint32 Milliseconds() const override { return quint32(timer_.elapsed()); }
    static const SteadyClock& Instance() {
        static const SteadyClock clock;
        return clock;
    }

private:
    QElapsedTimer timer_;
};

// A clock that moves only when told to: for tests of long time-outs and of the wrap.
class ManualClock final : public TickClock {
public:
    explicit ManualClock(quint32 start = 0) : now_(start) {}
    quint32 Milliseconds() const override { return now_; }
    void Advance(quint32 ms) { now_ += ms; }
    void Set(quint32 ms) { now_ = ms; }

private:
    quint32 now_;
};

} // namespace vrx
