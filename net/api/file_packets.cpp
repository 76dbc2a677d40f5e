#include "file_packets.h"

#include "connection.h"
#include "fields.h"
#include "file_send.h"
#include "guarded.h"
#include "identifiers.h"
#include "lookups.h"
#include "route_table.h"
#include "send_pipeline.h"
#include "value_conversions.h"

#include "qellib/x_file.h"

#include <utility>

namespace qel {
namespace {

constexpr int32_t MaxRoutingFailures = 5;

void sendReqConfirm(const std::string& reqID, const std::string& destination) {
    clsPacket ask;
    ask.Method = "REQCONFIRM";
    AddField(ask, "ReqID", reqID);
    AddField(ask, "Destination", destination);
    sendPacket(ask);
}

// No connection for a chunk: ask the receiver for the way, or give up and
// tell it so (the notice is flooded, as the REQCONFIRMs were).
std::string routeMissing(Session& own, const std::string& reqID, const std::string& destination,
                         clsFileSend* sender) {
    if (sender != nullptr && ++sender->routingFailures >= MaxRoutingFailures) {
        sender->cancelAndTell(own);
        return "Routing failed";
    }
    sendReqConfirm(reqID, destination);
    return "Re-routing";
}

}  // namespace

std::shared_ptr<clsSocket> chunkRoute(const Session& own, const std::string& destination) {
    if (destination == own.nodeID && own.seeSelf) {
        return getDirectSocket(own, destination);
    }
    return findRoute(own, destination);
}

void setValueField(clsPacket& pkt, std::string_view name, const Variant& value) {
    if (const auto* array = std::get_if<StringArray>(&value)) {
        AddField(pkt, name, *array);
    } else {
        AddField(pkt, name, textOf(value));
    }
}

bool sendFileChunk(Session& own, const std::string& destination, const std::string& contentRange,
                   std::string data, std::string reqID, int32_t fileStatus, const Variant& Metadata,
                   const std::shared_ptr<clsSocket>& connection, clsFileSend* sender,
                   std::optional<int64_t> originalLength, SentChunk* sent) {
    return guarded("", false, [&] {
        if (reqID.empty()) {
            reqID = newID();
        }
        clsPacket file;
        file.Method = "FILE";
        file.Data = std::move(data);
        AddField(file, "ReqID", reqID);
        AddField(file, "Destination", destination);
        AddField(file, "FileStatus", std::to_string(fileStatus));
        setValueField(file, "Metadata", Metadata);
        if (sender != nullptr ? sender->pacedByConfirmation : own.routeFiles) {
            AppendField(file, "Flags", "RF", ",");
        }
        if (!contentRange.empty()) {
            AddField(file, "Content-Range", contentRange);
        }
        if (originalLength) {
            AppendField(file, "Flags", "Z", ",");
            AddField(file, "Original-Length", std::to_string(*originalLength));
        }
        const std::shared_ptr<clsSocket> via =
            connection ? connection : chunkRoute(own, destination);
        std::string statusText;
        if (via) {
            if (sender != nullptr) {
                sender->routingFailures = 0;
            }
            fillDefaults(own, file);  // its ID is known before the packet is given up
            std::string id = getText(file, "ID");
            sendPacket(std::move(file), nullptr, via);
            if (sent != nullptr) {
                *sent = {via, std::move(id)};
            }
        } else {
            statusText = routeMissing(own, reqID, destination, sender);
        }
        if (std::shared_ptr<cXFile>* upload = own.uploads.find(reqID);
            upload && (*upload)->nodeID == destination) {
            (*upload)->extendedStatus = statusText;
        }
        return via != nullptr;
    });
}

void sendFileRefusal(const std::string& reqID, const std::string& destination) {
    guarded("", [&] {
        clsPacket refusal;
        refusal.Method = "FILE";
        AddField(refusal, "ReqID", reqID);
        AddField(refusal, "Destination", destination);
        AddField(refusal, "FileStatus", "3");
        sendPacket(refusal);
    });
}

void doFileConfirm(const clsPacket& pkt, const std::shared_ptr<clsSocket>& arrival) {
    guarded("doFileConfirm", [&] {
        clsPacket confirm;
        confirm.Method = "FILECONFIRM";
        AddField(confirm, "ReqID", getText(pkt, "ReqID"));
        AddField(confirm, "Destination", getText(pkt, "Source"));
        AddField(confirm, "ID", getText(pkt, "ID") + "RF");
        // Back the way the packet came: that way was open a moment ago, while
        // the route to its source may still be a connection the source has
        // closed and this node has not seen close yet.
        sendPacket(confirm, nullptr,
                   arrival != nullptr && arrival->isConnected ? arrival : nullptr);
    });
}

}  // namespace qel
