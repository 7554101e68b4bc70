#include "platform/timer.h"

#include <QCoreApplication>

namespace vb {

Timer::Timer(int interval, bool enabled) : interval_(interval < 0 ? 0 : interval), enabled_(enabled) {
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        if (enabled_ && interval_ > 0 && OnTimer) OnTimer();
    });
    restart();
}

void Timer::restart() {
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

}  // namespace vb
