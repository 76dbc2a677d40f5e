#include "file_services.h"

#include "fields.h"
#include "file_information.h"
#include "lookups.h"
#include "send_pipeline.h"
#include "session.h"
#include "share_contents.h"
#include "share_resolver.h"
#include "value_conversions.h"

#include "qellib/settings.h"

#include <string>

namespace qel {
namespace {

using Connection = std::shared_ptr<clsSocket>;

cSettings bodyOf(const clsPacket& pkt) {
    cSettings body;
    body.LoadXML(pkt.Data);
    return body;
}

// Sends an answer to the node that asked, under the request's ID.
void answer(const char* method, const clsPacket& request, const std::string& strSource,
            std::string body) {
    clsPacket reply;
    reply.Method = method;
    reply.Data = std::move(body);
    AddField(reply, "Destination", strSource);
    AddField(reply, "ReqID", getText(request, "ReqID"));
    sendPacket(reply);
}

// FILEINFO: the size (-1 for a file that is not shared, missing or refused)
// and, unless "skipHash" is True, the MD5 digest of its bytes.
void handleGetFileInfo(const clsPacket& pkt, const Connection&, const std::string& strSource) {
    const SessionPtr own = requireCurrentSession();
    const bool skipHash = booleanOf(bodyOf(pkt).GetSetting("skipHash", false));
    typFileInfo info;
    if (const std::optional<SharedTarget> file = resolveSharedFile(*own, pkt.Resource)) {
        info.lngSize = file->size;
        if (!skipHash) {
            info.strHash = hashFile(file->localPath);
            if (!switchSession(SessionHandle(own))) {
                return;  // the node shut down while events ran
            }
        }
    }
    cSettings body;
    body.SaveSetting("Hash", info.strHash);
    body.SaveSetting("FileSize", info.lngSize);
    answer("FILEINFO", pkt, strSource, body.getXML());
}

void handleFileInfo(const clsPacket& pkt, const Connection&, const std::string&) {
    const SessionPtr own = requireCurrentSession();
    const int32_t index = findFileInfoRequest(*own, getText(pkt, "ReqID"));
    if (index < 0) {
        return;
    }
    const cSettings body = bodyOf(pkt);
    typFileInfo info;
    info.lngSize = int64Of(body.GetSetting("FileSize", int64_t{0}));
    info.strHash = textOf(body.GetSetting("Hash", std::string()));
    typFileInfoReq& request = own->pendingFileInfo[static_cast<size_t>(index)];
    request.info = std::move(info);
    request.done = true;
}

// CONTENTS: the listing of the path as the array "Contents".
void handleGetContents(const clsPacket& pkt, const Connection&, const std::string& strSource) {
    const SessionPtr own = requireCurrentSession();
    const bool subDirs = booleanOf(bodyOf(pkt).GetSetting("SearchSubDirs", false));
    const StringArray listing = getShareContents(*own, pkt.Resource, subDirs);
    if (!switchSession(SessionHandle(own))) {
        return;  // the node shut down while a recursive listing let events run
    }
    cSettings body;
    body.SaveSettingArray("Contents", listing);
    answer("CONTENTS", pkt, strSource, body.getXML());
}

void handleContents(const clsPacket& pkt, const Connection&, const std::string&) {
    const SessionPtr own = requireCurrentSession();
    const int32_t index = findContentsRequest(*own, getText(pkt, "ReqID"));
    if (index < 0) {
        return;
    }
    StringArray contents = bodyOf(pkt).GetSettingArray("Contents", StringArray(1));
    typContentsReq& request = own->pendingContents[static_cast<size_t>(index)];
    request.contents = std::move(contents);
    request.done = true;
}

}  // namespace

void addFileServiceMethods(DispatchTable& table) {
    table.add("GETFILEINFO", handleGetFileInfo);
    table.add("FILEINFO", handleFileInfo);
    table.add("GETCONTENTS", handleGetContents);
    table.add("CONTENTS", handleContents);
}

}  // namespace qel
