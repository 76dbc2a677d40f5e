#pragma once

#include <functional>
#include <utility>

namespace tornel {

// How a prompt hands its answer back: the core, which parks the request the
// prompt asks about, sets one handler; the prompt calls answered() once its
// Decision() holds. The handler runs once; one set after the answer does not
// run (the core reads Decision() when it parks).
class PromptAnswerNotice {
  public:
    void whenAnswered(std::function<void()> handler) { handler_ = std::move(handler); }

  protected:
    ~PromptAnswerNotice() = default;
    void answered() {
        if (std::function<void()> handler = std::exchange(handler_, nullptr)) {
            handler();
        }
    }

  private:
    std::function<void()> handler_;
};

}  // namespace tornel
