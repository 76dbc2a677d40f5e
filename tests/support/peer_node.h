#pragma once

#include "qellib/qel.h"
#include "qellib/settings.h"
#include "support/free_port.h"

#include <string>

namespace tornel::test {

// A node of the network in the same process, on 127.0.0.1, announcing
// itself as a Tornel node; it shares `sharedDir` when one is given.
class PeerNode {
  public:
    PeerNode(const std::string& nodeID, const std::string& name, const std::string& sharedDir) {
        qel::cSettings settings;
        settings.SaveSetting("nodeID", nodeID);
        settings.SaveSetting("Timeout", int64_t{300});
        settings.SaveSetting("filePacket", int64_t{1});
        node.Initialise(name, port, qel::role_Peer, "TORNEL_NODE", sharedDir, settings.getXML());
        node.Listen();
    }
    ~PeerNode() { node.shutDown(); }
    std::string address() const { return "127.0.0.1:" + std::to_string(port); }

    int port = freePort();
    qel::cQEL node;
};

}  // namespace tornel::test
