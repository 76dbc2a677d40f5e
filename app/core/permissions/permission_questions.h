#pragma once

#include "core/interfaces/confirm_prompt.h"
#include "core/interfaces/window_ref.h"
#include "core/util/deferred_pass.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qel {
class cXRange;
}

namespace tornel {

// The file requests parked until the user answers the access question of
// their node. A request that needs the question is parked here and its
// handler returns at once; the answer serves or refuses every request
// parked on the question. Bounded: one open question per requesting node, a
// few nodes' questions at a time, and a few requests of one node on its
// question. A node's further requests join its open question and take its
// answer, so one node's requests never use up the questions of the others.
class PermissionQuestions {
  public:
    // Open questions at once, one per requesting node.
    static constexpr size_t kMaxQuestions = 8;
    // Requests of one node parked on its open question, the asking one included.
    static constexpr size_t kMaxWaitsPerNode = 8;

    // What answering a request later needs.
    struct Request {
        std::string requester;  // the metadata: whom a grant has to name
        std::string nodeID;     // where the answer goes
        std::string reqID;
        std::string resource;  // the path as the requester named it
        std::string fullPath;  // the local file it resolved to
        std::shared_ptr<qel::cXRange> range;
        // The connection the request came on; the requester counts as gone
        // once it has closed.
        std::optional<std::string> connectionID;
    };

    // One node's question with the requests parked on it.
    struct Question {
        std::string nodeID;
        WindowRef<ConfirmPrompt> prompt;
        std::vector<Request> requests;
    };

    // What a new request of `nodeID` does: asks a question of its own, joins
    // the open question of its node, or is refused for want of room.
    enum class Place { Ask, Join, Refuse };
    Place placeFor(const std::string& nodeID) const;

    // Parks `request` on a new question asked by `prompt` (placeFor gave Ask).
    void ask(Request request, WindowRef<ConfirmPrompt> prompt);
    // Parks `request` on its node's open question (placeFor gave Join).
    void join(Request request);

    // Requests parked, and questions open.
    size_t waiting() const;
    size_t openQuestions() const { return questions_.size(); }

    // Takes out the questions that `over` holds for, in the order asked.
    std::vector<Question> takeIf(const std::function<bool(const Question&)>& over);

    // Settles the questions on a later pass of the event loop (an answer, a
    // closed prompt or a new grant asks for one).
    DeferredPass settlePass;

  private:
    Question* questionOf(const std::string& nodeID);
    const Question* questionOf(const std::string& nodeID) const;

    std::vector<Question> questions_;
};

}  // namespace tornel
