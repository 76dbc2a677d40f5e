#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <functional>
#include <memory>

namespace tornel {

// Turns SIGTERM, SIGINT and SIGHUP into a call of `onSignal` from the event
// loop, so that a logout, Ctrl+C or a closed terminal ends the program in
// order. One object per process; the default handling comes back when it
// goes.
class TerminationSignals {
  public:
    explicit TerminationSignals(std::function<void()> onSignal);
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

  private:
    std::function<void()> onSignal_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace tornel
