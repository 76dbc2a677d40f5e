#pragma once

#include "node_fixture.h"

#include "dispatch_table.h"
#include "fields.h"
#include "receive_pipeline.h"
#include "send_pipeline.h"
#include "wire_format.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qel::test {

// The events a node's application would see of the packets it receives.
class PipelineEvents : public NodeEvents {
  public:
    void MessageReceived(std::string& strMessage, std::string& strType,
                         std::string& nodeID) override {
        messages.push_back(strMessage + "|" + strType + "|" + nodeID);
    }
    void nodeInfo(typNodeInfo& n) override { infos.push_back(n); }

    std::vector<std::string> messages;
    std::vector<typNodeInfo> infos;
};

// One packet as a node's "PROBE" handler saw it.
struct Handled {
    SessionPtr node;
    clsPacket packet;
    std::string source;
};

// Nodes of one process on real loopback connections, each packet going
// through the whole receive pipeline. The test method "PROBE" records what
// each node handles; `arrivals` records every packet as it arrives, before
// the pipeline.
class PipelineTest : public NodesTest {
  protected:
    PipelineTest() {
        services->packet = [this](clsPacket& packet, const std::shared_ptr<clsSocket>& c) {
            arrivals.push_back({c->session.lock(), c, packet});
            processPacket(packet, c);
        };
        library().methodHandlers.add(
            "PROBE", [this](const clsPacket& packet, const std::shared_ptr<clsSocket>&,
                            const std::string& source) {
                handled.push_back({currentSession(), packet, source});
            });
    }

    // A node whose events are PipelineEvents, named after `name`.
    Node addPipelineNode(const std::string& name) {
        Node node = addNode();
        node.events = std::make_shared<PipelineEvents>();
        node.session->owner = node.events;
        node.session->nodeName = name;
        node.session->Role = role_Peer;
        return node;
    }
    static PipelineEvents& eventsOf(const Node& node) {
        return static_cast<PipelineEvents&>(*node.events);
    }

    // Sends a PROBE of `from` through its send pipeline; gives its ID.
    std::string probe(const Node& from, const std::string& destination,
                      const std::string& body = {},
                      const std::function<void(clsPacket&)>& shape = {}) {
        clsPacket p;
        p.Method = "PROBE";
        p.Data = body;
        AddField(p, "Destination", destination);
        if (shape) {
            shape(p);
        }
        switchSession(from.session);
        sendPacket(p);
        return getText(p, "ID");
    }

    // Writes the packet exactly as it is onto `connection`, past the send pipeline.
    static void sendRaw(const std::shared_ptr<clsSocket>& connection, const clsPacket& p) {
        auto pending = std::make_shared<clsPendingPkt>();
        pending->strPacket = writePacket(p);
        connection->Send(pending);
    }

    // A broadcast of `from` has been handled by `last`: what `from` sent
    // before it along the same links has arrived everywhere on the way.
    void settle(const Node& from, const Node& last) {
        const std::string marker = probe(from, "BROADCAST");
        EXPECT_TRUE(waitFor([&] { return !handledAt(last, marker).empty(); }));
    }

    std::vector<const Handled*> handledAt(const Node& node, const std::string& id) const {
        return withID(handled, node, id);
    }
    std::vector<const Arrival*> arrivalsOf(const Node& node, const std::string& id) const {
        return withID(arrivals, node, id);
    }

    std::vector<Handled> handled;

  private:
    // The records of the node's packets with that ID, in order.
    template <class Record>
    static std::vector<const Record*> withID(const std::vector<Record>& records, const Node& node,
                                             const std::string& id) {
        std::vector<const Record*> found;
        for (const Record& record : records) {
            if (record.node == node.session && getText(record.packet, "ID") == id) {
                found.push_back(&record);
            }
        }
        return found;
    }
};

// A - B - C: A reaches C only through B.
class ChainTest : public PipelineTest {
  protected:
    ChainTest() {
        std::tie(aToB, bFromA) = link(a, b);
        std::tie(bToC, cFromB) = link(b, c);
    }

    Node a = addPipelineNode("A");
    Node b = addPipelineNode("B");
    Node c = addPipelineNode("C");
    std::shared_ptr<clsSocket> aToB, bFromA, bToC, cFromB;
};

// A, B and C each connected to the other two.
class TriangleTest : public PipelineTest {
  protected:
    TriangleTest() {
        aToB = link(a, b).first;
        link(b, c);
        aToC = link(a, c).first;
    }

    Node a = addPipelineNode("A");
    Node b = addPipelineNode("B");
    Node c = addPipelineNode("C");
    std::shared_ptr<clsSocket> aToB, aToC;
};

// A connected to B.
class PairTest : public PipelineTest {
  protected:
    PairTest() { std::tie(aToB, bFromA) = link(a, b); }

    Node a = addPipelineNode("A");
    Node b = addPipelineNode("B");
    std::shared_ptr<clsSocket> aToB, bFromA;
};

}  // namespace qel::test
