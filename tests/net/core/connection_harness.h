#pragma once

#include "connection.h"
#include "core_fixture.h"
#include "fields.h"
#include "identifiers.h"
#include "library_state.h"
#include "scripted_services.h"
#include "wire_format.h"

#include "platform/socket_control.h"
#include "support/socket_recorder.h"
#include "support/wait.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qel::test {

// Routes a control's events to its connection, as the connection manager does.
class RouteToConnection : public platform::SocketEvents {
  public:
    std::weak_ptr<clsSocket> connection;
    std::function<void(clsSocket&)> beforeSendComplete;

    void onConnect(platform::SocketControl&) override {
        with([](clsSocket& c) { c.connectionEstab(); });
    }
    void onDataArrival(platform::SocketControl&, int64_t bytesTotal) override {
        with([bytesTotal](clsSocket& c) { c.dataArrival(bytesTotal); });
    }
    void onSendComplete(platform::SocketControl&) override {
        with([this](clsSocket& c) {
            if (beforeSendComplete) {
                beforeSendComplete(c);
            }
            c.sendComplete();
        });
    }
    void onClose(platform::SocketControl&) override {
        with([](clsSocket& c) { c.peerEnded(); });
    }
    void onError(platform::SocketControl&, int, const std::string&) override {
        with([](clsSocket& c) {
            if (c.isConnected) {
                c.peerEnded();
            }
        });
    }

  private:
    template <class Call>
    void with(Call call) {
        if (const std::shared_ptr<clsSocket> c = connection.lock()) {
            call(*c);
        }
    }
};

// A node's connection events, in order.
class ConnectionEvents : public ErrorRecorder {
  public:
    void connectionEstab(std::string& SourceIP, enmConMode& mode, std::string& id) override {
        log.push_back("estab " + SourceIP + " " + std::to_string(mode) + " " + id);
    }
    void connectionClosed(std::string& SourceIP, std::string& nodeID, std::string& id) override {
        log.push_back("closed " + SourceIP + " " + nodeID + " " + id);
    }
    std::vector<std::string> log;
};

// One packet as the receive pipeline was handed it.
struct Received {
    std::string connectionID;
    std::string method;
    std::string body;
};

inline std::string packetText(const std::string& method, const std::string& body = {}) {
    clsPacket packet;
    packet.Method = method;
    packet.Data = body;
    if (!body.empty()) {
        AddField(packet, "Content-Length", std::to_string(body.size()));
    }
    return writePacket(packet);
}

inline std::shared_ptr<clsPendingPkt> pendingPacket(const std::string& text) {
    auto pending = std::make_shared<clsPendingPkt>();
    pending->strPacket = text;
    return pending;
}

// A node with one outgoing connection (`client`) to a listener of its own,
// whose accepted end is `server`. Both are in the connection
// table, as the connection manager keeps them; the scripted services record
// what the connection layer hands on.
class ConnectionTest : public CoreTest {
  protected:
    ConnectionTest() {
        services->packet = [this](clsPacket& packet, const std::shared_ptr<clsSocket>& c) {
            received.push_back({c->connectionID, packet.Method, packet.Data});
            if (onPacket) {
                onPacket(packet, *c);
            }
        };
        services->info = [this](const std::string& destination,
                                const std::shared_ptr<clsSocket>& c) {
            infoSent.push_back(destination + " " + c->connectionID);
        };
        services->reconnected = [this](const std::shared_ptr<clsSocket>& c) {
            reconnected.push_back(c.get());
        };
    }

    // Connects the client to the listener and accepts it into the server.
    void connectPair() {
        listener.setLocalPort(0);
        listener.listen();
        listenerEvents.onRequest = [this](platform::SocketControl&, int64_t requestId) {
            serverControl.accept(requestId);
            server->isConnected = true;  // as the connection manager marks an accepted one
        };
        client->Address = "127.0.0.1:" + std::to_string(listener.localPort());
        clientControl.connect("127.0.0.1", listener.localPort());
        ASSERT_TRUE(tornel::test::waitUntil([this] {
            return client->isConnected && serverControl.state() == platform::SocketState::Connected;
        }));
    }

    std::vector<std::string> methodsOn(const clsSocket& c) const {
        std::vector<std::string> methods;
        for (const Received& r : received) {
            if (r.connectionID == c.connectionID) {
                methods.push_back(r.method);
            }
        }
        return methods;
    }

    std::shared_ptr<ScriptedServices> services = installScriptedServices(library());
    std::shared_ptr<ConnectionEvents> events = std::make_shared<ConnectionEvents>();
    SessionPtr node = appendSession(events);

    tornel::test::SocketRecorder listenerEvents;
    RouteToConnection clientRoute;
    RouteToConnection serverRoute;
    platform::SocketControl listener{&listenerEvents};
    platform::SocketControl clientControl{&clientRoute};
    platform::SocketControl serverControl{&serverRoute};
    std::shared_ptr<clsSocket> client = connectionOn(clientControl, clientRoute);
    std::shared_ptr<clsSocket> server = connectionOn(serverControl, serverRoute);

    std::vector<Received> received;
    std::function<void(clsPacket&, clsSocket&)> onPacket;
    std::vector<std::string> infoSent;
    std::vector<clsSocket*> reconnected;

  private:
    std::shared_ptr<clsSocket> connectionOn(platform::SocketControl& control,
                                            RouteToConnection& route) {
        auto c = std::make_shared<clsSocket>(node, newID(), control, services);
        control.tag = c->connectionID;
        route.connection = c;
        library().connectionTable.add(c->connectionID, c);
        return c;
    }
};

}  // namespace qel::test
