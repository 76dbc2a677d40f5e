#include "qellib/discover.h"

#include "discovery.h"
#include "node_frame.h"

#include "platform/runtime_error.h"

namespace qel {

bool cQELDiscover::makeDiscoverable(int32_t udpPort) {
    return publicOperation(session_, "makeDiscoverable", false, [udpPort](const SessionPtr& own) {
        if (udpPort == 0) {
            return false;
        }
        if (udpPort < 0 || udpPort > 65535) {
            throw platform::RuntimeError(platform::rt::Overflow);
        }
        own->udpPort = udpPort;
        return startUDP();
    });
}

void cQELDiscover::notDiscoverable() {
    publicOperation(session_, "notDiscoverable", [](const SessionPtr& own) { stopUDP(*own); });
}

StringArray cQELDiscover::discoverNodes(int64_t Timeout, const std::string& strIPRange) {
    return publicOperation(session_, "discoverNodes", StringArray(), [&](const SessionPtr&) {
        return qel::discoverNodes(Timeout, strIPRange);
    });
}

}  // namespace qel
