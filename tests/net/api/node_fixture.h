#pragma once

#include "library_state.h"
#include "lookups.h"
#include "node_object.h"
#include "send_pipeline.h"
#include "session.h"

#include "qellib/qel.h"
#include "qellib/settings.h"
#include "support/free_port.h"
#include "support/wait.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace qel::test {

// Every event of one node, as a line each, with hooks for handlers that act.
class RecordedEvents : public cQELEvents {
  public:
    void MessageReceived(std::string& strMessage, std::string& strType,
                         std::string& nodeID) override {
        messages.push_back(strMessage + "|" + strType + "|" + nodeID);
    }
    void Error(std::string& strMessage, std::string&) override { errors.push_back(strMessage); }
    void ConnectionReq(std::string& SourceIP, bool&) override { log.push_back("req " + SourceIP); }
    void connectionEstab(std::string& SourceIP, enmConMode& mode, std::string& id) override {
        log.push_back("estab " + SourceIP + " " + std::to_string(mode) + " " + id);
        if (onEstab) {
            onEstab();
        }
    }
    void connectionClosed(std::string& SourceIP, std::string& nodeID, std::string& id) override {
        log.push_back("closed " + SourceIP + " " + nodeID + " " + id);
    }
    void nodeInfo(typNodeInfo& n) override { infos.push_back(n); }

    int count(const std::string& prefix) const {
        int found = 0;
        for (const std::string& entry : log) {
            found += entry.starts_with(prefix) ? 1 : 0;
        }
        return found;
    }

    std::vector<std::string> log;  // connection events, in order
    std::vector<std::string> messages;
    std::vector<std::string> errors;
    std::vector<typNodeInfo> infos;
    std::function<void()> onEstab;
};

struct TestNode {
    std::string name;
    std::string id;
    int port = 0;
    std::shared_ptr<RecordedEvents> events = std::make_shared<RecordedEvents>();
    std::unique_ptr<cQEL> node = std::make_unique<cQEL>(events);

    std::string address() const { return "127.0.0.1:" + std::to_string(port); }
    cQEL* operator->() const { return node.get(); }
    // The node's session; null once it has shut down.
    SessionPtr session() const { return SessionTable::live(sessionOf(*node)); }
};

// A settings text with the given entries in section "Common".
inline std::string advancedSettings(
    const std::vector<std::pair<std::string, std::string>>& entries) {
    cSettings settings;
    for (const auto& [key, value] : entries) {
        settings.SaveSetting(key, value);
    }
    return settings.getXML();
}

// Nodes of one process, each initialised on a free port with a short
// Timeout, listening on 127.0.0.1, in a library state of the test's own.
class NodesTest : public ::testing::Test {
  protected:
    TestNode& addNode(const std::string& name,
                      std::vector<std::pair<std::string, std::string>> settings = {}) {
        TestNode& added = nodes.emplace_back();
        added.name = name;
        added.id = "NODE-" + name;
        added.port = tornel::test::freePort();
        settings.insert(settings.begin(), {{"nodeID", added.id}, {"Timeout", "300"}});
        added->Initialise(name, added.port, role_Peer, "TEST", {}, advancedSettings(settings));
        EXPECT_TRUE(added->Listen());
        return added;
    }

    // Connects `from` to `to` and waits until `to` has been told who `from` is.
    std::string link(TestNode& from, TestNode& to) {
        const std::string id = from->Connect(to.address());
        EXPECT_FALSE(id.empty());
        EXPECT_TRUE(tornel::test::waitUntil([&] {
            const SessionPtr session = to.session();
            return session && findNodeInfo(*session, from.id) >= 0;
        }));
        return id;
    }

    // Sends a packet from `from` as it is built, the send pipeline adding
    // only what it lacks.
    static void sendFrom(TestNode& from, clsPacket pkt) {
        const CurrentSessionGuard restore;
        ASSERT_TRUE(switchSession(sessionOf(*from.node)));
        sendPacket(pkt);
    }

    static bool waitFor(const std::function<bool()>& done) {
        return tornel::test::waitUntil(done, 20000);
    }

    ScopedLibraryState state;
    std::deque<TestNode> nodes;  // shut down before the library state goes
};

}  // namespace qel::test
