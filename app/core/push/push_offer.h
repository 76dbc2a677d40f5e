#pragma once

#include "qellib/variant.h"

#include <string>

namespace tornel {

struct AppState;

// At most this many incoming-file prompts wait at once; a further offer is
// refused without asking.
inline constexpr int MaxOpenPushPrompts = 8;

// Where Accept saves an offered file: the download folder and the offered
// name's last component; "" when the name leaves nothing usable ("", ".",
// "..").
std::string acceptPath(const std::string& downloadPath, const std::string& offeredName);

// An offer {name, size} from `nodeID`: the incoming-file prompt asks the
// user; a file taken becomes a pushed download and the answer is {"ACCEPT",
// its request ID}, else "REFUSE". Accept never replaces a file: a taken name
// becomes "name (2).ext" and so on. Parameters that do not read (no array,
// a size that is not a number) are logged and get no answer.
void Push_RemoteProcCall(AppState& state, const qel::Variant& Params, const std::string& reqID,
                         const std::string& nodeID);

}  // namespace tornel
