#include "core/network/connections.h"

#include "core/log/guarded.h"
#include "core/network/session.h"
#include "core/network/users_search.h"
#include "qellib/discover.h"

namespace tornel {
namespace {

// Half of `ms`, a half rounded to the even neighbour.
int64_t halfRoundedToEven(int64_t ms) {
    const int64_t half = ms / 2;
    return ms % 2 != 0 && half % 2 != 0 ? half + 1 : half;
}

void connectMaintained(AppState& state, const std::string& address, std::string_view source) {
    guarded(state.log, source, [&] { session(state).connectMaintainAsync(address, false, true); });
}

}  // namespace

void connectTo(AppState& state) {
    constexpr std::string_view source = "connectTo";
    state.connecting = true;
    guarded(state.log, source, [&] { state.ui.shell->setConnectionLabel("Connecting..."); });
    for (const std::string& server : state.serverList.snapshot()) {
        connectMaintained(state, server, source);
    }
    state.connecting = false;
    refreshUserList(state);
}

void connectLocal(AppState& state) {
    constexpr std::string_view source = "connectLocal";
    qel::StringArray found;
    guarded(state.log, source, [&] {
        if (!state.discovery) {
            throw platform::RuntimeError(platform::rt::ObjectNotSet);
        }
        found = state.discovery->discoverNodes(halfRoundedToEven(state.Timeout), "");
    });
    for (size_t i = 1; i < found.size(); ++i) {
        connectMaintained(state, found[i], source);
    }
}

}  // namespace tornel
