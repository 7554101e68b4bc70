#include "platform/waketimer.h"

#include <QSocketNotifier>
#include <cstdint>
#include <sys/timerfd.h>
#include <unistd.h>

WakeTimer::WakeTimer(QObject* parent) : QObject(parent) {
    fd_ = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (fd_ >= 0) {
        notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, [this] { onFire(); });
    }
    fallback_.setSingleShot(true);
    fallback_.setTimerType(Qt::PreciseTimer);
    connect(&fallback_, &QTimer::timeout, this, [this] { ++fired_; });
}

WakeTimer::~WakeTimer() {
    delete notifier_;
    if (fd_ >= 0) ::close(fd_);
}

// The steady clock is CLOCK_MONOTONIC on Linux, so its time points arm the kernel timer as they are.
void WakeTimer::WakeAt(Clock::time_point when) {
    if (fd_ < 0) {
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(when - Clock::now());
        fallback_.start(std::max<std::chrono::milliseconds>(wait, std::chrono::milliseconds(0)));
        return;
    }
    int64_t ns = std::chrono::duration_cast<std::chrono::nanoseconds>(when.time_since_epoch()).count();
    if (ns <= 0) ns = 1;  // an all-zero time would disarm it
    itimerspec due{};
    due.it_value.tv_sec = time_t(ns / 1000000000);
    due.it_value.tv_nsec = long(ns % 1000000000);
    timerfd_settime(fd_, TFD_TIMER_ABSTIME, &due, nullptr);
}

void WakeTimer::Cancel() {
    fallback_.stop();
    if (fd_ < 0) return;
    itimerspec off{};
    timerfd_settime(fd_, 0, &off, nullptr);
    uint64_t expirations;
    while (::read(fd_, &expirations, sizeof expirations) > 0) {
    }
}

void WakeTimer::onFire() {
    uint64_t expirations = 0;
    if (::read(fd_, &expirations, sizeof expirations) == ssize_t(sizeof expirations)) ++fired_;
}
