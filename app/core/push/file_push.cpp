#include "core/push/file_push.h"

#include "core/log/guarded.h"
#include "core/network/controller.h"
#include "core/network/peer_link.h"
#include "core/network/session.h"
#include "core/push/upload.h"
#include "core/state/app_state.h"
#include "platform/files.h"
#include "qellib/qel.h"
#include "qellib/rpc.h"
#include "qellib/x_file.h"

#include <filesystem>

namespace tornel {
namespace {

constexpr std::string_view DefaultTitle = "Tornel";

qel::cQELRPC& pushObject(const AppState& state) {
    if (!state.controller || !state.controller->Push) {
        throw platform::RuntimeError(platform::rt::ObjectNotSet);
    }
    return *state.controller->Push;
}

std::string lastComponent(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

// The size of the plain file at `path`; raises a runtime error for a
// folder, anything else that is not a plain file, or a missing path.
int64_t offeredSize(const std::string& path) {
    const std::optional<platform::FileStatus> status = platform::fileStatus(path);
    if (!status) {
        throw platform::RuntimeError(platform::rt::FileNotFound, "File not found: " + path);
    }
    if (status->kind != platform::EntryKind::File) {
        throw platform::RuntimeError(platform::rt::PathFileAccessError,
                                     "Only plain files can be sent, not " + path);
    }
    return status->size;
}

// Sends the accepted file to the receiver under the receiver's request ID.
// An empty file has nothing to stream: one complete block without data
// finishes the receiver's download.
void sendAccepted(AppState& state, const cUpload& offer, const std::string& downloadReqID) {
    if (downloadReqID.empty()) {
        throw platform::RuntimeError(platform::rt::InvalidProcedureCall,
                                     "The receiver accepted without a request ID");
    }
    if (offeredSize(offer.filePath) == 0) {
        session(state).sendFile(offer.nodeID, downloadReqID, "", qel::FS_Complete);
        return;
    }
    auto upload = std::make_shared<qel::cXFile>();
    upload->fullPath = offer.filePath;
    upload->Resource = lastComponent(offer.filePath);
    session(state).sendFile(offer.nodeID, downloadReqID, "", qel::FS_Transferring, "", nullptr,
                            upload);
}

}  // namespace

void pushFile(AppState& state, const qel::typNodeInfo& node) {
    guarded(state.log, "pushFile", [&] {
        const std::string chosen = state.ui.prompts->openFileName("Send File to " + node.Name);
        if (!chosen.empty()) {
            startPush(state, chosen, node.ID);
        }
    });
}

void startPush(AppState& state, const std::string& path, const std::string& nodeID) {
    guarded(state.log, "startPush", [&] {
        auto offer = std::make_shared<cUpload>();
        offer->filePath = path;
        offer->nodeID = nodeID;
        const qel::StringArray arguments{lastComponent(path), std::to_string(offeredSize(path))};
        offer->reqID = pushObject(state).callRemoteProc(nodeID, "Push", arguments);
        if (offer->reqID.empty() || offer->reqID == "-1") {
            throw platform::RuntimeError(platform::rt::ObjectNotSet,
                                         "The offer of " + path + " could not be sent");
        }
        const std::string key = offer->reqID;
        state.pendingPushes.add(std::move(offer), key);
    });
}

void Push_RemoteProcReturn(AppState& state, const qel::Variant& Params, const std::string& reqID,
                           const std::string& nodeID) {
    guarded(state.log, "Push_RemoteProcReturn", [&] {
        std::string answer;
        std::string downloadReqID;
        if (const auto* array = std::get_if<qel::StringArray>(&Params)) {
            answer = array->empty() ? std::string() : array->front();
            downloadReqID = array->size() > 1 ? (*array)[1] : std::string();
        } else {
            answer = qel::toText(Params).value_or("");
        }
        std::shared_ptr<cUpload>* pending = state.pendingPushes.find(reqID);
        if (!pending) {
            return;
        }
        const std::shared_ptr<cUpload> offer = *pending;
        state.pendingPushes.remove(reqID);
        const std::string file = lastComponent(offer->filePath);
        if (answer == "ACCEPT") {
            sendAccepted(state, *offer, downloadReqID);
        } else if (answer == "REFUSE") {
            state.ui.prompts->messageBox(getUserName(state, nodeID) + " refused \"" + file + "\".",
                                         PromptButtons::Ok, PromptIcon::Information,
                                         std::string(DefaultTitle));
        } else {
            state.ui.prompts->messageBox(
                "Could not send \"" + file + "\" to " + getUserName(state, nodeID) + ".",
                PromptButtons::Ok, PromptIcon::Exclamation, std::string(DefaultTitle));
        }
    });
}

}  // namespace tornel
