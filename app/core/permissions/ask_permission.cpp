#include "core/permissions/ask_permission.h"

#include "core/log/guarded.h"
#include "core/network/peer_link.h"
#include "core/permissions/access_grants.h"
#include "core/permissions/permission_questions.h"
#include "core/state/app_state.h"
#include "core/util/wait_for_answer.h"

namespace tornel {
namespace {

// A new prompt for the request of the node named `name`, shown with a
// beep; empty when none could be loaded. Lets no events run.
WindowRef<ConfirmPrompt> showNewPrompt(AppState& state, const PermissionQuestions::Request& request,
                                       const std::string& name) {
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
        using Place = PermissionQuestions::Place;
        PermissionQuestions& questions = state.permissionQuestions;
        const PermissionQuestions::Request request{requester, nodeID, fullPath};
        Place place = questions.placeFor(request);
        std::string name;
        if (place == Place::Ask) {
            // Looking the name up may let events run. The question counts
            // from when its prompt is made, without events between, so that
            // a request joining it never waits on a prompt still to come.
            name = getUserName(state, nodeID);
            place = questions.placeFor(request);
        }
        if (place == Place::Refuse) {
            state.logError(
                "Too many permission prompts are open; refused " + nodeID + " for " + fullPath, -1,
                "askPermission");
            return false;
        }
        PermissionQuestions::Wait wait(questions, request, place);
        if (wait.asks()) {
            wait.setPrompt(showNewPrompt(state, request, name));
        }
        // A grant made while the question is open (for this node, by another
        // prompt) admits the request as well.
        bool admittedByGrant = false;
        waitForAnswer(state, [&] {
            admittedByGrant = !wait.answer() && hasLiveGrant(state, requester, nodeID);
            return wait.answer() || admittedByGrant;
        });
        if (admittedByGrant && !state.closing) {
            wait.answerAsGranted();
        }
        const bool allowed = !state.closing && (admittedByGrant || wait.answer().value_or(false));
        if (wait.asks()) {
            wait.unloadPrompt();
        }
        return allowed;
    });
}

}  // namespace tornel
