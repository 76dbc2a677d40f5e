#include "core/network/node_bring_up.h"

#include "core/log/guarded.h"
#include "core/network/controller.h"
#include "core/network/session.h"
#include "core/update/self_update.h"
#include "qellib/discover.h"
#include "qellib/rpc.h"
#include "qellib/settings.h"

namespace tornel {
namespace {

constexpr std::string_view NodeKind = "TORNEL_NODE";

[[noreturn]] void portFailed(const char* what, int64_t port) {
    throw platform::RuntimeError(
        platform::rt::PathFileAccessError,
        std::string(what) + " port " + std::to_string(port) + " could not be opened");
}

}  // namespace

void initNetwork(AppState& state) {
    constexpr std::string_view source = "initNetwork";
    guarded(state.log, source, [&] {
        state.controller = std::make_shared<cMain>(state);
        state.controller->QEL = std::make_shared<qel::cQEL>(state.controller);
        state.qelSession = state.controller->QEL;
    });
    guarded(state.log, source, [&] { rpcSetup(state); });
    guarded(state.log, source, [&] { installSelfUpdate(state); });
    guarded(state.log, source, [&] {
        session(state).Initialise(state.Name, static_cast<int32_t>(state.Port), qel::role_Peer,
                                  std::string(NodeKind), "", "");
    });
    guarded(state.log, source, [&] { advNetwork(state); });
    guarded(state.log, source, [&] {
        if (!session(state).Listen(0)) {
            portFailed("TCP", state.Port);
        }
    });
    guarded(state.log, source, [&] {
        state.discovery = session(state).newDiscoverInstance();
        if (!state.discovery->makeDiscoverable(static_cast<int32_t>(state.Port + 1))) {
            portFailed("UDP", state.Port + 1);
        }
    });
}

void rpcSetup(AppState& state) {
    constexpr std::string_view source = "rpcSetup";
    if (!state.controller) {
        throw platform::RuntimeError(platform::rt::ObjectNotSet);
    }
    cMain& controller = *state.controller;
    // Each object binds its names both ways: for the calls of other nodes and
    // for the answers to this node's own calls.
    const auto bindBothWays = [&](std::shared_ptr<qel::cQELRPC>& object,
                                  const std::shared_ptr<ProcedureEvents>& events,
                                  std::initializer_list<const char*> names) {
        guarded(state.log, source, [&] { object = session(state).newRPCInstance(events); });
        for (const char* name : names) {
            guarded(state.log, source, [&] {
                if (!object) {
                    throw platform::RuntimeError(platform::rt::ObjectNotSet);
                }
                object->bindRPC(name, qel::RPC_INCOMING);
                object->bindRPC(name, qel::RPC_RETURN);
            });
        }
    };
    bindBothWays(controller.Update, controller.UpdateEvents, {"GetVersion", "GetEXE"});
    bindBothWays(controller.authGiven, controller.authGivenEvents, {"AuthGiven"});
    bindBothWays(controller.Push, controller.PushEvents, {"Push"});
    bindBothWays(controller.userTyping, controller.userTypingEvents, {"UserTyping"});
}

void advNetwork(AppState& state) {
    skipFailure([&] {
        qel::cSettings settings;
        settings.SaveSetting("nodeID", state.NodeGUID);
        settings.SaveSetting("Timeout", state.Timeout);
        settings.SaveSetting("seeSelf", state.commandLine.has(SwitchSeeSelf));
        settings.SaveSetting("filePacket", state.FileChunk);
        settings.SaveSetting("useComp", state.Compression);
        settings.SaveSetting("routeFiles", state.routeFiles);
        session(state).setAdvanced(settings.getXML());
    });
}

void shareFolders(AppState& state) {
    for (const std::string& folder : state.sharedFolders.snapshot()) {
        guarded(state.log, "shareFolders", [&] {
            std::string path = folder;  // the library trims the caller's variable
            session(state).shareFolder(path);
        });
    }
}

}  // namespace tornel
