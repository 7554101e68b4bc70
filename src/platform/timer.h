// The form timer: fires every Interval ms while Enabled, only from the event loop (so never while
// code runs, only when it returns or yields with DoEvents).
#pragma once

#include <QString>
#include <QTimer>
#include <functional>

namespace vb {

class Timer {
public:
    Timer(int interval = 0, bool enabled = false);
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
    void restart();
    QTimer timer_;
    int interval_ = 0;
    bool enabled_ = false;
};

// Runs every pending event (input, timers, repaints) before returning.
void DoEvents();

}  // namespace vb
