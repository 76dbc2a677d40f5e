#include "core/network/connections.h"

#include "core/log/guarded.h"
#include "core/network/session.h"
#include "core/network/users_search.h"
#include "platform/event_loop.h"
#include "qellib/discover.h"

#include <algorithm>

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
    const auto isServer = [&state](const std::string& address) {
        const std::vector<std::string> servers = state.serverList.snapshot();
        return std::ranges::find(servers, address) != servers.end();
    };
    // Not kept up: only the user's servers are.
    for (const std::string& address :
         state.discoveryConnections.toOpen(found, platform::tickCount(), isServer)) {
        guarded(state.log, source,
                [&] { session(state).connectMaintainAsync(address, false, false); });
    }
}

}  // namespace tornel
