#include "file_transfer.h"

#include "byte_range.h"
#include "event_raisers.h"
#include "fields.h"
#include "file_packets.h"
#include "file_send.h"
#include "guarded.h"
#include "library_state.h"
#include "numbers.h"
#include "share_resolver.h"

#include "platform/files.h"
#include "platform/runtime_error.h"
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

// The record of a request served again under the same ID starts afresh.
void startUploadRecord(Session& own, const std::string& reqID, const std::string& nodeID,
                       const std::string& Resource, const std::string& fullPath) {
    std::shared_ptr<cXFile>* existing = own.uploads.find(reqID);
    if (existing == nullptr) {
        newUpload(own, reqID, nodeID, Resource, fullPath);
        return;
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
}

// GET: a path the shares do not hold (or that the resolver refuses) is
// refused before the application hears of it. Otherwise the application may
// take the request over (TakeNoAction) or change what is served; what it
// leaves in fullPath, nodeID, reqID and Range is what is served.
void doGet(const clsPacket& pkt, const Connection&, const std::string& strSource) {
    guarded("doGet", [&] {
        const SessionPtr own = requireCurrentSession();
        std::string reqID = getText(pkt, "ReqID");
        std::shared_ptr<cXRange> range = rangeField(pkt, "Range");
        const std::optional<SharedTarget> target = resolveSharedFile(*own, pkt.Resource);
        if (!target) {
            sendFileRefusal(reqID, strSource);
            return;
        }
        std::string resource = pkt.Resource;
        std::string fullPath = target->localPath;
        std::string nodeID = strSource;
        Variant metadata = GetField(pkt, "Metadata", std::string());
        bool takeNoAction = false;
        if (!raiseFileRequest(own, resource, fullPath, nodeID, reqID, range, metadata,
                              takeNoAction) ||
            takeNoAction) {
            return;
        }
        if (!own->sharing || !platform::isRegularFile(fullPath)) {
            sendFileRefusal(reqID, nodeID);
            return;
        }
        startUploadRecord(*own, reqID, nodeID, pkt.Resource, fullPath);
        startFileSend(*own, fullPath, nodeID, reqID, std::string(), range.get());
    });
}

// FILE: a cancel from the transfer's own receiver stops its sender; every
// FILE reaches the application, confirmed first when its sender asks.
void doFile(clsPacket& pkt, const Connection&, const std::string& strSource) {
    guarded("doFile", [&] {
        const SessionPtr own = requireCurrentSession();
        std::shared_ptr<cXRange> range = rangeField(pkt, "Content-Range");
        const std::string statusText = getText(pkt, "FileStatus");
        auto fileStatus = static_cast<enmFileStatus>(statusText.empty() ? -1 : toInt32(statusText));
        std::string reqID = getText(pkt, "ReqID");
        if (fileStatus == FS_Canceled) {
            cancelSender(*own, reqID, &strSource);
        }
        if (hasFlag(pkt, "RF")) {
            doFileConfirm(pkt);
        }
        Variant metadata = GetField(pkt, "Metadata", std::string());
        std::string data = std::move(pkt.Data);  // the chunk is the application's
        raiseFileReceived(own, reqID, data, range, fileStatus, metadata, strSource);
    });
}

void onReqConfirm(const clsPacket& pkt, const Connection&, const std::string&) {
    doFileConfirm(pkt);
}

// FILECONFIRM: the receiver asks for the next chunk (or the one held back).
void doFileConfirmed(const clsPacket& pkt, const Connection&, const std::string& strSource) {
    guarded("doFileConfirm", [&] {
        const SessionPtr own = requireCurrentSession();
        const std::shared_ptr<clsFileSend> sender = liveSender(*own, getText(pkt, "ReqID"));
        if (sender && sender->destID == strSource) {
            sender->sendNext(*own);
            forgetFinishedSenders(*own);
        }
    });
}

}  // namespace

void addFileTransferMethods(DispatchTable& table) {
    table.add("GET", doGet);
    table.add("FILE", doFile);
    table.add("REQCONFIRM", onReqConfirm);
    table.add("FILECONFIRM", doFileConfirmed);
}

std::shared_ptr<cXFile> newUpload(Session& own, const std::string& reqID, const std::string& nodeID,
                                  const std::string& Resource, const std::string& fullPath) {
    return guarded("", std::shared_ptr<cXFile>(), [&] {
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
        if (const std::shared_ptr<clsFileSend> replaced = liveSender(own, reqID)) {
            replaced->dropQuietly();
        }
        auto sender = std::make_shared<clsFileSend>();
        sender->destID = destination;
        sender->reqID = reqID;
        sender->Metadata = Metadata;
        own.fileSends.push_back(sender);
        if (sender->openFile(own, path, range)) {
            sender->sendNext(own);
        } else {
            sender->cancelAndTell(own);
        }
        forgetFinishedSenders(own);
    });
}

std::shared_ptr<clsFileSend> liveSender(const Session& own, std::string_view reqID) {
    const auto found =
        std::find_if(own.fileSends.rbegin(), own.fileSends.rend(),
                     [reqID](const std::shared_ptr<clsFileSend>& sender) {
                         return sender && !sender->finished() && sender->reqID == reqID;
                     });
    return found != own.fileSends.rend() ? *found : nullptr;
}

bool cancelSender(Session& own, std::string_view reqID, const std::string* from) {
    const std::shared_ptr<clsFileSend> sender = liveSender(own, reqID);
    if (!sender || (from != nullptr && sender->destID != *from)) {
        return false;
    }
    sender->Cancel(own);
    forgetFinishedSenders(own);
    return true;
}

void checkNextChunk(const std::string& reqID) {
    guarded("checkNextChunk", [&] {
        const SessionPtr own = requireCurrentSession();
        if (const std::shared_ptr<clsFileSend> sender = liveSender(*own, reqID)) {
            sender->sendNext(*own);
            forgetFinishedSenders(*own);
        }
    });
}

void prepareNextChunk(const std::string& reqID) {
    guarded("prepareNextChunk", [&] {
        const SessionPtr own = requireCurrentSession();
        if (const std::shared_ptr<clsFileSend> sender = liveSender(*own, reqID)) {
            sender->readAhead(*own);
        }
    });
}

bool recordUploadProgress(Session& own, const std::string& reqID, int64_t lastByte) {
    if (std::shared_ptr<cXFile>* upload = own.uploads.find(reqID)) {
        (*upload)->lngProgress = lastByte;
    }
    return liveSender(own, reqID) != nullptr;
}

}  // namespace qel
