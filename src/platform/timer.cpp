#include "platform/timer.h"

#include <QCoreApplication>
#include <algorithm>
#include <vector>

namespace vb {

// The driven clock and the timers that run on it (all are GUI-thread objects).
struct TimerClock {
    bool manual = false;
    int64_t now = 0;
    uint64_t arming = 0;
    std::vector<Timer*> timers;
    QTime timeOfDay{0, 0};
    int64_t timeOfDaySetAt = 0;

    static TimerClock& get() {
        static TimerClock clock;
        return clock;
    }
    // The enabled timer due first at or before `until`, or none.
    Timer* next(int64_t until) const {
        Timer* best = nullptr;
        for (Timer* t : timers) {
            if (!t->enabled_ || t->interval_ <= 0 || t->deadline_ > until) continue;
            if (!best || t->deadline_ < best->deadline_ ||
                (t->deadline_ == best->deadline_ && t->armed_ < best->armed_))
                best = t;
        }
        return best;
    }
    void setManual(bool on) {
        if (manual == on) return;
        manual = on;
        for (Timer* t : timers) t->restart();
    }
    void advance(int ms) {
        if (!manual || ms < 0) return;
        const int64_t until = now + ms;
        while (Timer* t = next(until)) {
            now = t->deadline_;
            // The next count starts now, before the handler, which may stop or re-time the timer.
            t->deadline_ = now + t->interval_;
            t->armed_ = ++arming;
            t->fire();
        }
        now = std::max(now, until);  // a handler may have moved the clock on itself
    }
};

Timer::Timer(int interval, bool enabled) : interval_(interval < 0 ? 0 : interval), enabled_(enabled) {
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { fire(); });
    TimerClock::get().timers.push_back(this);
    restart();
}

Timer::~Timer() { std::erase(TimerClock::get().timers, this); }

void Timer::fire() {
    if (!enabled_ || interval_ <= 0 || !OnTimer) return;
    // A copy: the handler may replace the handler or end the timer's owner.
    const std::function<void()> handler = OnTimer;
    handler();
}

void Timer::restart() {
    TimerClock& clock = TimerClock::get();
    if (clock.manual) {
        timer_.stop();
        deadline_ = clock.now + interval_;
        armed_ = ++clock.arming;
        return;
    }
    if (enabled_ && interval_ > 0)
        timer_.start(interval_);
    else
        timer_.stop();
}

void Timer::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    restart();
}

void Timer::SetInterval(int ms) {
    if (ms < 0) ms = 0;
    if (ms == interval_) return;
    interval_ = ms;
    restart();
}

void DoEvents() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

QTime TimeOfDay() {
    const TimerClock& clock = TimerClock::get();
    if (!clock.manual) return QTime::currentTime();
    return clock.timeOfDay.addMSecs(int((clock.now - clock.timeOfDaySetAt) % 86400000));
}

namespace testing {

void SetManualClock(bool manual) { TimerClock::get().setManual(manual); }

bool ManualClock() { return TimerClock::get().manual; }

void AdvanceClock(int ms) { TimerClock::get().advance(ms); }

int64_t ClockNow() { return TimerClock::get().now; }

void SetTimeOfDay(QTime time) {
    TimerClock& clock = TimerClock::get();
    clock.timeOfDay = time;
    clock.timeOfDaySetAt = clock.now;
}

}  // namespace testing

}  // namespace vb
