#include "file_transfer.h"

#include "byte_range.h"
#include "connection.h"
#include "error_log.h"
#include "event_raisers.h"
#include "fields.h"
#include "file_packets.h"
#include "file_send.h"
#include "guarded.h"
#include "library_state.h"
#include "numbers.h"
#include "receive_pipeline.h"
#include "running_requests.h"
#include "share_resolver.h"
#include "transfer_limits.h"

#include "platform/event_loop.h"
#include "platform/files.h"
#include "platform/runtime_error.h"
#include "platform/scoped_assignment.h"
#include "qellib/x_file.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace qel {
namespace {

using Connection = std::shared_ptr<clsSocket>;

// Finished and cancelled senders are let go.
void forgetFinishedSenders(Session& own) {
    std::erase_if(own.fileSends, [](const std::shared_ptr<clsFileSend>& sender) {
        return !sender || sender->finished();
    });
}

std::shared_ptr<cXRange> rangeField(const clsPacket& pkt, std::string_view name) {
    const std::string text = getText(pkt, name);
    return text.empty() ? nullptr : parseRange(text);
}

size_t liveSendersTo(const Session& own, const std::string* destination) {
    return static_cast<size_t>(std::count_if(
        own.fileSends.begin(), own.fileSends.end(), [destination](const auto& sender) {
            return sender && !sender->finished() &&
                   (destination == nullptr || sender->destID == *destination);
        }));
}

// Why a request to send under `reqID` to `destination` cannot be served now;
// nullopt when it can. A request ID that another node's transfer holds is
// never taken over; a live sender to the same node under it is replaced, so
// it does not count against the bounds.
std::optional<std::string> refusalReason(const Session& own, const std::string& reqID,
                                         const std::string& destination) {
    if (const std::shared_ptr<cXFile>* held = own.uploads.find(reqID);
        held != nullptr && (*held)->nodeID != destination) {
        return "its request ID belongs to another node's transfer";
    }
    const size_t replaced = liveSender(own, destination, reqID) ? 1 : 0;
    if (liveSendersTo(own, &destination) - replaced >= transfer_limits::MaxSendersPerPeer ||
        liveSendersTo(own, nullptr) - replaced >= transfer_limits::MaxSenders) {
        return "too many transfers under way";
    }
    return std::nullopt;
}

void refuse(const std::string& reqID, const std::string& destination, const std::string& reason) {
    debugPrint("Transfer " + reqID + " to " + destination + " refused: " + reason);
    sendFileRefusal(reqID, destination);
}

bool finishedUpload(const Session& own, const cXFile& upload) {
    return upload.Status == FS_Complete || upload.Status == FS_Canceled ||
           !liveSender(own, upload.nodeID, upload.reqID);
}

// Drops the oldest finished upload record (of `nodeID`, or of any node when
// null). Whether one was dropped.
bool dropOldestFinishedUpload(Session& own, const std::string* nodeID) {
    for (const auto& entry : own.uploads) {
        const cXFile& upload = *entry.value;
        if ((nodeID == nullptr || upload.nodeID == *nodeID) && finishedUpload(own, upload)) {
            own.uploads.remove(std::string(entry.key));
            return true;
        }
    }
    return false;
}

size_t uploadsOf(const Session& own, const std::string& nodeID) {
    return static_cast<size_t>(
        std::count_if(own.uploads.begin(), own.uploads.end(),
                      [&nodeID](const auto& entry) { return entry.value->nodeID == nodeID; }));
}

// Keeps the upload records within their bounds with room for one more of
// `nodeID`. False when live records fill it.
bool makeRoomForUpload(Session& own, const std::string& nodeID) {
    while (uploadsOf(own, nodeID) >= transfer_limits::MaxUploadsPerPeer) {
        if (!dropOldestFinishedUpload(own, &nodeID)) {
            return false;
        }
    }
    while (own.uploads.size() >= transfer_limits::MaxUploads) {
        if (!dropOldestFinishedUpload(own, nullptr)) {
            return false;
        }
    }
    return true;
}

// The record of a request served again under the same ID starts afresh.
// False when there is no room for it.
bool startUploadRecord(Session& own, const std::string& reqID, const std::string& nodeID,
                       const std::string& Resource, const std::string& fullPath) {
    std::shared_ptr<cXFile>* existing = own.uploads.find(reqID);
    if (existing == nullptr) {
        return newUpload(own, reqID, nodeID, Resource, fullPath) != nullptr;
    }
    cXFile& record = **existing;
    const bool external = record.External;
    record = cXFile();
    record.Mode = fm_Upload;
    record.Resource = Resource;
    record.fullPath = fullPath;
    record.nodeID = nodeID;
    record.reqID = reqID;
    record.External = external;
    return true;
}

// GET: a path the shares do not hold (or that the resolver refuses), a
// request ID of another node's transfer and a request beyond the bounds are
// refused before the application hears of it. Otherwise the application may
// take the request over (TakeNoAction) or change what is served; what it
// leaves in fullPath, nodeID, reqID and Range is what is served.
void doGet(const clsPacket& pkt, const Connection& connection, const std::string& strSource) {
    guarded("doGet", [&] {
        const SessionPtr own = requireCurrentSession();
        std::string reqID = getText(pkt, "ReqID");
        std::shared_ptr<cXRange> range = rangeField(pkt, "Range");
        const std::optional<SharedTarget> target = resolveSharedFile(*own, pkt.Resource);
        if (!target) {
            sendFileRefusal(reqID, strSource);
            return;
        }
        if (const std::optional<std::string> reason = refusalReason(*own, reqID, strSource)) {
            refuse(reqID, strSource, *reason);
            return;
        }
        std::string resource = pkt.Resource;
        std::string fullPath = target->localPath;
        std::string nodeID = strSource;
        Variant metadata = GetField(pkt, "Metadata", std::string());
        bool takeNoAction = false;
        bool raised = false;
        {
            // A handler that takes the request over keeps the connection to
            // tell later whether the requester is still there.
            const platform::ScopedAssignment arrival(
                own->fileRequestConnection,
                connection ? std::optional<std::string>(connection->connectionID)
                           : std::nullopt);
            raised = raiseFileRequest(own, resource, fullPath, nodeID, reqID, range, metadata,
                                      takeNoAction);
        }
        if (!raised || takeNoAction) {
            return;
        }
        serveFileRequest(*own, pkt.Resource, fullPath, nodeID, reqID, range.get());
    });
}

// FILE: a cancel from the transfer's own receiver stops its sender; every
// FILE the application expects reaches it, confirmed first when its sender
// asks, its body decoded only then. One it does not expect is dropped with
// its body as it came (never inflated) and not confirmed.
void doFile(clsPacket& pkt, const Connection& connection, const std::string& strSource) {
    guarded("doFile", [&] {
        const SessionPtr own = requireCurrentSession();
        std::shared_ptr<cXRange> range = rangeField(pkt, "Content-Range");
        const std::string statusText = getText(pkt, "FileStatus");
        auto fileStatus = static_cast<enmFileStatus>(statusText.empty() ? -1 : toInt32(statusText));
        std::string reqID = getText(pkt, "ReqID");
        if (fileStatus == FS_Canceled) {
            cancelSender(*own, reqID, strSource);
        }
        if (!raiseFileExpected(own, reqID, strSource) || !SessionTable::live(own)) {
            return;
        }
        noteSenderHeard(*own, reqID, strSource, connection, fileStatus);
        if (hasFlag(pkt, "RF")) {
            doFileConfirm(pkt, connection);
        }
        if (!decodeReceivedBody(pkt)) {
            return;
        }
        Variant metadata = GetField(pkt, "Metadata", std::string());
        std::string data = std::move(pkt.Data);  // the chunk is the application's
        raiseFileReceived(own, reqID, data, range, fileStatus, metadata, strSource);
    });
}

void onReqConfirm(const clsPacket& pkt, const Connection& connection,
                  const std::string& strSource) {
    guarded("doFileConfirm", [&] {
        const SessionPtr own = requireCurrentSession();
        noteSenderHeard(*own, getText(pkt, "ReqID"), strSource, connection, NoFileStatus);
    });
    doFileConfirm(pkt, connection);
}

// FILECONFIRM: the receiver confirms a chunk, or asks for the one held back.
void doFileConfirmed(const clsPacket& pkt, const Connection&, const std::string& strSource) {
    guarded("doFileConfirm", [&] {
        const SessionPtr own = requireCurrentSession();
        if (const std::shared_ptr<clsFileSend> sender =
                liveSender(*own, strSource, getText(pkt, "ReqID"))) {
            sender->confirmed(*own, getText(pkt, "ID"));
            forgetFinishedSenders(*own);
        }
    });
}

// An interrupted sender goes on by the route there is now, or gives up.
void settleInterrupted(Session& own, clsFileSend& sender) {
    if (chunkRoute(own, sender.destID)) {
        sender.resumeFromFirstUnconfirmed(own);
        return;
    }
    debugPrint("Transfer " + sender.reqID + " to " + sender.destID +
               " cancelled: its connection closed and no other route is known");
    sender.cancelAndTell(own);
}

void settleSenders(Session& own, int64_t now) {
    const std::vector<std::shared_ptr<clsFileSend>> senders = own.fileSends;
    for (const std::shared_ptr<clsFileSend>& sender : senders) {
        if (!sender || sender->finished()) {
            continue;
        }
        if (sender->interrupted()) {
            settleInterrupted(own, *sender);
        } else if (sender->waitedTooLong(now)) {
            debugPrint("Transfer " + sender->reqID + " to " + sender->destID +
                       " cancelled: no confirmation came");
            sender->cancelAndTell(own);
        }
    }
    forgetFinishedSenders(own);
}

}  // namespace

