#pragma once

#include "core/permissions/permission_questions.h"

namespace tornel {

struct AppState;

// Parks `request` until the user answers whether its requester may download
// the local file: a node with a question open already has the request join
// it; otherwise a new confirmation prompt asks, with a beep. Returns at once:
// true when parked, false (nothing parked, the caller refuses) when too many
// questions, or too many requests of the node, are open, or no prompt can
// be shown.
bool askPermission(AppState& state, const PermissionQuestions::Request& request);

// Serves or refuses, on a later pass of the event loop, the requests of every
// question that is over: answered, its prompt gone, or admitted by a grant
// made meanwhile (whose prompt is then answered as granted).
void settlePermissionQuestionsSoon(AppState& state);
// The same at once.
void settlePermissionQuestions(AppState& state);

// Refuses every parked request and closes the prompts: the run is ending.
void refuseParkedFileRequests(AppState& state);

// Answers a request that waited: tells the requester by "AuthGiven", then
// serves it, or refuses it as cancelled. A requester whose connection has
// closed meanwhile is gone: nothing is sent.
void answerFileRequest(AppState& state, const PermissionQuestions::Request& request, bool granted);

}  // namespace tornel
