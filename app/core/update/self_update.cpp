#include "core/update/self_update.h"

#include "core/log/guarded.h"
#include "core/network/controller.h"
#include "core/network/session.h"
#include "core/program/shutdown.h"
#include "core/state/app_state.h"
#include "core/update/program_image.h"
#include "core/update/update_files.h"
#include "core/update/version_answer.h"
#include "platform/ascii.h"
#include "platform/event_loop.h"
#include "platform/files.h"
#include "qellib/qel.h"
#include "qellib/rpc.h"
#include "version.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>

#include <unistd.h>

namespace tornel {
namespace {

constexpr std::string_view VersionProc = "GetVersion";
constexpr std::string_view ImageProc = "GetEXE";
constexpr std::string_view ReceiveSource = "QEL_FileReceived";
constexpr std::string_view ReturnSource = "Update_RemoteProcReturn";
constexpr std::string_view CallSource = "Update_RemoteProcCall";
// How often answers of undescribed nodes are looked at again: a
// description comes within a round trip.
constexpr int64_t DescribedPollMs = 50;

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

qel::cQELRPC& updateProcedures(const AppState& state) {
    if (!state.controller || !state.controller->Update) {
        throw platform::RuntimeError(platform::rt::ObjectNotSet);
    }
    return *state.controller->Update;
}

}  // namespace

UpdateSetup UpdateSetup::forThisProgram() {
    return {QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString(), kRevision,
            startDetached};
}

SelfUpdate::SelfUpdate(AppState& state, UpdateSetup setup)
    : state_(state),
      setup_(std::move(setup)),
      image_(updateFilePath(state.programFolder), program_image::ownHead()),
      imageUploads_(state) {
    stallTimer_.setHandler([this] { stalled(); });
    connectionPoll_.setHandler(
        [this] { guarded(state_.log, "checkForUpdate", [this] { askWhenConnected(); }); });
    describedPoll_.setInterval(DescribedPollMs);
    describedPoll_.setHandler([this] {
        guarded(state_.log, "Update_RemoteProcReturn", [this] { evaluateDescribedAnswers(); });
    });
}

void SelfUpdate::checkForUpdate() {
    if (state_.commandLine.has(SwitchDebug) || phase_ != Phase::Idle) {
        return;
    }
    phase_ = Phase::WaitingToAsk;
    waitingSince_ = platform::tickCount();
    askWhenConnected();
}

void SelfUpdate::askWhenConnected() {
    if (phase_ != Phase::WaitingToAsk) {
        connectionPoll_.setEnabled(false);
        return;
    }
    if (!session(state_).isConnected()) {
        if (platform::tickCount() - waitingSince_ >= ConnectionWaitMs) {
            connectionPoll_.setEnabled(false);
            phase_ = Phase::Done;
        } else if (!connectionPoll_.enabled()) {
            connectionPoll_.setInterval(ConnectionPollMs);
            connectionPoll_.setEnabled(true);
        }
        return;
    }
    connectionPoll_.setEnabled(false);
    versionRequest_ =
        updateProcedures(state_).callRemoteProc("BROADCAST", std::string(VersionProc));
    askedAt_ = platform::tickCount();
    phase_ = Phase::Asking;
}

void SelfUpdate::RemoteProcCall(const std::string& ProcName, const std::string& reqID,
                                const std::string& nodeID) {
    if (platform::asciiEqualsIgnoreCase(ProcName, VersionProc)) {
        // A test copy never looks newer than anyone.
        const int64_t revision = state_.commandLine.has(SwitchDebug) ? 0 : setup_.revision;
        updateProcedures(state_).returnRemoteProc(reqID, revision);
    } else if (platform::asciiEqualsIgnoreCase(ProcName, ImageProc)) {
        sendImage(reqID, nodeID);
    }
}

void SelfUpdate::sendImage(const std::string& reqID, const std::string& nodeID) {
    // Under the call's request ID, so that the asking copy can tell the
    // image from other file data.
    if (const auto refused = imageUploads_.start(setup_.executable, nodeID, reqID)) {
        state_.logError(*refused, -1, std::string(CallSource));
        updateProcedures(state_).returnRemoteProc(reqID, std::string(ImageRefusal));
    }
}

void SelfUpdate::RemoteProcReturn(const std::string& ProcName, const qel::Variant& Params,
                                  const std::string& reqID, const std::string& nodeID) {
    if (ProcName == ImageProc) {
        imageCallAnswered(Params, reqID, nodeID);
        return;
    }
    if (ProcName != VersionProc || !answerCounts(reqID)) {
        return;
    }
    // Raised for a packet, the lookup answers at once: from what is known,
    // else empty while the library asks the node.
    const std::vector<qel::typNodeInfo> found = session(state_).getNodeInfo(nodeID, true);
    if (!found.empty() && !found.front().ID.empty()) {
        evaluateAnswer(found.front(), Params, reqID);
    } else if (undescribed_.size() < MaxUndescribedAnswers) {
        undescribed_.push_back({nodeID, Params, reqID});
        describedPoll_.setEnabled(true);
    }
}

void SelfUpdate::evaluateAnswer(const qel::typNodeInfo& node, const qel::Variant& Params,
                                const std::string& reqID) {
    // Looking the node up may have let another answer start the update.
    if (answerCounts(reqID) && offersNewerRevision(node.Descriptor, Params, setup_.revision)) {
        beginUpdate(node.ID);
    }
}

void SelfUpdate::evaluateDescribedAnswers() {
    std::vector<UndescribedAnswer> described;
    std::erase_if(undescribed_, [&](UndescribedAnswer& answer) {
        if (!answerCounts(answer.reqID)) {
            return true;
        }
        if (session(state_).knownNodeInfo(answer.nodeID).ID.empty()) {
            return false;
        }
        described.push_back(std::move(answer));
        return true;
    });
    if (undescribed_.empty()) {
        describedPoll_.setEnabled(false);
    }
    for (const UndescribedAnswer& answer : described) {
        evaluateAnswer(session(state_).knownNodeInfo(answer.nodeID), answer.Params, answer.reqID);
    }
}

// The image comes as file data; an answer to its call means that it does not come.
void SelfUpdate::imageCallAnswered(const qel::Variant& Params, const std::string& reqID,
                                   const std::string& nodeID) {
    if (phase_ != Phase::Receiving || reqID != imageRequest_) {
        return;
    }
    const auto* text = std::get_if<std::string>(&Params);
    if (text != nullptr && *text == "OK") {
        return;  // a plain acknowledgement: the file may still come
    }
    refuse(nodeID + " does not send its program file: " + (text ? *text : std::string("?")),
           ReturnSource);
}

bool SelfUpdate::answerCounts(const std::string& reqID) const {
    return phase_ == Phase::Asking && reqID == versionRequest_ &&
           platform::tickCount() - askedAt_ <= VersionAnswerWindowMs;
}

std::optional<std::string> SelfUpdate::folderRefusal() const {
    const auto folder = platform::resolvedPath(state_.programFolder);
    const auto programFolder = platform::resolvedPath(folderOf(setup_.executable));
    if (!folder || folder != programFolder) {
        return "The update is refused: the program " + setup_.executable +
               " does not lie in the program folder " + state_.programFolder;
    }
    if (::access(folder->c_str(), W_OK) != 0) {
        return "The update is refused: the program folder " + state_.programFolder +
               " is not writable";
    }
    return std::nullopt;
}

void SelfUpdate::beginUpdate(const std::string& nodeID) {
    phase_ = Phase::Done;  // one update per run, however this one ends
    if (const auto refused = folderRefusal()) {
        state_.logError(*refused, -1, "Update_RemoteProcReturn");
        return;
    }
    skipFailure([&] { state_.ui.tray->setToolTip("Updating"); });
    if (const int error = image_.create(); error != 0) {
        endUpdate(false);
        throw platform::errorFromErrno(error);
    }
    phase_ = Phase::Receiving;
    std::weak_ptr<SelfUpdate> self = weak_from_this();
    // Ending the update drops this receiver while it runs: it touches none of
    // its own members once the block is handed on.
    state_.controller->beginUpdate([self](std::string& reqID, std::string& strData,
                                          const qel::cXRange* range, qel::enmFileStatus status,
                                          const std::optional<std::string>& from) {
        if (const auto update = self.lock()) {
            update->fileReceived(reqID, strData, range, status, from);
        }
    });
    stallTimer_.setInterval(UpdateStallTimeouts * std::max<int64_t>(state_.Timeout, 1));
    stallTimer_.setEnabled(true);
    imageNode_ = nodeID;
    imageRequest_ = updateProcedures(state_).callRemoteProc(nodeID, std::string(ImageProc));
    if (imageRequest_.empty() || imageRequest_ == "-1") {
        refuse("The program file could not be asked for", ReceiveSource);
    }
}

void SelfUpdate::fileReceived(const std::string& reqID, const std::string& strData,
                              const qel::cXRange* range, qel::enmFileStatus fileStatus,
                              const std::optional<std::string>& from) {
    if (phase_ != Phase::Receiving || reqID != imageRequest_ || (from && *from != imageNode_)) {
        return;  // not ours, or another node's blocks under our request ID
    }
    // Every block restarts the wait, whatever the image's size or the link's speed.
    stallTimer_.setEnabled(false);
    stallTimer_.setEnabled(true);
    const bool ranged = range != nullptr && range->lngStart >= 0 && range->lngLen >= 0;
    if (const auto refused =
            image_.append(strData, ranged ? std::optional(range->lngStart) : std::nullopt)) {
        refuse(*refused, ReceiveSource);
    } else if (fileStatus == qel::FS_Complete) {
        completeUpdate(ranged ? std::optional(range->lngLen) : std::nullopt);
    } else if (fileStatus == qel::FS_Canceled) {
        endUpdate(true);
    }
}

void SelfUpdate::completeUpdate(std::optional<int64_t> expectedSize) {
    if (const auto refused = image_.complete(expectedSize)) {
        refuse(*refused, ReceiveSource);
        return;
    }
    if (!setup_.start(image_.path(), {std::string(SwitchCopy)}, state_.programFolder)) {
        refuse(image_.path() + " could not be started", ReceiveSource);
        return;
    }
    endUpdate(true);
    shutDown(state_, false);
}

void SelfUpdate::stalled() {
    if (updating()) {
        refuse("No part of the program file arrived for " + std::to_string(stallTimer_.interval()) +
                   " ms",
               ReceiveSource);
    }
}

void SelfUpdate::refuse(const std::string& reason, std::string_view source) {
    state_.logError(reason, -1, std::string(source));
    endUpdate(false);
}

void SelfUpdate::endUpdate(bool keepImage) {
    stallTimer_.setEnabled(false);
    if (keepImage) {
        image_.close();
    } else {
        image_.discard();
    }
    phase_ = Phase::Done;
    if (state_.controller) {
        state_.controller->endUpdate();
    }
    skipFailure([&] { state_.ui.tray->setToolTip("Tornel"); });
}

void installSelfUpdate(AppState& state) {
    if (!state.controller) {
        throw platform::RuntimeError(platform::rt::ObjectNotSet);
    }
    auto update = std::make_shared<SelfUpdate>(state, UpdateSetup::forThisProgram());
    state.controller->selfUpdate = update;
    std::weak_ptr<SelfUpdate> weak = update;
    ProcedureEvents& events = *state.controller->UpdateEvents;
    events.onCall = [weak, &state](std::string& ProcName, qel::Variant&, std::string& reqID,
                                   std::string& nodeID, bool&) {
        guarded(state.log, "Update_RemoteProcCall", [&] {
            if (const auto self = weak.lock()) {
                self->RemoteProcCall(ProcName, reqID, nodeID);
            }
        });
    };
    events.onReturn = [weak, &state](std::string& ProcName, qel::Variant& Params,
                                     std::string& reqID, std::string& nodeID) {
        guarded(state.log, "Update_RemoteProcReturn", [&] {
            if (const auto self = weak.lock()) {
                self->RemoteProcReturn(ProcName, Params, reqID, nodeID);
            }
        });
    };
}

void checkForUpdate(AppState& state) {
    guarded(state.log, "checkForUpdate", [&] {
        if (!state.controller || !state.controller->selfUpdate) {
            throw platform::RuntimeError(platform::rt::ObjectNotSet);
        }
        state.controller->selfUpdate->checkForUpdate();
    });
}

}  // namespace tornel
