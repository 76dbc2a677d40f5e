#pragma once

#include "connection.h"
#include "connection_manager.h"
#include "core_fixture.h"
#include "identifiers.h"
#include "library_state.h"
#include "scripted_services.h"
#include "socket_host.h"

#include "platform/event_loop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qel::test {

// A node's connection events, in order, with a way to answer ConnectionReq.
class NodeEvents : public ErrorRecorder {
  public:
    void ConnectionReq(std::string& SourceIP, bool& Cancel) override {
        log.push_back("req " + SourceIP);
        if (onRequest) {
            onRequest(Cancel);
        }
    }
    void connectionEstab(std::string& SourceIP, enmConMode& mode, std::string& id) override {
        log.push_back("estab " + SourceIP + " " + std::to_string(mode) + " " + id);
    }
    void connectionClosed(std::string& SourceIP, std::string& nodeID, std::string& id) override {
        log.push_back("closed " + SourceIP + " " + nodeID + " " + id);
    }
    int count(const std::string& prefix) const {
        int found = 0;
        for (const std::string& entry : log) {
            found += entry.starts_with(prefix) ? 1 : 0;
        }
        return found;
    }

    std::vector<std::string> log;
    std::function<void(bool& cancel)> onRequest;
};

struct Node {
    SessionPtr session;
    std::shared_ptr<NodeEvents> events;
};

// One packet as a node's receive pipeline was handed it.
struct Arrival {
    SessionPtr node;
    std::shared_ptr<clsSocket> connection;
    clsPacket packet;
};

// Lets events run until `done()` holds or `ms` of real time have passed (the
// test clock may stand still meanwhile).
template <class Predicate>
bool waitFor(Predicate done, int64_t ms = 20000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return done();
        }
        platform::waitEvents(10);
    }
    return true;
}

// Nodes of one process with the settings a node starts with, talking over
// real loopback connections; every packet a node receives is recorded.
class NodesTest : public CoreTest {
  protected:
    NodesTest() {
        services->packet = [this](clsPacket& packet, const std::shared_ptr<clsSocket>& c) {
            arrivals.push_back({c->session.lock(), c, packet});
        };
    }

    Node addNode() {
        Node node{nullptr, std::make_shared<NodeEvents>()};
        node.session = appendSession(node.events);
        Session& s = *node.session;
        s.nodeID = newID();
        s.encryptionKey = newID();
        s.netPass = "nominal";
        s.listenPort = 20210;
        s.Timeout = 1500;
        s.TTL = 20;
        s.confirmTimeout = 10000;
        s.confirmRetry = 2;
        s.maxRoutes = 10;
        s.routesEnabled = true;
        s.routes.assign(11, std::string());
        s.packetIDs.reset(50);
        return node;
    }

    // Listens for the node on a free port and gives the port.
    int listen(const Node& node) {
        switchSession(node.session);
        EXPECT_TRUE(ListenOnPort(0));
        SocketHost& host = socketHost();
        for (size_t i = 0; i < host.sckListen.count(); ++i) {
            if (host.sckListen[i].state() == platform::SocketState::Listening &&
                library().listenerSessions[i].lock() == node.session) {
                return host.sckListen[i].localPort();
            }
        }
        return 0;
    }

    static std::string loopback(int port) { return "127.0.0.1:" + std::to_string(port); }

    // A blocking connect of `from`, as the node's own call makes it.
    std::string connect(const Node& from, const std::string& address, bool maintain = false,
                        bool reuse = true) {
        switchSession(from.session);
        return connectTo(address, false, maintain, nullptr, false, reuse);
    }

    static std::shared_ptr<clsSocket> connection(const std::string& id) {
        const std::shared_ptr<clsSocket>* found = library().connectionTable.find(id);
        return found != nullptr ? *found : nullptr;
    }

    // The node's connections, in table order.
    static std::vector<std::shared_ptr<clsSocket>> connectionsOf(const Node& node) {
        std::vector<std::shared_ptr<clsSocket>> found;
        for (const auto& c : library().connectionTable.snapshot()) {
            if (c->session.lock() == node.session) {
                found.push_back(c);
            }
        }
        return found;
    }

    // Connects `from` to `to` (listening first); both ends are connected when
    // it returns, the outgoing one first.
    std::pair<std::shared_ptr<clsSocket>, std::shared_ptr<clsSocket>> link(const Node& from,
                                                                           const Node& to) {
        const size_t accepted = connectionsOf(to).size();
        const std::string id = connect(from, loopback(listen(to)), false, false);
        EXPECT_FALSE(id.empty());
        EXPECT_TRUE(waitFor([&] { return connectionsOf(to).size() == accepted + 1; }));
        return {connection(id), connectionsOf(to).back()};
    }

    std::vector<const Arrival*> arrivalsAt(const Node& node, const std::string& method) const {
        std::vector<const Arrival*> found;
        for (const Arrival& a : arrivals) {
            if (a.node == node.session && a.packet.Method == method) {
                found.push_back(&a);
            }
        }
        return found;
    }

    std::shared_ptr<ScriptedServices> services = installScriptedServices(library());
    std::vector<Arrival> arrivals;
};

}  // namespace qel::test
