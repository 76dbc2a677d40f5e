#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tornel {

struct AppState;

// Ends the program: with `confirm`, first asks about running transfers
// (closeTransfers) and stays when the user says No. Then marks the run as
// closing, stops answering discovery and ends the event loop. Safe inside
// nested waits and library events: the teardown (tearDown) runs only once
// the outermost handler has returned. A request while the exit question is
// open, or once closing, does nothing.
void shutDown(AppState& state, bool confirm);

// Ends the program as an exit without the question does (a termination
// signal): running transfers are cancelled, then the program closes,
// whatever question is open.
void endWithoutQuestion(AppState& state);

// The exit question about running transfers (the library's uploads being
// sent and the downloads pending or running). True means go on: nothing is
// running, or the user said Yes and every counted transfer was cancelled,
// its other node told.
bool closeTransfers(AppState& state);

// The exit question's text for the counts of uploads and downloads running;
// none when both are 0.
std::optional<std::string> exitQuestion(int64_t uploads, int64_t downloads);

// What is left of the end once the event loop has returned: the uploads
// still running are cancelled and the cancels given up to the Timeout to
// leave, then the library session, "Settings.xml", the tray icon, the
// windows (which write their placement), "Windows.xml", the collections.
void tearDown(AppState& state);

}  // namespace tornel
