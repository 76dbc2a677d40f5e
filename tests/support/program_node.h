#pragma once

#include "core/interfaces/incoming_prompt.h"
#include "core/network/connections.h"
#include "core/network/node_bring_up.h"
#include "core/push/push_offer.h"
#include "core/state/app_state.h"
#include "core/util/utilities.h"
#include "qellib/qel.h"
#include "qellib/rpc.h"
#include "qellib/settings.h"
#include "support/free_port.h"
#include "support/peer_node.h"
#include "support/scripted_prompts.h"
#include "support/temp_folder.h"
#include "support/wait.h"

#include <QDir>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tornel::test {

// An incoming-file prompt answered by script: as soon as it is shown it
// takes the answer its maker holds (Accept, Refuse, a "Save to..." path, or
// none: it stays open until `decide` is called).
class ScriptedIncomingPrompt : public QObject, public IncomingPrompt {
  public:
    ScriptedIncomingPrompt(std::string downloadPath, std::vector<std::string>& log)
        : downloadPath_(std::move(downloadPath)), log_(log) {}

    void setInfo(const std::string& text) override { info = text; }
    void setNameText(const std::string& text) override { nameText = text; }
    void setSizeText(const std::string& text) override { sizeText = text; }
    void setFileName(const std::string& name) override { fileName = name; }
    void showPlaced() override { log_.push_back(info + "|" + nameText + "|" + sizeText); }
    bool Decision() const override { return decision_; }
    std::string savePath() const override { return savePath_; }
    void unload() override { deleteLater(); }

    void accept() { decide(acceptPath(downloadPath_, fileName)); }
    void decide(std::string path) {
        savePath_ = std::move(path);
        decision_ = true;
        answered();
    }

    std::string info, nameText, sizeText, fileName;

  private:
    std::string downloadPath_;
    std::vector<std::string>& log_;
    std::string savePath_;
    bool decision_ = false;
};

// Makes scripted prompts and answers each one the way `answer` says.
class ScriptedIncomingPrompts : public IncomingPrompts {
  public:
    enum class Answer { Accept, Refuse, SaveTo, Wait };

    explicit ScriptedIncomingPrompts(std::string downloadPath)
        : downloadPath_(std::move(downloadPath)) {}

    WindowRef<IncomingPrompt> newPrompt() override {
        auto* prompt = new ScriptedIncomingPrompt(downloadPath_, log);  // deletes itself on unload
        made.emplace_back(prompt);
        QTimer::singleShot(0, prompt, [this, prompt] {
            switch (answer) {
                case Answer::Accept:
                    prompt->accept();
                    break;
                case Answer::Refuse:
                    prompt->decide("");
                    break;
                case Answer::SaveTo:
                    prompt->decide(saveToPath);
                    break;
                case Answer::Wait:
                    break;
            }
        });
        return {prompt, prompt};
    }

    Answer answer = Answer::Accept;
    std::string saveToPath;
    std::vector<QPointer<ScriptedIncomingPrompt>> made;
    // What each prompt showed when it was shown: "info|name|size".
    std::vector<std::string> log;

  private:
    std::string downloadPath_;
};

// A copy of the program's core as a node on 127.0.0.1, in its own program
// folder with a download folder "Files", scripted prompts and no windows.
struct ProgramNode {
    explicit ProgramNode(const std::string& name) : state(folder.path(), CommandLine()) {
        state.NodeGUID = GUID();
        state.Name = name;
        state.Timeout = 400;
        state.Port = freePort();
        state.DownloadPath = folder.file("Files");
        QDir().mkpath(QString::fromStdString(state.DownloadPath));
        incoming = std::make_shared<ScriptedIncomingPrompts>(state.DownloadPath);
        state.ui.prompts = prompts;
        state.ui.incoming = incoming;
    }
    ~ProgramNode() {
        if (state.qelSession) {
            state.qelSession->shutDown();
        }
    }
    ProgramNode(const ProgramNode&) = delete;
    ProgramNode& operator=(const ProgramNode&) = delete;

