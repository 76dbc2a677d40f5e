#include "core/chat/typing_notice.h"

#include "core/log/guarded.h"
#include "core/network/peer_link.h"
#include "core/procedures/procedure_params.h"
#include "core/state/app_state.h"

namespace tornel {
namespace {

WindowRef<ChatWindow> shownChatWindow(const AppState& state, const std::string& nodeID) {
    for (const WindowRef<ChatWindow>& window : state.chatWindows.snapshot()) {
        if (window && window->recipientID() == nodeID) {
            return window->isShown() ? window : WindowRef<ChatWindow>();
        }
    }
    return {};
}

}  // namespace

void userTyping_RemoteProcCall(AppState& state, const qel::Variant& Params,
                               const std::string& nodeID) {
    guarded(state.log, "userTyping_RemoteProcCall", [&] {
        const std::optional<bool> typing = readBoolean(Params);
        if (!typing) {
            throw platform::RuntimeError(platform::rt::TypeMismatch,
                                         "The typing state is not a Boolean");
        }
        const WindowRef<ChatWindow> window = shownChatWindow(state, nodeID);
        if (!window) {
            return;
        }
        std::string text = window->lastMsgText();
        if (*typing || text.empty()) {
            const std::string name = getUserName(state, nodeID);
            text = *typing ? name + " is typing a message" : "Chatting with " + name;
        }
        if (ChatWindow* chat = window.get()) {  // the name lookup may wait
            chat->setStatusText(text);
        }
    });
}

}  // namespace tornel
