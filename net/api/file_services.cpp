#include "file_services.h"

#include "fields.h"
#include "file_information.h"
#include "long_work.h"
#include "lookups.h"
#include "send_pipeline.h"
#include "session.h"
#include "settings_text.h"
#include "share_contents.h"
#include "share_resolver.h"
#include "value_conversions.h"

#include "qellib/settings.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qel {
namespace {

using Connection = std::shared_ptr<clsSocket>;

constexpr std::string_view kContents = "Contents";  // the array of a CONTENTS body

cSettings bodyOf(std::string_view text) {
    cSettings body;
    body.LoadXML(text);
    return body;
}

// Sends an answer to the node that asked, under the request's ID.
void answer(const char* method, const std::string& reqID, const std::string& strSource,
            std::string body) {
    clsPacket reply;
    reply.Method = method;
    reply.Data = std::move(body);
    AddField(reply, "Destination", strSource);
    AddField(reply, "ReqID", reqID);
    sendPacket(std::move(reply));
}

void answer(const char* method, const clsPacket& request, const std::string& strSource,
            std::string body) {
    answer(method, getText(request, "ReqID"), strSource, std::move(body));
}

// Fills the pending request of this node that the answer's "ReqID" names
// from the answer's body and marks it done; an answer to no pending request
// is ignored. A body that cannot be read leaves the request waiting until
// its time-out.
template <class Request, class Fill>
void completeRequest(const clsPacket& pkt, std::vector<Request> Session::*table,
                     int32_t (*find)(const Session&, std::string_view), Fill fill) {
    const SessionPtr own = requireCurrentSession();
    const int32_t index = find(*own, getText(pkt, "ReqID"));
    if (index < 0) {
        return;
    }
    Request& request = ((*own).*table)[static_cast<size_t>(index)];
    fill(request, pkt.Data);
    request.done = true;
}

std::string fileInfoBody(const typFileInfo& info) {
    cSettings body;
    body.SaveSetting("Hash", info.strHash);
    body.SaveSetting("FileSize", info.lngSize);
    return body.getXML();
}

// FILEINFO: the size (-1 for a file that is not shared, missing or refused)
// and, unless "skipHash" is True, the MD5 digest of its bytes. Hashing reads
// the whole file, so it is long work, done in turn; refused, it answers as
// for a missing file.
void handleGetFileInfo(const clsPacket& pkt, const Connection&, const std::string& strSource) {
    const SessionPtr own = requireCurrentSession();
    const bool skipHash = booleanOf(bodyOf(pkt.Data).GetSetting("skipHash", false));
    typFileInfo info;
    const std::optional<SharedTarget> file = resolveSharedFile(*own, pkt.Resource);
    if (file) {
        info.lngSize = file->size;
    }
    if (!file || skipHash) {
        answer("FILEINFO", pkt, strSource, fileInfoBody(info));
        return;
    }
    const std::string reqID = getText(pkt, "ReqID");
    doLongWork({"A file hash",
                [reqID, strSource, info, localPath = file->localPath]() mutable {
                    const SessionPtr hashing = requireCurrentSession();
                    info.strHash = hashFile(localPath);
                    if (switchSession(SessionHandle(hashing))) {  // the node may have shut down
                        answer("FILEINFO", reqID, strSource, fileInfoBody(info));
                    }
                },
                [reqID, strSource] { answer("FILEINFO", reqID, strSource, fileInfoBody({})); }});
}

void handleFileInfo(const clsPacket& pkt, const Connection&, const std::string&) {
    completeRequest(pkt, &Session::pendingFileInfo, findFileInfoRequest,
                    [](typFileInfoReq& request, std::string_view text) {
                        const cSettings body = bodyOf(text);
                        const int64_t size = int64Of(body.GetSetting("FileSize", int64_t{0}));
                        request.info = {size, textOf(body.GetSetting("Hash", std::string()))};
                    });
}

std::string contentsBody(const StringArray& listing) {
    return settings_text::arrayText(kContents, listing);
}

// CONTENTS: the listing of the path as the array "Contents". A listing of a
// whole tree lets events run as it goes, so it is long work, done in turn;
// refused, it answers as for a path that is not shared.
void handleGetContents(const clsPacket& pkt, const Connection&, const std::string& strSource) {
    const SessionPtr own = requireCurrentSession();
    const bool subDirs = booleanOf(bodyOf(pkt.Data).GetSetting("SearchSubDirs", false));
    if (!subDirs) {
        answer("CONTENTS", pkt, strSource,
               contentsBody(getShareContents(*own, pkt.Resource, false)));
        return;
    }
    const std::string reqID = getText(pkt, "ReqID");
    doLongWork({"A recursive listing",
                [reqID, strSource, path = pkt.Resource] {
                    const SessionPtr listing = requireCurrentSession();
                    const StringArray contents = getShareContents(*listing, path, true);
                    if (switchSession(SessionHandle(listing))) {  // the node may have shut down
                        answer("CONTENTS", reqID, strSource, contentsBody(contents));
                    }
                },
                [reqID, strSource] {
                    answer("CONTENTS", reqID, strSource, contentsBody(StringArray(1)));
                }});
}

// A listing as written above is read directly; any other body through the
// settings store.
void handleContents(const clsPacket& pkt, const Connection&, const std::string&) {
    completeRequest(pkt, &Session::pendingContents, findContentsRequest,
                    [](typContentsReq& request, std::string_view text) {
                        if (std::optional<StringArray> listing =
                                settings_text::readArrayText(text, kContents)) {
                            request.contents = std::move(*listing);
                            return;
                        }
                        request.contents = bodyOf(text).GetSettingArray(kContents, StringArray(1));
                    });
}

}  // namespace

void addFileServiceMethods(DispatchTable& table) {
    table.add("GETFILEINFO", handleGetFileInfo);
    table.add("FILEINFO", handleFileInfo);
    table.add("GETCONTENTS", handleGetContents);
    table.add("CONTENTS", handleContents);
}

}  // namespace qel
