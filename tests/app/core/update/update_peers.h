#pragma once

#include "app/core/app_fixture.h"
#include "core/network/connections.h"
#include "core/network/controller.h"
#include "core/network/node_bring_up.h"
#include "core/update/program_image.h"
#include "core/update/self_update.h"
#include "core/util/utilities.h"
#include "qellib/qel.h"
#include "qellib/rpc.h"
#include "qellib/settings.h"
#include "recorded_starts.h"
#include "support/free_port.h"
#include "support/peer_node.h"
#include "support/wait.h"

#include <QCoreApplication>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tornel::test {

// The update procedures of another copy as a plain node runs them: it
// answers "GetVersion" with `revision` (or holds the call to answer later)
// and "GetEXE" with `image` under the call's request ID (or with nothing).
// With `stopAfter` set, only that many bytes of the image go, as the first
// block of the whole, and then nothing more. With `imageAnswer` set, the
// call is answered with it instead.
class PeerProcedures : public qel::cQELRPCEvents {
  public:
    std::string revision = "9";
    bool holdVersion = false;
    std::optional<std::string> image;
    std::optional<size_t> stopAfter;
    std::optional<std::string> imageAnswer;

    int versionCalls = 0;
    int imageCalls = 0;
    std::string heldVersion;
    std::string imageRequest;
    std::string imageAsker;
    int64_t imageSentAt = 0;  // real time, test::realMs
    qel::cQEL* node = nullptr;
    std::shared_ptr<qel::cQELRPC> rpc;

    void RemoteProcCall(std::string& ProcName, qel::Variant&, std::string& reqID,
                        std::string& nodeID, bool&) override {
        if (ProcName == "GetVersion") {
            ++versionCalls;
            heldVersion = reqID;
            if (!holdVersion) {
                rpc->returnRemoteProc(reqID, revision);
            }
        } else if (ProcName == "GetEXE") {
            ++imageCalls;
            imageRequest = reqID;
            imageAsker = nodeID;
            if (imageAnswer) {
                rpc->returnRemoteProc(reqID, *imageAnswer);
            } else if (image && stopAfter) {
                const auto size = static_cast<int64_t>(image->size());
                const auto sent = static_cast<int64_t>(*stopAfter);
                node->sendFile(nodeID, reqID, image->substr(0, *stopAfter), qel::FS_Transferring,
                               {}, node->makeRange(0, sent - 1, size));
            } else if (image) {
                node->sendFile(nodeID, reqID, *image, qel::FS_Complete);
            }
            imageSentAt = realMs();
        }
    }
    void answerHeld() { rpc->returnRemoteProc(heldVersion, revision); }
};

// Binds the two update procedures on `node` for incoming calls.
inline std::shared_ptr<PeerProcedures> serveUpdates(qel::cQEL& node) {
    auto procedures = std::make_shared<PeerProcedures>();
    procedures->node = &node;
    procedures->rpc = node.newRPCInstance(procedures);
    for (const char* name : {"GetVersion", "GetEXE"}) {
        procedures->rpc->bindRPC(name, qel::RPC_INCOMING);
    }
    return procedures;
}

// A plain node on 127.0.0.1 that serves the update procedures.
struct UpdatePeer {
    explicit UpdatePeer(const std::string& nodeID, const std::string& descriptor = "TORNEL_NODE")
        : id(nodeID) {
        qel::cSettings settings;
        settings.SaveSetting("nodeID", nodeID);
        settings.SaveSetting("Timeout", int64_t{300});
        node.Initialise("Peer " + nodeID, port, qel::role_Peer, descriptor, "", settings.getXML());
        node.Listen();
        procedures = serveUpdates(node);
    }
    ~UpdatePeer() { node.shutDown(); }
    std::string address() const { return "127.0.0.1:" + std::to_string(port); }

    std::string id;
    qel::cQEL node;
    int port = freePort();
    std::shared_ptr<PeerProcedures> procedures;
};

// A program image this machine would run: the running program's header and
// `size` bytes in all.
inline std::string runnableImage(size_t size = 64 * 1024) {
    std::string image = program_image::ownHead();
    image.resize(size, '\x5a');
    return image;
}

// A copy of the running test program in `folder`, grown to `size` bytes by
// a sparse run of zeros at its end.
inline std::string paddedProgram(const TempFolder& folder, int64_t size) {
    const std::string copy = folder.file("Tornel-padded");
    std::filesystem::copy_file(QCoreApplication::applicationFilePath().toStdString(), copy);
    std::filesystem::resize_file(copy, static_cast<uintmax_t>(size));
    return copy;
}

// The program's core in a temporary program folder of its own, brought up
// on 127.0.0.1, that runs as "Tornel" from that folder, with `revision`, and
// records the starts it asks for.
class ProgramCore {
  public:
    explicit ProgramCore(int64_t revision, const std::vector<std::string>& arguments = {})
        : state(folder.path(), CommandLine(arguments)), revision_(revision) {
        state.ui.tray = tray;
        state.NodeGUID = GUID();
        state.Name = "Core";
        state.Timeout = 300;
        state.Port = freePort();
        state.Compression = false;
    }
    ~ProgramCore() {
        if (state.qelSession) {
            state.qelSession->shutDown();
        }
    }
    ProgramCore(const ProgramCore&) = delete;
    ProgramCore& operator=(const ProgramCore&) = delete;

    void bringUp(const std::vector<std::string>& servers = {}) {
        for (const std::string& server : servers) {
            state.serverList.add(server, server);
        }
        initNetwork(state);
        connectTo(state);
        UpdateSetup& setup = update().setup();
        setup.executable = file("Tornel");
        setup.revision = revision_;
        setup.start = recorded.starter();
    }
    SelfUpdate& update() { return *state.controller->selfUpdate; }
    // From now on `answers` counts the answers the update procedures receive,
    // each evaluated as before.
    void countAnswers() {
        ProcedureEvents& events = *state.controller->UpdateEvents;
        events.onReturn = [this, evaluate = events.onReturn](
                              std::string& name, qel::Variant& params, std::string& reqID,
                              std::string& nodeID) {
            ++answers;
            evaluate(name, params, reqID, nodeID);
        };
    }
    std::string file(const std::string& name) const { return folder.file(name); }
    std::string address() const { return "127.0.0.1:" + std::to_string(state.Port); }
    std::string logText() const { return readFile(file("Log.txt")); }
    bool knows(const std::string& nodeID) {
        return waitUntil([&] {
            const auto found = state.qelSession->getNodeInfo(nodeID, true);
            return !found.empty() && found.front().ID == nodeID;
        });
    }
    // The peer as it runs now (its ID may be one an earlier test used).
    bool knows(const UpdatePeer& peer) {
        return waitUntil([&] { return knowsNodeOnPort(*state.qelSession, peer.id, peer.port); });
    }
    bool toolTipShown(const std::string& text) const {
        const auto& calls = tray->calls;
        return std::find(calls.begin(), calls.end(), "setToolTip " + text) != calls.end();
    }

    TempFolder folder;
    std::shared_ptr<RecordingTray> tray = std::make_shared<RecordingTray>();
    AppState state;
    RecordedStarts recorded;
    int answers = 0;

  private:
    int64_t revision_;
};

}  // namespace tornel::test
