#include "ui/chat/shared_files_link.h"

#include "core/chat/chat_conversation.h"
#include "core/state/app_state.h"

namespace tornel::ui {

void showSharedFiles(const AppState& state, const ShowInExplore& showInExplore,
                     ChatConversation& conversation) {
    if (state.NewUI && showInExplore) {
        // A copy of both: showing the view may close the chat window that owns them.
        const ShowInExplore show = showInExplore;
        const std::string recipientID = conversation.recipientID;
        show(recipientID);
        return;
    }
    conversation.showSharedFiles();
}

}  // namespace tornel::ui
