#pragma once

#include "core/interfaces/confirm_prompt.h"
#include "core/interfaces/window_ref.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tornel {

// The access questions that file-request handlers are waiting on. Each wait
// runs the event loop inside the one before it, so their number is bounded:
// one open question per requesting node, a few nodes' questions at a time,
// and a few requests of one node waiting on its question. A node's further
// requests join its open question and take its answer, so one node's
// requests never use up the questions of the others.
class PermissionQuestions {
  public:
    // Open questions at once, one per requesting node.
    static constexpr size_t kMaxQuestions = 8;
    // Requests of one node waiting on its open question, the asking one included.
    static constexpr size_t kMaxWaitsPerNode = 8;

    struct Request {
        std::string requester;
        std::string nodeID;
        std::string fullPath;
        friend bool operator==(const Request&, const Request&) = default;
    };

    // What a new request does: asks a question of its own, joins the open
    // question of its node, or is refused for want of room.
    enum class Place { Ask, Join, Refuse };
    Place placeFor(const Request& request) const;

    // Handlers waiting, and the questions among them not answered yet.
    size_t waiting() const { return waits_.size(); }
    size_t openQuestions() const;

    // One handler waiting for an answer, counted for as long as it lives.
    class Wait {
      public:
        // `place` is what placeFor gave: Ask, or Join (which asks when its
        // node has no open question).
        Wait(PermissionQuestions& questions, Request request, Place place);
        ~Wait();
        Wait(const Wait&) = delete;
        Wait& operator=(const Wait&) = delete;

        // Whether this wait asks the question (and shows its prompt).
        bool asks() const { return question_ == serial_; }
        // The prompt of the question this wait asks, once loaded (empty when
        // none could be: the question is then refused).
        void setPrompt(const WindowRef<ConfirmPrompt>& prompt);
        // The answer to the question this wait asks or joined (true: allowed);
        // none while it is open. A prompt that is gone refuses.
        std::optional<bool> answer() const;
        // Answers the question's open prompt as granted: a grant made since
        // admits the request.
        void answerAsGranted() const;
        // Closes the prompt of the question this wait asks.
        void unloadPrompt() const;

      private:
        PermissionQuestions& questions_;
        const uint64_t serial_;
        uint64_t question_;
    };

  private:
    struct Entry {
        uint64_t serial;
        Request request;
        // The serial of the asking entry: its own when it asks.
        uint64_t question;
        bool promptSet = false;
        WindowRef<ConfirmPrompt> prompt;
    };

    const Entry* find(uint64_t serial) const;
    Entry* find(uint64_t serial);
    // An asking entry whose question is not answered yet.
    static bool isOpen(const Entry& entry);
    // The open question of `nodeID`, or null.
    const Entry* openQuestionOf(const std::string& nodeID) const;
    size_t waitsOn(uint64_t question) const;

    std::vector<Entry> waits_;
    uint64_t nextSerial_ = 0;
};

}  // namespace tornel
