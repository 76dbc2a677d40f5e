#include "core/permissions/ask_permission.h"

#include "core/log/guarded.h"
#include "core/network/peer_link.h"
#include "core/permissions/permission_questions.h"
#include "core/state/app_state.h"
#include "core/util/wait_for_answer.h"

namespace tornel {
namespace {

// A new prompt for the request, shown with a beep; empty when none could be loaded.
WindowRef<ConfirmPrompt> showNewPrompt(AppState& state,
                                       const PermissionQuestions::Request& request) {
    const std::string name = getUserName(state, request.nodeID);
    WindowRef<ConfirmPrompt> prompt = state.ui.confirm->loadConfirm(
        request.requester, name, name + " would like to access " + request.fullPath);
    if (prompt) {
        prompt->showPrompt();
        state.ui.prompts->beep();
    }
    return prompt;
}

}  // namespace

bool askPermission(AppState& state, const std::string& requester, const std::string& nodeID,
                   const std::string& fullPath) {
    return guarded(state.log, "askPermission", false, [&] {
        PermissionQuestions& questions = state.permissionQuestions;
        if (questions.full()) {
            state.logError(
                "Too many permission prompts are open; refused " + nodeID + " for " + fullPath, -1,
                "askPermission");
            return false;
        }
        const PermissionQuestions::Request request{requester, nodeID, fullPath};
        PermissionQuestions::Wait wait(questions, request);
        WindowRef<ConfirmPrompt> prompt = questions.openPromptFor(request);
        const bool ownPrompt = !prompt;
        if (ownPrompt) {
            prompt = showNewPrompt(state, request);
        }
        wait.setPrompt(prompt);
        waitForAnswer(state, [&] { return !prompt || prompt->Decision(); });
        const bool allowed = !state.closing && prompt && prompt->Decision() && prompt->allowed();
        if (ownPrompt && prompt) {
            prompt->unload();
        }
        return allowed;
    });
}

}  // namespace tornel
