#pragma once

#include "core/interfaces/incoming_prompt.h"
#include "core/interfaces/window_ref.h"
#include "core/util/deferred_pass.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qel {
class cQELRPC;
}

namespace tornel {

// The file offers ("Push" calls) parked until the user answers their
// incoming-file prompt: the call's handler returns at once and the prompt's
// answer answers the call. At most `kMaxOffers` wait at once.
class ParkedOffers {
  public:
    static constexpr size_t kMaxOffers = 8;

    struct Offer {
        std::string reqID;   // of the "Push" call
        std::string nodeID;  // the sender
        std::string name;    // as offered
        int64_t size = 0;
        WindowRef<IncomingPrompt> prompt;
        // The object the call came to: the answer goes out through it.
        std::shared_ptr<qel::cQELRPC> push;
        // The sender's connection closed after the offer came.
        bool senderGone = false;
    };

    bool full() const { return offers_.size() >= kMaxOffers; }
    size_t count() const { return offers_.size(); }
    void park(Offer offer);
    // The connection to `nodeID` closed: its offers get no answer.
    void connectionLost(const std::string& nodeID);
    // Takes out the offers that `over` holds for, in the order they came.
    std::vector<Offer> takeIf(const std::function<bool(const Offer&)>& over);

    // Answers the offers on a later pass of the event loop (an answer or a
    // closed prompt asks for one).
    DeferredPass settlePass;

  private:
    std::vector<Offer> offers_;
};

}  // namespace tornel