    void start() { initNetwork(state); }
    std::string address() const { return "127.0.0.1:" + std::to_string(state.Port); }
    bool knows(const std::string& nodeID) {
        const auto info = state.qelSession->getNodeInfo(nodeID, true);
        return !info.empty() && !info[0].ID.empty();
    }
    // The node `nodeID` that listens on `port` now (its ID may be one an
    // earlier test used).
    bool knows(const std::string& nodeID, int port) {
        return knowsNodeOnPort(*state.qelSession, nodeID, port);
    }

    TempFolder folder;
    std::shared_ptr<ScriptedPrompts> prompts = std::make_shared<ScriptedPrompts>();
    std::shared_ptr<ScriptedIncomingPrompts> incoming;
    AppState state;
};

// Starts both copies and connects `second` to `first`; whether they know
// each other in time.
inline bool linkNodes(ProgramNode& first, ProgramNode& second) {
    first.start();
    second.start();
    second.state.serverList.add(first.address(), first.address());
    connectTo(second.state);
    return waitUntil(
        [&] { return first.knows(second.state.NodeGUID) && second.knows(first.state.NodeGUID); });
}

// A plain node of the library that makes the program's calls by hand and
// records the answers and the calls it receives.
class HandNode {
  public:
    explicit HandNode(std::string id = "HAND-NODE") : id_(std::move(id)) {
        qel::cSettings settings;
        settings.SaveSetting("nodeID", id_);
        settings.SaveSetting("Timeout", int64_t{400});
        node.Initialise("Hand", port, qel::role_Peer, "HAND", "", settings.getXML());
        node.Listen();
    }
    ~HandNode() { node.shutDown(); }

    std::string address() const { return "127.0.0.1:" + std::to_string(port); }
    const std::string& nodeID() const { return id_; }
    // The object that calls and receives `names`, both ways.
    std::shared_ptr<qel::cQELRPC> bind(std::initializer_list<const char*> names) {
        auto rpc = node.newRPCInstance(events);
        for (const char* name : names) {
            rpc->bindRPC(name, qel::RPC_INCOMING);
            rpc->bindRPC(name, qel::RPC_RETURN);
        }
        objects.push_back(rpc);
        return rpc;
    }

    struct Events : qel::cQELRPCEvents {
        void RemoteProcCall(std::string& ProcName, qel::Variant& Params, std::string&,
                            std::string& nodeID, bool&) override {
            calls.push_back({ProcName, Params, nodeID});
        }
        void RemoteProcReturn(std::string&, qel::Variant& Params, std::string& reqID,
                              std::string&) override {
            answers[reqID] = Params;
        }
        struct Call {
            std::string name;
            qel::Variant params;
            std::string nodeID;
        };
        std::vector<Call> calls;
        std::map<std::string, qel::Variant> answers;
    };

    // The chat messages the node receives: "FROM-ID: text".
    struct NodeEvents : qel::cQELEvents {
        void MessageReceived(std::string& strMessage, std::string&, std::string& nodeID) override {
            messages.push_back(nodeID + ": " + strMessage);
        }
        std::vector<std::string> messages;
    };

    std::string id_;
    std::shared_ptr<Events> events = std::make_shared<Events>();
    std::shared_ptr<NodeEvents> nodeEvents = std::make_shared<NodeEvents>();
    int port = freePort();
    qel::cQEL node{nodeEvents};
    std::vector<std::shared_ptr<qel::cQELRPC>> objects;
};

// Whether what `program` has sent to `nodeID` so far has been handled there:
// a node answers a ping only once the packets that came before it are done.
inline bool sentHasArrived(ProgramNode& program, const std::string& nodeID) {
    return program.state.qelSession->Ping(nodeID, 20000) >= 0;
}

// Connects `program` to the hand node; whether they know each other in time.
inline bool linkToHand(ProgramNode& program, HandNode& hand) {
    program.start();
    program.state.serverList.add(hand.address(), hand.address());
    connectTo(program.state);
    return waitUntil([&] {
        const auto info = hand.node.getNodeInfo(program.state.NodeGUID, true);
        return program.knows("HAND-NODE", hand.port) && !info.empty() && !info[0].ID.empty();
    });
}

}  // namespace tornel::test
