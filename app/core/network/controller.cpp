#include "core/network/controller.h"

#include "core/chat/chat_line_bound.h"
#include "core/chat/unsolicited_chats.h"
#include "core/downloads/download_manager.h"
#include "core/log/guarded.h"
#include "core/network/peer_link.h"
#include "core/network/session.h"
#include "core/permissions/file_request.h"
#include "core/procedures/procedure_routing.h"
#include "core/state/app_state.h"
#include "platform/ascii.h"

namespace tornel {
namespace {

constexpr int kImageUser = 1;
constexpr int kImageLoading = 3;
constexpr int kImageUserSharing = 4;
constexpr int kImageNetwork = 5;

// The open chat window with `nodeID`, or an empty reference.
WindowRef<ChatWindow> chatWindowOf(const AppState& state, const std::string& nodeID) {
    for (const WindowRef<ChatWindow>& window : state.chatWindows.snapshot()) {
        if (window && window->recipientID() == nodeID) {
            return window;
        }
    }
    return {};
}

// Whether the node is one the users list shows: this program's kind, the
// earlier product's kind, or any kind with ShowOther.
bool listedKind(const AppState& state, const std::string& descriptor) {
    return platform::asciiUpper(descriptor) == "TORNEL_NODE" ||
           platform::asciiEqualsIgnoreCase(descriptor, "KESTO_NODE") || state.ShowOther;
}

}  // namespace

cMain::cMain(AppState& state)
    : state_(state),
      waitingLines_(state,
                    [this](const qel::typNodeInfo& node, const std::string& line) {
                        if (!addToChatWindow(node.ID, line)) {
                            openChatWith(node, line);
                        }
                    }),
      lostPeerWatch_(state) {
    routeProgramProcedures(*this, state);
}

void cMain::beginUpdate(UpdateReceiver receiver) {
    updateReceiver_ = std::move(receiver);
    updating = true;
}

void cMain::endUpdate() {
    updating = false;
    updateReceiver_ = nullptr;
}

void cMain::MessageReceived(std::string& strMessage, std::string& /*strType*/,
                            std::string& nodeID) {
    guarded(state_.log, "QEL_MessageReceived", [&] {
        strMessage = boundedChatLine(std::move(strMessage));
        if (waitingLines_.holds(nodeID)) {
            waitingLines_.add(nodeID, strMessage);  // never overtakes its node's waiting lines
            return;
        }
        if (addToChatWindow(nodeID, strMessage)) {
            return;
        }
        // Raised for a packet, the call answers at once: from what the node
        // table holds, else empty while the library asks the node.
        const std::vector<qel::typNodeInfo> found = session(state_).getNodeInfo(nodeID, false);
        if (found.empty() || found.front().ID.empty()) {
            waitingLines_.add(nodeID, strMessage);
            return;
        }
        openChatWith(found.front(), strMessage);
    });
}

bool cMain::addToChatWindow(const std::string& nodeID, const std::string& text) {
    const WindowRef<ChatWindow> window = chatWindowOf(state_, nodeID);
    if (!window) {
        return false;
    }
    const std::string line = getUserName(state_, nodeID) + ": " + text;
    if (ChatWindow* chat = window.get()) {  // the name lookup may let events run
        chat->addMessage(line, true);
        if (!chat->isForeground() || chat->isMinimised()) {
            chat->flash();
        }
    }
    return true;
}

// A peer whose window could not be opened loses the line.
void cMain::openChatWith(const qel::typNodeInfo& node, const std::string& text) {
    if (!openUnsolicitedChat(state_, node)) {
        return;  // beyond the bound on windows that peers' lines open (logged)
    }
    if (!addToChatWindow(node.ID, text)) {
        state_.logError("No chat window could be opened for " + node.ID, -1, "QEL_MessageReceived");
    }
}

void cMain::FileReceived(std::string& reqID, std::string& strData,
                         std::shared_ptr<qel::cXRange>& Range, qel::enmFileStatus& fileStatus,
                         qel::Variant& /*Metadata*/) {
    guarded(state_.log, "QEL_FileReceived", [&] {
        // A running download keeps its blocks while an update arrives.
        const std::optional<std::string> from = QEL ? QEL->fileReceivedFrom() : std::nullopt;
        if (updating && updateReceiver_ && !findDownload(state_, reqID)) {
            updateReceiver_(reqID, strData, Range.get(), fileStatus, from);
            return;
        }
        incomingDownload(state_, reqID, strData, Range, fileStatus, from);
    });
}

void cMain::FileExpected(std::string& reqID, std::string& nodeID, bool& Expected) {
    guarded(state_.log, "QEL_FileReceived", [&] {
        const std::shared_ptr<cDownload> dl = findDownload(state_, reqID);
        Expected = (dl && dl->nodeID == nodeID) || (updating && updateReceiver_);
    });
}

void cMain::FileRequest(std::string& Resource, std::string& fullPath, std::string& nodeID,
                        std::string& reqID, std::shared_ptr<qel::cXRange>& Range,
                        qel::Variant& Metadata, bool& TakeNoAction) {
    QEL_FileRequest(state_, Resource, fullPath, nodeID, reqID, Range, Metadata, TakeNoAction);
}

void cMain::connectionEstab(std::string& SourceIP, qel::enmConMode& /*connectionMode*/,
                            std::string& connectionID) {
    skipFailure([&] {
        if (!state_.connections.exists(connectionID)) {
            state_.connections.add(SourceIP, connectionID);
        }
    });
}

void cMain::connectionClosed(std::string& /*SourceIP*/, std::string& nodeID,
                             std::string& connectionID) {
    skipFailure([&] {
        if (state_.connections.exists(connectionID)) {
            state_.connections.remove(connectionID);
        }
    });
    lostPeerWatch_.connectionLost(nodeID);
    state_.parkedOffers.connectionLost(nodeID);
}

void cMain::nodeInfo(qel::typNodeInfo& n) {
    updateUserInfo(state_, n);
    guarded(state_.log, "QEL_nodeInfo", [&] {
        if (n.ID.empty() || state_.searchTimedOut || !listedKind(state_, n.Descriptor) ||
            state_.users.exists(n.ID)) {
            return;
        }
        if (state_.users.count() >= kMaxListedUsers) {
            // Logged at the 1st, 2nd, 4th, 8th... so the log stays small too.
            const int64_t notListed = ++usersNotListed_;
            if ((notListed & (notListed - 1)) == 0) {
                state_.logError("Node " + n.ID + " not listed: " + std::to_string(kMaxListedUsers) +
                                    " nodes listed already (" + std::to_string(notListed) +
                                    " not listed)",
                                -1, "QEL_nodeInfo");
            }
            return;
        }
        listUser(n);
    });
}

void cMain::listUser(const qel::typNodeInfo& n) {
    ExploreTree& tree = *state_.ui.explore;
    tree.stopRefreshTimer();
    state_.users.add(std::make_shared<cUser>(cUser{n.ID, n.Name}), n.ID);
    ++state_.userCount;
    if (state_.userCount == 1) {
        tree.clearFileList();
        tree.clearTree();
        tree.addItem("", "r", "Network", kImageNetwork, "");
        tree.expandItem("r");
    }
    const std::string key = "user_" + n.ID;
    tree.addItem("r", key, n.Name, n.sharingFiles ? kImageUserSharing : kImageUser, n.ID);
    if (n.sharingFiles) {
        tree.addItem(key, "ph_" + n.ID, "Loading", kImageLoading, "user_root");
    }
}

}  // namespace tornel
