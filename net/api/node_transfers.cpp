#include "node_object.h"

#include "fields.h"
#include "file_packets.h"
#include "file_transfer.h"
#include "identifiers.h"
#include "node_frame.h"
#include "route_table.h"
#include "running_requests.h"
#include "send_pipeline.h"
#include "transfer_range.h"

#include "platform/files.h"
#include "platform/runtime_error.h"

#include <utility>

// Requesting files, sending and pushing them, and the node's upload records.
namespace qel {
namespace {

constexpr int NoPushPath = 6;
constexpr int PushFileNotFound = 7;

// The last component of a local path.
std::string localFileName(const std::string& path) {
    const size_t separator = path.rfind('/');
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

// The first upload whose request ID is exactly `reqID`, with its key.
const KeyedCollection<std::shared_ptr<cXFile>>::Entry* uploadEntry(const Session& own,
                                                                   const std::string& reqID) {
    for (const auto& entry : own.uploads) {
        if (entry.value && entry.value->reqID == reqID) {
            return &entry;
        }
    }
    return nullptr;
}

// Starts pushing the local file the record names, whole, to `nodeID` under
// `reqID`.
void push(Session& own, const cXFile& uploadInfo, const std::string& reqID,
          const std::string& nodeID, const Variant& Metadata) {
    const std::string& path = uploadInfo.fullPath;
    if (path.empty()) {
        throw platform::RuntimeError(NoPushPath, "No path specified for push file send.");
    }
    if (!platform::isRegularFile(path)) {
        throw platform::RuntimeError(PushFileNotFound, "File not found: \"" + path + "\"");
    }
    const std::string resource =
        !uploadInfo.Resource.empty() ? uploadInfo.Resource : localFileName(path);
    newUpload(own, reqID, nodeID, resource, path);
    startFileSend(own, path, nodeID, reqID, Metadata, nullptr);
}

}  // namespace

std::string NodeObject::requestFile(const std::string& remotePath, const std::string& nodeID,
                                    const std::shared_ptr<cXRange>& Range,
                                    const Variant& Metadata) {
    return publicOperation(session_, "requestFile", std::string(), [&](const SessionPtr& own) {
        std::string reqID = newID();
        const std::shared_ptr<clsSocket> via = findRoute(*own, nodeID);
        clsPacket get;
        get.Method = "GET";
        get.Resource = remotePath;
        AddField(get, "ReqID", reqID);
        AddField(get, "Destination", nodeID);
        setValueField(get, "Metadata", Metadata);
        if (Range) {
            AddField(get, "Range", rangeText(*Range));
        }
        sendPacket(get);
        noteRequestMade(*own, reqID, nodeID, via);
        return reqID;
    });
}

void NodeObject::sendFile(const std::string& nodeID, const std::string& reqID,
                          const std::string& Data, enmFileStatus fileStatus,
                          const std::shared_ptr<cXRange>& Range,
                          const std::shared_ptr<cXFile>& uploadInfo, const Variant& Metadata) {
    publicOperation(session_, "sendFile", [&](const SessionPtr& own) {
        // A push goes under one request ID, made here when none is given.
        std::string id = reqID;
        std::string node = nodeID;
        if (uploadInfo) {
            id = !reqID.empty() ? reqID : !uploadInfo->reqID.empty() ? uploadInfo->reqID : newID();
            node = !nodeID.empty() ? nodeID : uploadInfo->nodeID;
            if (const auto* entry = uploadEntry(*own, id)) {
                own->uploads.remove(std::string(entry->key));
            }
            push(*own, *uploadInfo, id, node, Metadata);
        } else if (const auto* entry = uploadEntry(*own, id);
                   entry && entry->value->nodeID == node) {
            entry->value->Status = fileStatus;
        }
        if (fileStatus == FS_Canceled) {
            cancelSender(*own, id, node);
            forgetRequest(*own, id, node);  // a download this node gives up
        }
        sendFileChunk(*own, node, Range ? rangeText(*Range) : std::string(), Data, id, fileStatus,
                      Metadata, nullptr, nullptr);
    });
}

std::vector<std::shared_ptr<cXFile>> NodeObject::getUploads() {
    return publicOperation(session_, "getUploads", std::vector<std::shared_ptr<cXFile>>(),
                           [](const SessionPtr& own) {
                               std::vector<std::shared_ptr<cXFile>> uploads(1);
                               for (const auto& entry : own->uploads) {
                                   uploads.push_back(entry.value);
                               }
                               return uploads;
                           });
}

void NodeObject::removeUpload(const std::string& reqID) {
    publicOperation(session_, "removeUpload", [&](const SessionPtr& own) {
        const auto* entry = uploadEntry(*own, reqID);
        if (entry == nullptr) {
            return;
        }
        const std::shared_ptr<cXFile> upload = entry->value;
        if (upload->Status != FS_Complete && upload->Status != FS_Canceled) {
            sendFile(upload->nodeID, reqID, {}, FS_Canceled, nullptr, nullptr, std::string());
            if (!backInSession()) {
                return;
            }
        }
        if (const auto* still = uploadEntry(*own, reqID); still && still->value == upload) {
            own->uploads.remove(still->key);
        }
    });
}

std::optional<std::string> NodeObject::fileReceivedFrom() const {
    const SessionPtr own = SessionTable::live(session_);
    return own ? own->fileSource : std::nullopt;
}

void NodeObject::serveFileRequest(const std::string& Resource, const std::string& fullPath,
                                  const std::string& nodeID, const std::string& reqID,
                                  const std::shared_ptr<cXRange>& Range) {
    publicOperation(session_, "serveFileRequest", [&](const SessionPtr& own) {
        qel::serveFileRequest(*own, Resource, fullPath, nodeID, reqID, Range.get());
    });
}

std::optional<std::string> NodeObject::fileRequestConnection() const {
    const SessionPtr own = SessionTable::live(session_);
    return own ? own->fileRequestConnection : std::nullopt;
}

}  // namespace qel