void addFileTransferMethods(DispatchTable& table) {
    table.add("GET", doGet);
    table.add("FILE", doFile, BodyDecoding::ByHandler);
    table.add("REQCONFIRM", onReqConfirm);
    table.add("FILECONFIRM", doFileConfirmed);
}

void serveFileRequest(Session& own, const std::string& Resource, const std::string& fullPath,
                      const std::string& nodeID, const std::string& reqID, const cXRange* range) {
    if (!own.sharing || !platform::isRegularFile(fullPath)) {
        sendFileRefusal(reqID, nodeID);
        return;
    }
    // Served after its handler returned, or later still: others may have
    // taken the place meanwhile.
    if (const std::optional<std::string> reason = refusalReason(own, reqID, nodeID)) {
        refuse(reqID, nodeID, *reason);
        return;
    }
    if (!startUploadRecord(own, reqID, nodeID, Resource, fullPath)) {
        refuse(reqID, nodeID, "too many uploads under way");
        return;
    }
    startFileSend(own, fullPath, nodeID, reqID, std::string(), range);
}

std::shared_ptr<cXFile> newUpload(Session& own, const std::string& reqID, const std::string& nodeID,
                                  const std::string& Resource, const std::string& fullPath) {
    return guarded("", std::shared_ptr<cXFile>(), [&]() -> std::shared_ptr<cXFile> {
        if (own.uploads.contains(reqID)) {
            throw platform::RuntimeError(platform::rt::DuplicateKey);
        }
        if (!makeRoomForUpload(own, nodeID)) {
            debugPrint("Upload " + reqID + " to " + nodeID + " not recorded: too many uploads");
            return nullptr;
        }
        auto upload = std::make_shared<cXFile>();
        upload->Mode = fm_Upload;
        upload->Resource = Resource;
        upload->fullPath = fullPath;
        upload->nodeID = nodeID;
        upload->reqID = reqID;
        own.uploads.add(reqID, upload);
        return upload;
    });
}

