#include "core/permissions/ask_permission.h"

#include "core/log/guarded.h"
#include "core/network/controller.h"
#include "core/network/peer_link.h"
#include "core/network/session.h"
#include "core/permissions/access_grants.h"
#include "core/state/app_state.h"
#include "qellib/rpc.h"

#include <algorithm>

namespace tornel {
namespace {

using Question = PermissionQuestions::Question;
using Request = PermissionQuestions::Request;

// A new prompt for the request of the node named `name`, shown with a
// beep; empty when none could be loaded.
WindowRef<ConfirmPrompt> showNewPrompt(AppState& state, const Request& request,
                                       const std::string& name) {
    WindowRef<ConfirmPrompt> prompt = state.ui.confirm->loadConfirm(
        request.requester, name, name + " would like to access " + request.fullPath);
    if (prompt) {
        prompt->showPrompt();
        state.ui.prompts->beep();
    }
    return prompt;
}

// The question settles once its prompt answers or goes.
void watch(AppState& state, const WindowRef<ConfirmPrompt>& prompt) {
    prompt->whenAnswered([&state] { settlePermissionQuestionsSoon(state); });
    state.permissionQuestions.settlePass.requestWhenDestroyed(prompt.object());
}

void logRefusal(const AppState& state, const Request& request) {
    state.logError("Too many permission prompts are open; refused " + request.nodeID + " for " +
                       request.fullPath,
                   -1, "askPermission");
}

bool admittedByGrant(const AppState& state, const Question& question) {
    return std::ranges::any_of(question.requests, [&](const Request& request) {
        return hasLiveGrant(state, request.requester, request.nodeID);
    });
}

bool isOver(const AppState& state, const Question& question) {
    const ConfirmPrompt* prompt = question.prompt.get();
    return state.closing || !prompt || prompt->Decision() || admittedByGrant(state, question);
}

// The answer to a question that is over; its prompt is closed.
bool answerOf(const AppState& state, const Question& question) {
    ConfirmPrompt* prompt = question.prompt.get();
    if (!prompt || state.closing) {
        return false;
    }
    bool granted = true;
    if (prompt->Decision()) {
        granted = prompt->allowed();
    } else {
        prompt->answerGranted();  // a grant made meanwhile admits the requests
    }
    prompt->unload();
    return granted;
}

void answerAll(AppState& state, std::vector<Question> questions) {
    for (const Question& question : questions) {
        const bool granted = answerOf(state, question);
        for (const Request& request : question.requests) {
            answerFileRequest(state, request, granted);
        }
    }
}

// Tells the requesting node whether its request `reqID` was granted;
// element 0 stays empty, so the receiver reads elements 1 and 2.
void tellRequester(const AppState& state, const std::string& nodeID, const std::string& reqID,
                   bool granted) {
    if (!state.controller || !state.controller->authGiven) {
        throw platform::RuntimeError(platform::rt::ObjectNotSet);
    }
    state.controller->authGiven->callRemoteProc(
        nodeID, "AuthGiven", qel::StringArray{"", granted ? "True" : "False", reqID});
}

bool requesterGone(const AppState& state, const Request& request) {
    return request.connectionID && !state.connections.exists(*request.connectionID);
}

}  // namespace

bool askPermission(AppState& state, const Request& request) {
    return guarded(state.log, "askPermission", false, [&] {
        using Place = PermissionQuestions::Place;
        PermissionQuestions& questions = state.permissionQuestions;
        if (questions.placeFor(request.nodeID) == Place::Ask) {
            // Looking the name up may let events run: the place is taken
            // only afterwards, without events between.
            const std::string name = getUserName(state, request.nodeID);
            if (questions.placeFor(request.nodeID) == Place::Ask) {
                const WindowRef<ConfirmPrompt> prompt = showNewPrompt(state, request, name);
                if (!prompt) {
                    return false;
                }
                questions.ask(request, prompt);
                watch(state, prompt);
                // A grant made before, or an answer given already, settles it.
                settlePermissionQuestionsSoon(state);
                return true;
            }
        }
        if (questions.placeFor(request.nodeID) == Place::Join) {
            questions.join(request);
            return true;
        }
        logRefusal(state, request);
        return false;
    });
}

void settlePermissionQuestionsSoon(AppState& state) {
    DeferredPass& pass = state.permissionQuestions.settlePass;
    pass.setWork([&state] { settlePermissionQuestions(state); });
    pass.request();
}

void settlePermissionQuestions(AppState& state) {
    guarded(state.log, "askPermission", [&] {
        answerAll(state, state.permissionQuestions.takeIf(
                             [&](const Question& question) { return isOver(state, question); }));
    });
}

void refuseParkedFileRequests(AppState& state) {
    guarded(state.log, "askPermission", [&] {
        std::vector<Question> questions =
            state.permissionQuestions.takeIf([](const Question&) { return true; });
        for (const Question& question : questions) {
            if (ConfirmPrompt* prompt = question.prompt.get()) {
                prompt->unload();
            }
            for (const Request& request : question.requests) {
                answerFileRequest(state, request, false);
            }
        }
    });
}

void answerFileRequest(AppState& state, const Request& request, bool granted) {
    guarded(state.log, "QEL_FileRequest", [&] {
        if (!state.qelSession || requesterGone(state, request)) {
            return;
        }
        // A refusal holds, and is answered, even when telling the requester fails.
        guarded(state.log, "QEL_FileRequest",
                [&] { tellRequester(state, request.nodeID, request.reqID, granted); });
        if (granted) {
            session(state).serveFileRequest(request.resource, request.fullPath, request.nodeID,
                                            request.reqID, request.range);
        } else {
            session(state).sendFile(request.nodeID, request.reqID, std::string(),
                                    qel::FS_Canceled);
        }
    });
}

}  // namespace tornel
