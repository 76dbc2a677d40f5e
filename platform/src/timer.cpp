#include "platform/timer.h"

#include <QTimer>

#include <algorithm>
#include <climits>

namespace platform {

struct Timer::Impl {
    QTimer timer;
    Handler onTimer;
    int64_t intervalMs = 0;
    bool enabled = false;
    bool running = false;

    void restart() {
        timer.stop();
        if (enabled && intervalMs > 0) {
            timer.start(static_cast<int>(std::min<int64_t>(intervalMs, INT_MAX)));
        }
    }

    void fire() {
        if (running || !onTimer) {
            return;
        }
        running = true;
        try {
            onTimer();
        } catch (...) {
            // A failing handler must not stop the timer or the loop.
        }
        running = false;
    }
};

Timer::Timer() : impl_(std::make_unique<Impl>()) {
    impl_->timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&impl_->timer, &QTimer::timeout, [impl = impl_.get()] { impl->fire(); });
}

Timer::Timer(Handler onTimer) : Timer() {
    setHandler(std::move(onTimer));
}

Timer::~Timer() = default;

void Timer::setHandler(Handler onTimer) {
    impl_->onTimer = std::move(onTimer);
}

void Timer::setInterval(int64_t ms) {
    impl_->intervalMs = std::max<int64_t>(ms, 0);
    impl_->restart();
}

int64_t Timer::interval() const {
    return impl_->intervalMs;
}

void Timer::setEnabled(bool enabled) {
    impl_->enabled = enabled;
    impl_->restart();
}

bool Timer::enabled() const {
    return impl_->enabled;
}

}  // namespace platform