void startFileSend(Session& own, const std::string& path, const std::string& destination,
                   const std::string& reqID, const Variant& Metadata, const cXRange* range) {
    guarded("startFileSend", [&] {
        if (const std::optional<std::string> reason = refusalReason(own, reqID, destination)) {
            if (std::shared_ptr<cXFile>* upload = own.uploads.find(reqID);
                upload && (*upload)->nodeID == destination) {
                (*upload)->Status = FS_Canceled;
            }
            refuse(reqID, destination, *reason);
            return;
        }
        if (const std::shared_ptr<clsFileSend> replaced = liveSender(own, destination, reqID)) {
            replaced->dropQuietly();
        }
        auto sender = std::make_shared<clsFileSend>();
        sender->destID = destination;
        sender->reqID = reqID;
        sender->Metadata = Metadata;
        sender->pacedByConfirmation = own.routeFiles;
        own.fileSends.push_back(sender);
        if (const std::shared_ptr<ConnectionServices> services = library().connectionServices) {
            services->transferStarted();  // a sender waiting for confirmations is watched
        }
        if (sender->openFile(own, path, range)) {
            sender->sendNext(own);
        } else {
            sender->cancelAndTell(own);
        }
        forgetFinishedSenders(own);
    });
}

std::shared_ptr<clsFileSend> liveSender(const Session& own, std::string_view destination,
                                        std::string_view reqID) {
    const auto found = std::find_if(own.fileSends.begin(), own.fileSends.end(),
                                    [&](const std::shared_ptr<clsFileSend>& sender) {
                                        return sender && !sender->finished() &&
                                               sender->reqID == reqID &&
                                               sender->destID == destination;
                                    });
    return found != own.fileSends.end() ? *found : nullptr;
}

