#pragma once

#include "core/push/parked_offers.h"
#include "qellib/variant.h"

#include <string>

namespace tornel {

struct AppState;

// Where Accept saves an offered file: the download folder and the offered
// name's last component; "" when the name leaves nothing usable ("", ".",
// "..").
std::string acceptPath(const std::string& downloadPath, const std::string& offeredName);

// An offer {name, size} from `nodeID`: the incoming-file prompt asks the
// user and the offer is parked on it; the handler returns at once. The
// answer makes a file taken a pushed download and answers {"ACCEPT", its
// request ID}, else "REFUSE". Accept never replaces a file: a taken name
// becomes "name (2).ext" and so on. Beyond the bound on waiting offers, or
// without a prompt, "REFUSE" at once. Parameters that do not read (no array,
// a size that is not a number) are logged and get no answer.
void Push_RemoteProcCall(AppState& state, const qel::Variant& Params, const std::string& reqID,
                         const std::string& nodeID);

// Answers, on a later pass of the event loop, every offer whose prompt has
// answered or gone; the same at once.
void settleOffersSoon(AppState& state);
void settleOffers(AppState& state);
// Answers one offer taken out of the parked ones: from its prompt's answer,
// "REFUSE" once the program is closing; nothing when its sender has gone.
void answerOffer(AppState& state, const ParkedOffers::Offer& parked);
// Refuses every parked offer: the run is ending.
void refuseParkedOffers(AppState& state);

}  // namespace tornel
