#include "core/chat/chat_conversation.h"

#include "core/log/guarded.h"
#include "core/network/controller.h"
#include "core/network/peer_link.h"
#include "core/network/session.h"
#include "core/push/file_push.h"
#include "core/state/app_state.h"
#include "platform/files.h"
#include "qellib/rpc.h"

#include <QTime>

#include <filesystem>

namespace tornel {
namespace {

bool hiddenName(const std::string& path) {
    const std::string name = std::filesystem::path(path).filename().string();
    return name.starts_with('.');
}

// The node's description from the library's tables, or nullopt when the
// library knows no such node.
std::optional<qel::typNodeInfo> knownNode(AppState& state, const std::string& nodeID) {
    const std::vector<qel::typNodeInfo> found = session(state).getNodeInfo(nodeID, true);
    if (found.empty() || found.front().ID.empty()) {
        return std::nullopt;
    }
    return found.front();
}

}  // namespace

std::optional<std::string> ChatConversation::send(const std::string& text) {
    if (text.empty()) {
        return std::nullopt;
    }
    return guarded(state_.log, "cmdSend_Click", std::optional<std::string>(), [&] {
        session(state_).sendMessage(text, recipientID, "");
        return std::optional<std::string>(state_.Name + ": " + text);
    });
}

void ChatConversation::noteReceived() {
    const QString time = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
    lastMsgText_ = "Last message received at " + time.toStdString() + " ";
}

void ChatConversation::typingStatus(bool typing) {
    if (typing == typingSent_) {
        return;
    }
    typingSent_ = typing;
    guarded(state_.log, "typingStatus", [&] {
        if (!state_.controller || !state_.controller->userTyping) {
            throw platform::RuntimeError(platform::rt::ObjectNotSet);
        }
        state_.controller->userTyping->callRemoteProc(recipientID, "UserTyping", typing);
    });
}

void ChatConversation::offerFiles(const std::vector<std::string>& paths, const char* source) {
    // The question lets events run, and the window may close meanwhile:
    // from here on only the state and the peer's ID are used.
    AppState& state = state_;
    const std::string peer = recipientID;
    guarded(state.log, source, [&] {
        std::vector<std::string> files;
        for (const std::string& path : paths) {
            const std::optional<platform::FileStatus> status = platform::fileStatus(path);
            if (status && status->kind == platform::EntryKind::Folder) {
                state.logError("A folder is not sent: " + path, -1, source);
            } else if (status && status->kind == platform::EntryKind::File && !hiddenName(path)) {
                files.push_back(path);
            }
        }
        if (files.size() >= 4) {
            const std::string question = "Are you sure you wish to send these " +
                                         std::to_string(files.size()) + " files to " +
                                         getUserName(state, peer) + "?";
            if (state.ui.prompts->messageBox(question, PromptButtons::YesNo, PromptIcon::Question,
                                             "Send Multiple Files") != PromptAnswer::Yes) {
                return;
            }
        }
        for (const std::string& file : files) {
            startPush(state, file, peer);
        }
    });
}

void ChatConversation::showSharedFiles() {
    AppState& state = state_;
    const std::string peer = recipientID;
    guarded(state.log, "lblSharing_Click", [&] {
        if (const std::optional<qel::typNodeInfo> node = knownNode(state, peer)) {
            state.ui.shell->showSharedFiles(*node);
        }
    });
}

void ChatConversation::sendAFile() {
    AppState& state = state_;
    const std::string peer = recipientID;
    guarded(state.log, "lblSendFile_Click", [&] {
        if (const std::optional<qel::typNodeInfo> node = knownNode(state, peer)) {
            pushFile(state, *node);
        }
    });
}

}  // namespace tornel
