#pragma once

#include "platform/timer.h"

#include <QObject>

#include <functional>

namespace tornel {

// Runs its work once on a later pass of the event loop, however often it is
// asked for before then: work that an answer or a closed window sets off
// runs from the loop, never inside the click or the event that asked.
class DeferredPass {
  public:
    DeferredPass();
    DeferredPass(const DeferredPass&) = delete;
    DeferredPass& operator=(const DeferredPass&) = delete;

    void setWork(std::function<void()> work) { work_ = std::move(work); }
    // Asks for a pass.
    void request();
    // Asks for a pass once `object` is destroyed (while this lives).
    void requestWhenDestroyed(const QObject* object);

  private:
    std::function<void()> work_;
    platform::Timer timer_;
    // Ends the destroyed-watches with this object.
    QObject context_;
};

}  // namespace tornel
