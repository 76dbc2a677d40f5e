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
#include "core/util/wait_for_answer.h"
#include "platform/runtime_error.h"
#include "platform/scoped_assignment.h"
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

// Shows the prompt for the offer and waits for the answer: the path to save
// to, or "" (refused, the prompt gone, or the program closing).
std::string askUser(AppState& state, const Offer& offer, const std::string& nodeID) {
    const WindowRef<IncomingPrompt> prompt = state.ui.incoming->newPrompt();
    if (!prompt) {
        return {};
    }
    // The prompt counts as open while this waits (the waits nest).
    const platform::ScopedAssignment open(state.openPushPrompts, state.openPushPrompts + 1);
    const std::string sender = getUserName(state, nodeID);
    if (!prompt) {
        return {};  // the name lookup lets events run
    }
    prompt->setInfo(sender + " would like to send you a file.");
    prompt->setNameText(offer.name);
    prompt->setSizeText("Size: " + getSize(offer.size));
    prompt->setFileName(offer.name);
    prompt->showPlaced();
    state.ui.prompts->beep();
    waitForAnswer(state, [&] { return !prompt || prompt->Decision(); });
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
                                               const std::string& localPath) {
    auto dl = std::make_shared<cDownload>(state);
    dl->Key = GUID();
    dl->pushedFile = true;
    dl->reqID = GUID();
    dl->nodeID = nodeID;
    dl->localPath = localPath;
    dl->lngSize = offer.size;
    dl->remotePath = "\\UPLOAD\\" + safeLocalName(offer.name);
    // A free place, or one the user chose to overwrite.
    dl->mayReplaceLocalFile = true;
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
        // even when the controller is gone by the end of the wait.
        const std::shared_ptr<qel::cQELRPC> push =
            state.controller ? state.controller->Push : nullptr;
        if (!push) {
            throw platform::RuntimeError(platform::rt::ObjectNotSet);
        }
        if (state.openPushPrompts >= MaxOpenPushPrompts) {
            state.logError("Too many offers at once; refused " + offer.name + " from " + nodeID, -1,
                           source);
            push->returnRemoteProc(reqID, std::string("REFUSE"));
            return;
        }
        std::string savePath = askUser(state, offer, nodeID);
        if (savePath.empty()) {
            push->returnRemoteProc(reqID, std::string("REFUSE"));
            return;
        }
        // Accept never replaces a file; a place chosen with "Save to..." was confirmed.
        if (savePath == acceptPath(state.DownloadPath, offer.name)) {
            savePath = unusedLocalPath(state, savePath);
        }
        const std::shared_ptr<cDownload> dl = startPushedDownload(state, offer, nodeID, savePath);
        if (dl->Status != DL_Downloading || !dl->fileIO) {
            push->returnRemoteProc(reqID, std::string("REFUSE"));
            return;
        }
        push->returnRemoteProc(reqID, qel::StringArray{"ACCEPT", dl->reqID});
    });
}

}  // namespace tornel
