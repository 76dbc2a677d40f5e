#include "core/push/parked_offers.h"

#include <utility>

namespace tornel {

void ParkedOffers::park(Offer offer) {
    offers_.push_back(std::move(offer));
}

void ParkedOffers::connectionLost(const std::string& nodeID) {
    for (Offer& offer : offers_) {
        if (offer.nodeID == nodeID) {
            offer.senderGone = true;
        }
    }
}

std::vector<ParkedOffers::Offer> ParkedOffers::takeIf(
    const std::function<bool(const Offer&)>& over) {
    std::vector<Offer> taken;
    std::vector<Offer> kept;
    for (Offer& offer : offers_) {
        (over(offer) ? taken : kept).push_back(std::move(offer));
    }
    offers_ = std::move(kept);
    return taken;
}

}  // namespace tornel
