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
    std::function<bool(Session&, const std::string&, int64_t)> uploadProgress;
    std::function<void(const std::string&)> nextChunk;
    std::function<void(const std::shared_ptr<clsSocket>&)> reconnected;

    void processPacket(clsPacket& p, const std::shared_ptr<clsSocket>& c) override {
        packet ? packet(p, c) : CoreConnectionServices::processPacket(p, c);
    }
    void sendInfo(const std::string& destination, const std::shared_ptr<clsSocket>& c) override {
        info ? info(destination, c) : CoreConnectionServices::sendInfo(destination, c);
    }
    bool recordUploadProgress(Session& s, const std::string& reqID, int64_t lastByte) override {
        return uploadProgress ? uploadProgress(s, reqID, lastByte)
                              : CoreConnectionServices::recordUploadProgress(s, reqID, lastByte);
    }
    void checkNextChunk(const std::string& reqID) override {
        nextChunk ? nextChunk(reqID) : CoreConnectionServices::checkNextChunk(reqID);
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
