// The form timer: fires every Interval ms while Enabled, only from the event loop (so never while
// code runs, only when it returns or yields with DoEvents).
//
// Every timer of the process runs on one clock: real time by default, or a clock the caller drives
// (vb::testing), on which the timers fire only when the clock is moved on.
#pragma once

#include <QString>
#include <QTime>
#include <QTimer>
#include <cstdint>
#include <functional>

namespace vb {

class Timer {
public:
    Timer(int interval = 0, bool enabled = false);
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;
    bool Enabled() const { return enabled_; }
    // Enabling a disabled timer starts its count from now; disabling stops it. The handler may
    // disable its own timer (a one-shot).
    void SetEnabled(bool enabled);
    int Interval() const { return interval_; }
    // A new interval restarts the count of an enabled timer; 0 means the timer never fires.
    void SetInterval(int ms);
    // A free text (the count-in keeps the beats of a bar in it).
    QString Tag;
    // The handler (the runtime's Timer event).
    std::function<void()> OnTimer;

private:
    friend struct TimerClock;
    void restart();
    void fire();
    QTimer timer_;
    int interval_ = 0;
    bool enabled_ = false;
    // On the driven clock: when the timer fires next, and the order it was armed in (timers due at
    // the same moment fire in that order).
    int64_t deadline_ = 0;
    uint64_t armed_ = 0;
};

// Runs every pending event (input, timers, repaints) before returning.
void DoEvents();

// The time of day (the window's clock shows it); on the driven clock, the time set for its start
// plus the time it has been moved on.
QTime TimeOfDay();

namespace testing {
// Puts every timer of the process, those there now and those made later, on the driven clock
// (true) or back on real time (false). An enabled timer starts its count again from the switch.
void SetManualClock(bool manual);
bool ManualClock();
// Moves the driven clock on by ms: each enabled timer whose moment falls within fires, in the
// order of those moments, a repeating timer as often as its interval fits. A handler that enables,
// disables or re-times a timer acts as at that moment of the clock.
void AdvanceClock(int ms);
// Milliseconds the driven clock has been moved on since the process began.
int64_t ClockNow();
// The time of day at the driven clock's present moment.
void SetTimeOfDay(QTime time);
}  // namespace testing

}  // namespace vb
