#pragma once

#include "qellib/qel.h"
#include "qellib/settings.h"
#include "support/free_port.h"

#include <string>
#include <vector>

namespace tornel::test {

// Whether `node` knows the node `nodeID` that listens on `port` now, asking
// that node when what it holds is missing or stale. The library's node cache
// belongs to the process and outlives a test: an entry an earlier test left
// under the same ID, for a node long gone, must not pass for the node of
// this one (and, being there, keeps the node from asking by itself).
inline bool knowsNodeOnPort(qel::cQEL& node, const std::string& nodeID, int port) {
    const std::string suffix = ":" + std::to_string(port);
    const auto knows = [&](bool cached) {
        const std::vector<qel::typNodeInfo> known = node.getNodeInfo(nodeID, cached);
        return !known.empty() && known.front().ID == nodeID &&
               known.front().Address.ends_with(suffix);
    };
    return knows(true) || knows(false);
}

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
