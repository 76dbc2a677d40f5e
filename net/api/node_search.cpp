#include "node_object.h"

#include "fields.h"
#include "node_frame.h"
#include "pending_request.h"
#include "send_pipeline.h"

// Searching the network for nodes or shared files by name.
namespace qel {

std::vector<typSearchResult> NodeObject::searchReq(enmSearchType SearchType,
                                                   const std::string& SearchText) {
    return publicOperation(
        session_, "searchReq", std::vector<typSearchResult>(), [&](const SessionPtr& own) {
            const PendingRequest<typSearchReq> pending(
                own, &Session::pendingSearches, typSearchReq{{typSearchResult()}, {}, false});
            clsPacket search;
            search.Method = "SEARCH";
            search.Resource = SearchText;
            if (SearchType == Find_Node || SearchType == Find_File) {
                SetField(search, "Type", SearchType == Find_Node ? "Node" : "File");
            }
            SetField(search, "ReqID", pending.reqID());
            sendPacket(search);
            // Answers only add hits, so the wait lasts the whole Timeout.
            if (!pending.waitForAnswer()) {
                return std::vector<typSearchResult>();  // the node shut down meanwhile
            }
            const typSearchReq* collected = pending.request();
            return collected != nullptr ? collected->results : std::vector<typSearchResult>(1);
        });
}

}  // namespace qel
