#pragma once

#include "core_connection_services.h"

#include <functional>
#include <memory>
#include <string>

namespace qel::test {

// The core's connection services, each call going to a test's script
// instead where the test has set one.
class ScriptedServices final : public CoreConnectionServices {
  public:
    std::function<void(clsPacket&, const std::shared_ptr<clsSocket>&)> packet;
    std::function<void(const std::string&, const std::shared_ptr<clsSocket>&)> info;
    std::function<void(Session&, const clsPendingPkt&, const std::shared_ptr<clsSocket>&)>
        chunkWritten;
    std::function<void(const std::shared_ptr<clsSocket>&)> reconnected;

    void processPacket(clsPacket& p, const std::shared_ptr<clsSocket>& c) override {
        packet ? packet(p, c) : CoreConnectionServices::processPacket(p, c);
    }
    void sendInfo(const std::string& destination, const std::shared_ptr<clsSocket>& c) override {
        info ? info(destination, c) : CoreConnectionServices::sendInfo(destination, c);
    }
    void fileChunkWritten(Session& s, const clsPendingPkt& chunk,
                          const std::shared_ptr<clsSocket>& c) override {
        chunkWritten ? chunkWritten(s, chunk, c)
                     : CoreConnectionServices::fileChunkWritten(s, chunk, c);
    }
    void reconnect(const std::shared_ptr<clsSocket>& c) override {
        reconnected ? reconnected(c) : CoreConnectionServices::reconnect(c);
    }
};

// Scripted services that every connection made from now on is handed.
inline std::shared_ptr<ScriptedServices> installScriptedServices(LibraryState& lib) {
    auto services = std::make_shared<ScriptedServices>();
    lib.connectionServices = services;
    return services;
}

}  // namespace qel::test
