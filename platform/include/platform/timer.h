#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

// The timer control: an interval in milliseconds, an enabled flag and one
// event. It fires only while enabled with a positive interval, precisely (no
// early coarse ticks), also inside nested waits, and never re-enters its own
// handler. Changing the interval or re-enabling restarts the count.
class Timer {
  public:
    using Handler = std::function<void()>;

    Timer();
    explicit Timer(Handler onTimer);
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    void setHandler(Handler onTimer);
    void setInterval(int64_t ms);
    int64_t interval() const;
    void setEnabled(bool enabled);
    bool enabled() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform
