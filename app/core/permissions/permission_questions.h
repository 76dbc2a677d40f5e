#pragma once

#include "core/interfaces/confirm_prompt.h"
#include "core/interfaces/window_ref.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tornel {

// The access questions that file-request handlers are waiting on. Each wait
// runs the event loop inside the one before it, so their number is bounded;
// a repeated request (same requester, node and file) joins the unanswered
// prompt of the first instead of opening another.
class PermissionQuestions {
  public:
    static constexpr size_t kMaxWaiting = 8;

    struct Request {
        std::string requester;
        std::string nodeID;
        std::string fullPath;
        friend bool operator==(const Request&, const Request&) = default;
    };

    // Whether another wait would go beyond the bound.
    bool full() const { return waits_.size() >= kMaxWaiting; }
    size_t waiting() const { return waits_.size(); }
    // The unanswered prompt shown for `request`, or an empty reference.
    WindowRef<ConfirmPrompt> openPromptFor(const Request& request) const;

    // One handler waiting for an answer, counted for as long as it lives.
    class Wait {
      public:
        Wait(PermissionQuestions& questions, Request request);
        ~Wait();
        Wait(const Wait&) = delete;
        Wait& operator=(const Wait&) = delete;

        // The prompt whose answer this handler waits for.
        void setPrompt(const WindowRef<ConfirmPrompt>& prompt);

      private:
        PermissionQuestions& questions_;
        uint64_t serial_;
    };

  private:
    struct Entry {
        uint64_t serial;
        Request request;
        WindowRef<ConfirmPrompt> prompt;
    };

    std::vector<Entry> waits_;
    uint64_t nextSerial_ = 0;
};

}  // namespace tornel
