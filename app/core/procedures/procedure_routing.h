#pragma once

namespace tornel {

struct AppState;
class cMain;

// Hands the calls and answers of "Push", "UserTyping" and "AuthGiven" that
// reach the controller's procedure objects to their handlers.
void routeProgramProcedures(cMain& controller, AppState& state);

}  // namespace tornel