bool cancelSender(Session& own, std::string_view reqID, std::string_view destination) {
    const std::shared_ptr<clsFileSend> sender = liveSender(own, destination, reqID);
    if (!sender) {
        return false;
    }
    sender->Cancel(own);
    forgetFinishedSenders(own);
    return true;
}

void fileChunkWritten(Session& own, const clsPendingPkt& chunk,
                      const std::shared_ptr<clsSocket>& connection) {
    guarded("checkNextChunk", [&] {
        if (chunk.reqID.empty() || !chunk.fileProgress) {
            return;
        }
        const std::shared_ptr<clsFileSend> sender = liveSender(own, chunk.Destination, chunk.reqID);
        if (!sender) {
            return;
        }
        if (std::shared_ptr<cXFile>* upload = own.uploads.find(chunk.reqID);
            upload && (*upload)->nodeID == chunk.Destination) {
            (*upload)->lngProgress = *chunk.fileProgress;
        }
        sender->written(own, connection, *chunk.fileProgress);
        forgetFinishedSenders(own);
    });
}

bool transfersLostConnection(Session& own, const std::shared_ptr<clsSocket>& connection) {
    return guarded("", false, [&] {
        bool interrupted = requestsLostConnection(own, connection);
        const int64_t now = platform::tickCount();
        for (const std::shared_ptr<clsFileSend>& sender : own.fileSends) {
            if (sender && sender->rides(connection)) {
                sender->interrupt(now);
                interrupted = true;
            }
        }
        return interrupted;
    });
}

void settleTransfers(const SessionPtr& own) {
    guarded("", [&] {
        const int64_t now = platform::tickCount();
        settleSenders(*own, now);
        for (std::string reqID : takeRequestsGivenUp(*own, now)) {
            std::string data;
            std::shared_ptr<cXRange> noRange;
            enmFileStatus status = FS_Canceled;
            Variant metadata = std::string();
            debugPrint("Transfer " + reqID + " given up: its sender cannot be reached");
            if (!raiseFileReceived(own, reqID, data, noRange, status, metadata) ||
                !switchSession(SessionHandle(own))) {
                return;
            }
        }
    });
}

}  // namespace qel
