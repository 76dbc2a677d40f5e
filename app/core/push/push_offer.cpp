#include "core/push/push_offer.h"

#include "core/downloads/download_manager.h"
#include "core/downloads/unused_local_path.h"
#include "core/log/guarded.h"
#include "core/network/controller.h"
#include "core/network/peer_link.h"
#include "core/state/app_state.h"
#include "core/state/download.h"
#include "core/util/safe_local_name.h"
#include "core/util/utilities.h"
#include "platform/runtime_error.h"
#include "qellib/rpc.h"

#include <filesystem>

namespace tornel {
namespace {

struct Offer {
    std::string name;
    int64_t size = 0;
};

Offer readOffer(const qel::Variant& Params) {
    const auto* arguments = std::get_if<qel::StringArray>(&Params);
    if (!arguments || arguments->size() < 2) {
        throw platform::RuntimeError(platform::rt::TypeMismatch, "The offer is not {name, size}");
    }
    const std::optional<int64_t> size = qel::parseInt64((*arguments)[1]);
    if (!size || *size < 0) {
        throw platform::RuntimeError(platform::rt::TypeMismatch,
                                     "The offered size is not a number: " + (*arguments)[1]);
    }
    return {(*arguments)[0], *size};
}

// The offer settles once its prompt answers or goes.
void watch(AppState& state, const WindowRef<IncomingPrompt>& prompt) {
    prompt->whenAnswered([&state] { settleOffersSoon(state); });
    state.parkedOffers.settlePass.requestWhenDestroyed(prompt.object());
}

// Shows the prompt for the offer and parks the offer on it; false when no
// prompt could be shown.
bool parkOnPrompt(AppState& state, const Offer& offer, const std::string& reqID,
                  const std::string& nodeID, const std::shared_ptr<qel::cQELRPC>& push) {
    const WindowRef<IncomingPrompt> prompt = state.ui.incoming->newPrompt();
    if (!prompt) {
        return false;
    }
    const std::string sender = getUserName(state, nodeID);
    if (!prompt) {
        return false;  // the name lookup may let events run
    }
    prompt->setInfo(sender + " would like to send you a file.");
    prompt->setNameText(offer.name);
    prompt->setSizeText("Size: " + getSize(offer.size));
    prompt->setFileName(offer.name);
    prompt->showPlaced();
    state.ui.prompts->beep();
    state.parkedOffers.park({reqID, nodeID, offer.name, offer.size, prompt, push});
    watch(state, prompt);
    settleOffersSoon(state);  // a prompt may have its answer already
    return true;
}

bool isOver(const AppState& state, const ParkedOffers::Offer& parked) {
    return state.closing || !parked.prompt || parked.prompt->Decision();
}

// The path the user chose for the offer, "" when refused; the prompt is closed.
std::string savePathOf(const AppState& state, const ParkedOffers::Offer& parked) {
    IncomingPrompt* prompt = parked.prompt.get();
    if (!prompt) {
        return {};
    }
    const std::string savePath = prompt->Decision() && !state.closing ? prompt->savePath() : "";
    prompt->unload();
    return savePath;
}

// The pushed download: its file prepared and open, listed in `downloads`.
std::shared_ptr<cDownload> startPushedDownload(AppState& state, const Offer& offer,
                                               const std::string& nodeID,
                                               const std::string& localPath,
                                               bool chosenByUser) {
    auto dl = std::make_shared<cDownload>(state);
    dl->Key = GUID();
    dl->pushedFile = true;
    dl->reqID = GUID();
    dl->nodeID = nodeID;
    dl->localPath = localPath;
    dl->lngSize = offer.size;
    dl->remotePath = "\\UPLOAD\\" + safeLocalName(offer.name);
    // Only a place the user chose with "Save to..." replaces a file that is
    // there when the download completes; Accept's place takes a free name.
    dl->mayReplaceLocalFile = chosenByUser;
    initDownload(state, dl, false, false);
    startDownload(state, dl, false);
    state.downloads.add(dl, dl->Key);
    return dl;
}

}  // namespace

std::string acceptPath(const std::string& downloadPath, const std::string& offeredName) {
    const std::string name = safeLocalName(offeredName, "");
    if (name.empty()) {
        return {};
    }
    return (std::filesystem::path(downloadPath) / name).string();
}

void Push_RemoteProcCall(AppState& state, const qel::Variant& Params, const std::string& reqID,
                         const std::string& nodeID) {
    const std::string source = "Push_RemoteProcCall";
    guarded(state.log, source, [&] {
        const Offer offer = readOffer(Params);
        // The answer goes out through the object that received the call,
        // even when the controller is gone by the time the user answers.
        const std::shared_ptr<qel::cQELRPC> push =
            state.controller ? state.controller->Push : nullptr;
        if (!push) {
            throw platform::RuntimeError(platform::rt::ObjectNotSet);
        }
        if (state.parkedOffers.full()) {
            state.logError("Too many offers at once; refused " + offer.name + " from " + nodeID, -1,
                           source);
            push->returnRemoteProc(reqID, std::string("REFUSE"));
            return;
        }
        if (!parkOnPrompt(state, offer, reqID, nodeID, push)) {
            push->returnRemoteProc(reqID, std::string("REFUSE"));
        }
    });
}

void answerOffer(AppState& state, const ParkedOffers::Offer& parked) {
    guarded(state.log, "Push_RemoteProcCall", [&] {
        std::string savePath = savePathOf(state, parked);
        if (parked.senderGone) {
            return;
        }
        const std::shared_ptr<qel::cQELRPC>& push = parked.push;
        if (savePath.empty()) {
            push->returnRemoteProc(parked.reqID, std::string("REFUSE"));
            return;
        }
        const Offer offer{parked.name, parked.size};
        // Accept never replaces a file; a place chosen with "Save to..." was confirmed.
        const bool chosenByUser = savePath != acceptPath(state.DownloadPath, offer.name);
        if (!chosenByUser) {
            savePath = unusedLocalPath(state, savePath);
        }
        const std::shared_ptr<cDownload> dl =
            startPushedDownload(state, offer, parked.nodeID, savePath, chosenByUser);
        if (dl->Status != DL_Downloading || !dl->fileIO) {
            push->returnRemoteProc(parked.reqID, std::string("REFUSE"));
            return;
        }
        push->returnRemoteProc(parked.reqID, qel::StringArray{"ACCEPT", dl->reqID});
    });
}

void settleOffersSoon(AppState& state) {
    DeferredPass& pass = state.parkedOffers.settlePass;
    pass.setWork([&state] { settleOffers(state); });
    pass.request();
}

void settleOffers(AppState& state) {
    const std::vector<ParkedOffers::Offer> over = state.parkedOffers.takeIf(
        [&](const ParkedOffers::Offer& parked) { return isOver(state, parked); });
    for (const ParkedOffers::Offer& parked : over) {
        answerOffer(state, parked);
    }
}

void refuseParkedOffers(AppState& state) {
    const std::vector<ParkedOffers::Offer> all =
        state.parkedOffers.takeIf([](const ParkedOffers::Offer&) { return true; });
    for (const ParkedOffers::Offer& parked : all) {
        answerOffer(state, parked);  // closing: each is refused
    }
}

}  // namespace tornel
