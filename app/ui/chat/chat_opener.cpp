#include "ui/chat/chat_opener.h"

#include "core/log/guarded.h"
#include "core/state/app_state.h"
#include "ui/chat/skinned_chat_window.h"
#include "ui/classic/classic_chat_window.h"
#include "ui/ui_shell.h"
#include "ui/views/view_switcher.h"

namespace tornel::ui {

namespace {

QWidget* windowOf(const WindowRef<ChatWindow>& chat) {
    return dynamic_cast<QWidget*>(chat.get());
}

}  // namespace

void openChatWindow(AppState& state, WindowContext& context, ViewSwitcher& views,
                    const qel::typNodeInfo& node) {
    guarded(state.log, "newConv", [&] {
        if (const WindowRef<ChatWindow>* listed = state.chatWindows.find(node.ID)) {
            if (QWidget* open = windowOf(*listed)) {
                if (open->isMinimized()) {
                    open->showNormal();
                }
                open->raise();
                open->activateWindow();
                return;
            }
            state.chatWindows.remove(node.ID);  // a window that is gone already
        }
        const auto showInExplore = [&views](const std::string& nodeID) {
            views.showExplore();
            views.frmMain().selectUser(nodeID);
        };
        if (!state.NewUI) {
            openClassicChatWindow(state, node, showInExplore);
            return;
        }
        // A top-level window that deletes itself once it is closed.
        auto* frm = new SkinnedChatWindow(state, context, showInExplore);
        frm->openFor(node);
        state.chatWindows.add(WindowRef<ChatWindow>(frm, frm), node.ID);
        frm->show();
    });
}

void unloadChatWindows(AppState& state) {
    for (const WindowRef<ChatWindow>& chat : state.chatWindows.snapshot()) {
        if (QWidget* window = windowOf(chat)) {
            window->close();
        }
    }
}

void UiShell::newConv(const qel::typNodeInfo& node) {
    openChatWindow(state_, context_, views_, node);
}

}  // namespace tornel::ui
