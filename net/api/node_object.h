#pragma once

#include "session.h"

#include "qellib/events.h"
#include "qellib/types.h"
#include "qellib/variant.h"
#include "qellib/x_file.h"
#include "qellib/x_range.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qel {

class cQEL;

// What a cQEL object does: its session and the operations of its public
// interface (cQEL forwards each call, keeping this object alive for it).
// Every operation runs in the public frame (node_frame.h) under its own name,
// and makes its session current again after each wait before it touches the
// session's state.
class NodeObject {
  public:
    explicit NodeObject(std::weak_ptr<cQELEvents> events);

    const SessionHandle& session() const { return session_; }
    int32_t sessionIndex() const;

    // Life cycle, settings and listening.
    void Initialise(const std::string& nodeName, int32_t listenPort, enmRole Role,
                    const std::string& Descriptor, const std::string& sharedDir,
                    const std::string& advancedSettings);
    void setAdvanced(const std::string& Settings);
    void setName(const std::string& Name);
    void setRole(enmRole Role);
    void shareFolder(std::string& strPath);
    void stopSharing();
    bool Listen(int32_t lngPort);
    bool stopListening();
    bool isConnected();
    void shutDown();

    // Connections, messaging, ping and node information.
    std::string Connect(const std::string& strNode, bool isNodeID, bool bMaintain, bool async);
    bool disconnectFrom(const std::string& strNode, bool isNodeID);
    bool disconnectByID(const std::string& connectionID);
    bool disconnectAll();
    void sendMessage(const std::string& strMessage, const std::string& nodeID,
                     const std::string& strType);
    int64_t Ping(const std::string& nodeID, int64_t Timeout);
    std::vector<typNodeInfo> getNodeInfo(const std::string& strDestination, bool bUseCached);
    typNodeInfo knownNodeInfo(const std::string& nodeID);
    bool hasUnsentPackets();
    void startNodeInfoAsync();
    void stopNodeInfoAsync();
    std::shared_ptr<cXRange> makeRange(int64_t lngStart, int64_t lngEnd, int64_t lngLen);

    // Browsing.
    std::vector<typSearchResult> searchReq(enmSearchType SearchType, const std::string& SearchText);
    StringArray getContents(std::string& strPath, const std::string& nodeID, bool searchSubDirs);
    typFileInfo getFileInfo(std::string& remotePath, const std::string& nodeID, bool skipHash);

    // File transfer.
    std::string requestFile(const std::string& remotePath, const std::string& nodeID,
                            const std::shared_ptr<cXRange>& Range, const Variant& Metadata);
    void sendFile(const std::string& nodeID, const std::string& reqID, const std::string& Data,
                  enmFileStatus fileStatus, const std::shared_ptr<cXRange>& Range,
                  const std::shared_ptr<cXFile>& uploadInfo, const Variant& Metadata);
    std::vector<std::shared_ptr<cXFile>> getUploads();
    void removeUpload(const std::string& reqID);
    std::optional<std::string> fileReceivedFrom() const;
    void serveFileRequest(const std::string& Resource, const std::string& fullPath,
                          const std::string& nodeID, const std::string& reqID,
                          const std::shared_ptr<cXRange>& Range);
    std::optional<std::string> fileRequestConnection() const;

  private:
    // Makes the session current again after a wait; false when it has gone.
    bool backInSession() const { return switchSession(session_); }

    SessionHandle session_;
    bool isShutDown_ = false;
};

// The session of a node, for the library's own use (and its tests).
std::weak_ptr<Session> sessionOf(const cQEL& node);

}  // namespace qel
