// The clock seam: the machine's clock with QTimers under it, and a manual clock for tests.
#include "clock.h"

#include <QCoreApplication>

#include <algorithm>
#include <limits>

namespace vrx {

namespace {

Clock* installed = nullptr;

// Counts what is delivered, so that delivering can go on until a round delivers nothing.
class DeliveryCounter final : public QObject {
public:
    bool eventFilter(QObject*, QEvent*) override {
        ++delivered;
        return false;
    }
    int delivered = 0;
};

} // namespace

Clock& Clock::Current() {
    return installed ? *installed : SteadyClock::Instance();
}

void Clock::Install(Clock* clock) {
    installed = clock;
}

SteadyClock& SteadyClock::Instance() {
    static SteadyClock clock;
    return clock;
}

void SteadyClock::Schedule(ClockTimer& timer) {
    const qint64 waitMs = std::max<qint64>(0, (timer.dueMicros_ - Micros() + 999) / 1000);
    timer.qtimer_.start(int(std::min<qint64>(waitMs, std::numeric_limits<int>::max())));
}

void SteadyClock::Unschedule(ClockTimer& timer) {
    timer.qtimer_.stop();
}

ManualClock::~ManualClock() {
    for (ClockTimer* timer : timers_)
        timer->clock_ = nullptr;
    if (installed == this) installed = nullptr;
}

void ManualClock::Schedule(ClockTimer& timer) {
    if (std::find(timers_.begin(), timers_.end(), &timer) == timers_.end())
        timers_.push_back(&timer);
}

void ManualClock::Unschedule(ClockTimer& timer) {
    timers_.erase(std::remove(timers_.begin(), timers_.end(), &timer), timers_.end());
}

bool ManualClock::FireNext(qint64 untilMicros) {
    // The earliest first; among equals the one started first, as a real timer queue would.
    ClockTimer* next = nullptr;
    for (ClockTimer* timer : timers_)
        if (timer->dueMicros_ <= untilMicros && (!next || timer->dueMicros_ < next->dueMicros_))
            next = timer;
    if (!next) return false;
    micros_ = std::max(micros_, next->dueMicros_);
    next->Fire();
    return true;
}

void ManualClock::Advance(qint64 ms) {
    const qint64 target = micros_ + ms * 1000;
    while (FireNext(target)) {
    }
    micros_ = target;
}

void ManualClock::Run(qint64 ms) {
    const qint64 target = micros_ + ms * 1000;
    DeliverPostedEvents();
    do {
        while (FireNext(target))
            DeliverPostedEvents();
        micros_ = target;
        DeliverPostedEvents();
        // What the last events started may already be due (a zero-length timer).
    } while (std::any_of(timers_.begin(), timers_.end(),
                         [target](const ClockTimer* t) { return t->dueMicros_ <= target; }));
}

void ManualClock::Set(quint32 ms) {
    startMs_ = ms - quint32(micros_ / 1000);
}

void ManualClock::DeliverPostedEvents() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;
    // Events posted while delivering wait for the next round (Qt avoids live-lock that way), so
    // deliver round after round until one delivers nothing.
    DeliveryCounter counter;
    app->installEventFilter(&counter);
    for (int round = 0; round < 10000; ++round) {
        counter.delivered = 0;
        QCoreApplication::sendPostedEvents();
        if (counter.delivered == 0) break;
    }
    app->removeEventFilter(&counter);
}

ClockTimer::ClockTimer(QObject* parent) : QObject(parent) {
    qtimer_.setSingleShot(true);
    qtimer_.setTimerType(Qt::PreciseTimer);
    connect(&qtimer_, &QTimer::timeout, this, &ClockTimer::Fire);
}

ClockTimer::~ClockTimer() {
    stop();
}

void ClockTimer::start() {
    stop();
    clock_ = &Clock::Current();
    dueMicros_ = clock_->Micros() + qint64(std::max(0, intervalMs_)) * 1000;
    clock_->Schedule(*this);
}

void ClockTimer::start(int ms) {
    intervalMs_ = ms;
    start();
}

void ClockTimer::startMicros(qint64 micros) {
    stop();
    clock_ = &Clock::Current();
    dueMicros_ = clock_->Micros() + std::max<qint64>(0, micros);
    clock_->Schedule(*this);
}

void ClockTimer::stop() {
    if (!clock_) return;
    clock_->Unschedule(*this);
    clock_ = nullptr;
}

void ClockTimer::Fire() {
    if (!clock_) return;
    if (singleShot_) {
        stop();
    } else {
        // Periodic timers keep their beat from the first start; after a stall they skip the
        // beats they missed instead of firing them all at once.
        const qint64 period = qint64(std::max(1, intervalMs_)) * 1000;
        dueMicros_ += period;
        const qint64 now = clock_->Micros();
        if (dueMicros_ <= now) dueMicros_ += ((now - dueMicros_) / period + 1) * period;
        clock_->Schedule(*this);
    }
    emit timeout();
}

} // namespace vrx
