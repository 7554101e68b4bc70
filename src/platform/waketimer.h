// A one-shot wake-up of the event loop at a moment of the steady clock, to the microsecond: the
// player loop arms it for its next turn (the next due event or frame) and then waits for events.
// QTimer counts whole milliseconds, which would make every wake-up up to a millisecond late.
//
// Without a kernel timer (timerfd), it falls back to a precise QTimer rounded up to the millisecond.
#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>

class QSocketNotifier;

class WakeTimer : public QObject {
public:
    using Clock = std::chrono::steady_clock;

    explicit WakeTimer(QObject* parent = nullptr);
    ~WakeTimer() override;
    WakeTimer(const WakeTimer&) = delete;
    WakeTimer& operator=(const WakeTimer&) = delete;

    // Wakes the event loop at `when` (at once when it is past), replacing any earlier arming.
    void WakeAt(Clock::time_point when);
    void Cancel();
    // Wake-ups delivered so far.
    int Fired() const { return fired_; }

private:
    void onFire();
    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    QTimer fallback_;
    int fired_ = 0;
};
