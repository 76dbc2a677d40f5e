#include "node_connection_services.h"

#include "file_transfer.h"

namespace qel {

bool NodeConnectionServices::recordUploadProgress(Session& session, const std::string& reqID,
                                                  int64_t lastByte) {
    return qel::recordUploadProgress(session, reqID, lastByte);
}

void NodeConnectionServices::checkNextChunk(const std::string& reqID) {
    qel::checkNextChunk(reqID);
}

void NodeConnectionServices::prepareNextChunk(const std::string& reqID) {
    qel::prepareNextChunk(reqID);
}

}  // namespace qel
