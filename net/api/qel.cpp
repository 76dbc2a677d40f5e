#include "qellib/qel.h"

#include "guarded.h"
#include "node_object.h"

#include "qellib/discover.h"
#include "qellib/rpc.h"
#include "qellib/users.h"

#include <utility>

// cQEL forwards each call to its NodeObject, holding it for the call: a
// handler that destroys the cQEL meanwhile cannot pull the node away from
// under the call.
namespace qel {
namespace {

template <class Companion>
std::shared_ptr<Companion> companion(const char* source, const SessionHandle& session,
                                     std::weak_ptr<Session> Companion::*bound) {
    return guarded(source, std::shared_ptr<Companion>(), [&] {
        auto made = std::make_shared<Companion>();
        (*made).*bound = session;
        return made;
    });
}

}  // namespace

cQEL::cQEL(std::weak_ptr<cQELEvents> events)
    : node_(std::make_shared<NodeObject>(std::move(events))) {}

cQEL::~cQEL() {
    node_->shutDown();
}

void cQEL::Initialise(const std::string& nodeName, int32_t listenPort, enmRole Role,
                      const std::string& Descriptor, const std::string& sharedDir,
                      const std::string& advancedSettings) {
    const std::shared_ptr<NodeObject> node = node_;
    node->Initialise(nodeName, listenPort, Role, Descriptor, sharedDir, advancedSettings);
}

void cQEL::shareFolder(std::string& strPath) {
    const std::shared_ptr<NodeObject> node = node_;
    node->shareFolder(strPath);
}

void cQEL::stopSharing() {
    const std::shared_ptr<NodeObject> node = node_;
    node->stopSharing();
}

bool cQEL::Listen(int32_t lngPort) {
    const std::shared_ptr<NodeObject> node = node_;
    return node->Listen(lngPort);
}

std::string cQEL::Connect(const std::string& strNode, bool isNodeID, bool bMaintain) {
    const std::shared_ptr<NodeObject> node = node_;
    return node->Connect(strNode, isNodeID, bMaintain, false);
}

void cQEL::connectMaintainAsync(const std::string& strNode, bool isNodeID, bool bMaintain) {
    const std::shared_ptr<NodeObject> node = node_;
    node->Connect(strNode, isNodeID, bMaintain, true);
}

bool cQEL::disconnectFrom(const std::string& strNode, bool isNodeID) {
    const std::shared_ptr<NodeObject> node = node_;
    return node->disconnectFrom(strNode, isNodeID);
}

bool cQEL::disconnectByID(const std::string& connectionID) {
    const std::shared_ptr<NodeObject> node = node_;
    return node->disconnectByID(connectionID);
}

bool cQEL::disconnectAll() {
    const std::shared_ptr<NodeObject> node = node_;
    return node->disconnectAll();
}

bool cQEL::stopListening() {
    const std::shared_ptr<NodeObject> node = node_;
    return node->stopListening();
}

std::vector<typNodeInfo> cQEL::getNodeInfo(const std::string& strDestination, bool bUseCached) {
    const std::shared_ptr<NodeObject> node = node_;
    return node->getNodeInfo(strDestination, bUseCached);
}

typNodeInfo cQEL::knownNodeInfo(const std::string& nodeID) {
    const std::shared_ptr<NodeObject> node = node_;
    return node->knownNodeInfo(nodeID);
}

std::vector<typSearchResult> cQEL::searchReq(enmSearchType SearchType,
                                             const std::string& SearchText) {
    const std::shared_ptr<NodeObject> node = node_;
    return node->searchReq(SearchType, SearchText);
}

std::shared_ptr<cXRange> cQEL::makeRange(int64_t lngStart, int64_t lngEnd, int64_t lngLen) {
    const std::shared_ptr<NodeObject> node = node_;
    return node->makeRange(lngStart, lngEnd, lngLen);
}

StringArray cQEL::getContents(std::string& strPath, const std::string& nodeID, bool searchSubDirs) {
    const std::shared_ptr<NodeObject> node = node_;
    return node->getContents(strPath, nodeID, searchSubDirs);
}

typFileInfo cQEL::getFileInfo(std::string& remotePath, const std::string& nodeID, bool skipHash) {
    const std::shared_ptr<NodeObject> node = node_;
    return node->getFileInfo(remotePath, nodeID, skipHash);
}

std::string cQEL::requestFile(const std::string& remotePath, const std::string& nodeID,
                              const std::shared_ptr<cXRange>& Range, const Variant& Metadata) {
    const std::shared_ptr<NodeObject> node = node_;
    return node->requestFile(remotePath, nodeID, Range, Metadata);
}

void cQEL::sendFile(const std::string& nodeID, const std::string& reqID, const std::string& Data,
                    enmFileStatus fileStatus, const std::string&,
                    const std::shared_ptr<cXRange>& Range,
                    const std::shared_ptr<cXFile>& uploadInfo, const Variant& Metadata) {
    const std::shared_ptr<NodeObject> node = node_;
    node->sendFile(nodeID, reqID, Data, fileStatus, Range, uploadInfo, Metadata);
}

std::vector<std::shared_ptr<cXFile>> cQEL::getUploads() {
    const std::shared_ptr<NodeObject> node = node_;
    return node->getUploads();
}

void cQEL::removeUpload(const std::string& reqID) {
    const std::shared_ptr<NodeObject> node = node_;
    node->removeUpload(reqID);
}

std::optional<std::string> cQEL::fileReceivedFrom() const {
    return node_->fileReceivedFrom();
}

void cQEL::serveFileRequest(const std::string& Resource, const std::string& fullPath,
                            const std::string& nodeID, const std::string& reqID,
                            const std::shared_ptr<cXRange>& Range) {
    const std::shared_ptr<NodeObject> node = node_;
    node->serveFileRequest(Resource, fullPath, nodeID, reqID, Range);
}

std::optional<std::string> cQEL::fileRequestConnection() const {
    return node_->fileRequestConnection();
}

void cQEL::sendMessage(const std::string& strMessage, const std::string& nodeID,
                       const std::string& strType) {
    const std::shared_ptr<NodeObject> node = node_;
    node->sendMessage(strMessage, nodeID, strType);
}

int64_t cQEL::Ping(const std::string& nodeID, int64_t Timeout) {
    const std::shared_ptr<NodeObject> node = node_;
    return node->Ping(nodeID, Timeout);
}

bool cQEL::hasUnsentPackets() {
    const std::shared_ptr<NodeObject> node = node_;
    return node->hasUnsentPackets();
}

bool cQEL::isConnected() {
    const std::shared_ptr<NodeObject> node = node_;
    return node->isConnected();
}

void cQEL::setRole(enmRole Role) {
    const std::shared_ptr<NodeObject> node = node_;
    node->setRole(Role);
}

void cQEL::setName(const std::string& Name) {
    const std::shared_ptr<NodeObject> node = node_;
    node->setName(Name);
}

void cQEL::setAdvanced(const std::string& Settings) {
    const std::shared_ptr<NodeObject> node = node_;
    node->setAdvanced(Settings);
}

void cQEL::shutDown() {
    const std::shared_ptr<NodeObject> node = node_;
    node->shutDown();
}

std::shared_ptr<cQELUsers> cQEL::newUsersInstance() {
    return companion("newUsersInstance", node_->session(), &cQELUsers::session_);
}

std::shared_ptr<cQELRPC> cQEL::newRPCInstance(std::weak_ptr<cQELRPCEvents> events) {
    std::shared_ptr<cQELRPC> made =
        companion("newRPCInstance", node_->session(), &cQELRPC::session_);
    if (made) {
        made->events_ = std::move(events);
    }
    return made;
}

std::shared_ptr<cQELDiscover> cQEL::newDiscoverInstance() {
    return companion("newDiscoverInstance", node_->session(), &cQELDiscover::session_);
}

void cQEL::startNodeInfoAsync() {
    const std::shared_ptr<NodeObject> node = node_;
    node->startNodeInfoAsync();
}

void cQEL::stopNodeInfoAsync() {
    const std::shared_ptr<NodeObject> node = node_;
    node->stopNodeInfoAsync();
}

int32_t cQEL::sessionIndex() const {
    return node_->sessionIndex();
}

std::weak_ptr<Session> sessionOf(const cQEL& node) {
    return node.node_->session();
}

}  // namespace qel
