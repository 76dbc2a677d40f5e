#include "node_info.h"

#include "connection.h"
#include "error_log.h"
#include "event_raisers.h"
#include "fields.h"
#include "guarded.h"
#include "input_limits.h"
#include "library_state.h"
#include "lookups.h"
#include "numbers.h"
#include "send_pipeline.h"
#include "session_wait.h"
#include "value_conversions.h"

#include "platform/event_loop.h"
#include "platform/runtime_error.h"
#include "platform/scoped_assignment.h"
#include "qellib/settings.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace qel {
namespace {

constexpr int64_t AnswerPollMs = 10;

// This node's description, as the body of an INFO.
std::string infoBody(const Session& own) {
    cSettings body;
    body.SaveSetting("Name", own.nodeName);
    body.SaveSetting("Role", static_cast<int64_t>(own.Role));
    body.SaveSetting("Descriptor", own.Descriptor);
    body.SaveSetting("Encryption-Key", own.encryptionKey);
    body.SaveSetting("Address", library().localAddress + ":" + std::to_string(own.listenPort));
    body.SaveSetting("Sharing-Files", own.sharing);
    body.SaveSetting("Active-User", own.activeUser);
    return body.getXML();
}

enmRole roleOf(const Variant& value) {
    return static_cast<enmRole>(int32Of(value));
}

// One text of a description, cut to limits::MaxDescriptionFieldBytes.
std::string describedText(const cSettings& description, const char* key) {
    std::string text = textOf(description.GetSetting(key, std::string()));
    if (static_cast<int64_t>(text.size()) > limits::MaxDescriptionFieldBytes) {
        text.resize(static_cast<size_t>(limits::MaxDescriptionFieldBytes));
    }
    return text;
}

// The description in an INFO body; throws when "Role" or "Sharing-Files"
// cannot be read.
typNodeEntry readDescription(const std::string& body, const std::string& nodeID) {
    cSettings description;
    description.LoadXML(body);
    typNodeEntry entry;
    entry.ID = nodeID;
    entry.Name = describedText(description, "Name");
    entry.Descriptor = describedText(description, "Descriptor");
    entry.Address = describedText(description, "Address");
    entry.encryptionKey = describedText(description, "Encryption-Key");
    entry.Role = roleOf(description.GetSetting("Role", int64_t{1}));
    entry.sharingFiles = booleanOf(description.GetSetting("Sharing-Files", false));
    entry.activeUser = describedText(description, "Active-User");
    return entry;
}

// The port of an advertised address: the text after its last ":", or all of it.
std::string_view advertisedPort(std::string_view address) {
    const size_t colon = address.rfind(':');
    return colon == std::string_view::npos ? address : address.substr(colon + 1);
}

// The node described itself over `connection`, which now knows its peer.
void learnDirectPeer(clsSocket& connection, typNodeEntry& entry) {
    connection.remoteNodeID = entry.ID;
    const platform::SocketControl* control = connection.sck();
    std::string address = control != nullptr ? control->remoteHostIP() : std::string();
    address.append(":").append(advertisedPort(entry.Address));
    // An accepted connection learns where its peer listens. An outgoing one
    // keeps the address it was opened to, where it reconnects.
    if (connection.Address.empty()) {
        connection.Address = address;
    }
    entry.Address = std::move(address);
    entry.directConn = true;
}

void storeInTable(Session& own, typNodeEntry entry) {
    std::vector<typNodeEntry>& table = own.nodeTable;
    if (const int32_t found = findNodeInfo(own, entry.ID); found >= 0) {
        typNodeEntry& stored = table[static_cast<size_t>(found)];
        // A ping waiting for this node's PONG goes on waiting for it.
        entry.pingReqID = std::move(stored.pingReqID);
        entry.pingSent = stored.pingSent;
        entry.pingResult = stored.pingResult;
        stored = std::move(entry);
    } else if (!table.empty() && table.front().ID.empty()) {
        table.front() = std::move(entry);
    } else if (static_cast<int64_t>(table.size()) < limits::MaxNodeTableEntries) {
        table.push_back(std::move(entry));
        if (static_cast<int64_t>(table.size()) == limits::MaxNodeTableEntries) {
            logError(platform::rt::OutOfMemory,
                     "Node table full: further nodes are not kept until it is cleared");
        }
    }
}

// The latest description of every node the process heard of, up to the
// cache's highest index; a new node beyond it pushes the oldest place out.
void rememberInCache(const typNodeEntry& entry) {
    LibraryState& lib = library();
    std::vector<typNodeEntry>& cache = lib.nodeCache;
    if (const int32_t found = findCachedNodeInfo(entry.ID); found >= 0) {
        cache[static_cast<size_t>(found)] = entry;
        return;
    }
    // However high the setting, the cache keeps no more nodes than a node table.
    const auto highestIndex = static_cast<size_t>(
        std::clamp<int64_t>(lib.nodeCacheMax, 0, limits::MaxNodeTableEntries - 1));
    if (cache.size() > highestIndex) {
        cache.erase(cache.begin(),
                    cache.begin() + static_cast<std::ptrdiff_t>(cache.size() - highestIndex));
    }
    cache.push_back(entry);
}

void sendWhois(const std::string& strDest) {
    clsPacket whois;
    whois.Method = "WHOIS";
    AddField(whois, "Destination", strDest);
    sendPacket(whois);
}

const typNodeEntry* knownNode(const Session& own, const std::string& nodeID) {
    if (const int32_t index = findNodeInfo(own, nodeID); index >= 0) {
        return &own.nodeTable[static_cast<size_t>(index)];
    }
    if (const int32_t index = findCachedNodeInfo(nodeID); index >= 0) {
        return &library().nodeCache[static_cast<size_t>(index)];
    }
    return nullptr;
}

void askOneNode(const SessionPtr& own, const std::string& strDest, bool bUseCached, bool async,
                typNodeInfo& answer) {
    if (bUseCached) {
        if (const typNodeEntry* known = knownNode(*own, strDest)) {
            answer = copyNodeInfo(*known);
            return;
        }
    }
    // The session's asynchronous mode for the time of this query.
    const platform::ScopedAssignment mode(own->nodeInfoAsync, async);
    sendWhois(strDest);
    waitInSession(own, own->Timeout, AnswerPollMs, [&] {
        const int32_t index = findNodeInfo(*own, strDest);
        if (index >= 0) {
            answer = copyNodeInfo(own->nodeTable[static_cast<size_t>(index)]);
        }
        return index >= 0;
    });
}

void askEveryNode(const SessionPtr& own, bool async, std::vector<typNodeInfo>& answers) {
    own->nodeTable.assign(1, typNodeEntry());
    if (async) {
        own->nodeInfoAsync = true;  // until the application switches it off
        sendWhois("BROADCAST");
        return;
    }
    const platform::ScopedAssignment mode(own->nodeInfoAsync, false);
    sendWhois("BROADCAST");
    if (!waitInSession(own, own->Timeout, AnswerPollMs, [] { return false; })) {
        return;
    }
    answers.clear();
    for (const typNodeEntry& entry : own->nodeTable) {
        answers.push_back(copyNodeInfo(entry));
    }
}

}  // namespace

void sendInfo(const std::string& strDest, const std::shared_ptr<clsSocket>& sendVia) {
    guarded("", [&] {
        const SessionPtr own = requireCurrentSession();
        clsPacket info;
        info.Method = "INFO";
        info.Data = infoBody(*own);
        AddField(info, "Destination", strDest);
        sendPacket(info, nullptr, sendVia);
    });
}

void handleWhois(const std::string& strSource) {
    sendInfo(strSource, nullptr);
}

void handleInfo(const clsPacket& pkt, const std::string& strSource,
                const std::shared_ptr<clsSocket>& sock) {
    guarded("", [&] {
        const SessionPtr own = requireCurrentSession();
        if (strSource.empty()) {
            return;  // a description of nobody: it would read as an empty place
        }
        typNodeEntry entry = readDescription(pkt.Data, strSource);
        const std::string hops = getText(pkt, "Hops");
        if (sock && !hops.empty() && toInt32(hops) == 0) {
            learnDirectPeer(*sock, entry);
        }
        if (own->nodeInfoAsync) {
            typNodeInfo info = copyNodeInfo(entry);
            raiseNodeInfo(own, info);
        } else {
            storeInTable(*own, entry);
        }
        rememberInCache(entry);
    });
}

std::vector<typNodeInfo> getNodeInfo(const std::string& strDest, bool bUseCached, bool async) {
    std::vector<typNodeInfo> answers(1);
    guarded("", [&] {
        const SessionPtr own = requireCurrentSession();
        if (strDest == "BROADCAST") {
            askEveryNode(own, async, answers);
        } else {
            askOneNode(own, strDest, bUseCached, async, answers.front());
        }
    });
    return answers;
}

typNodeInfo knownNodeInfo(const std::string& nodeID) {
    typNodeInfo info;
    guarded("", [&] {
        if (const typNodeEntry* known = knownNode(*requireCurrentSession(), nodeID)) {
            info = copyNodeInfo(*known);
        }
    });
    return info;
}

std::string getNodeAddress(const std::string& nodeID) {
    if (nodeID.empty()) {
        return {};
    }
    return getNodeInfo(nodeID, true, false).front().Address;
}

typNodeInfo copyNodeInfo(const typNodeEntry& entry) {
    typNodeInfo info;
    info.ID = entry.ID;
    info.Name = entry.Name;
    info.Role = entry.Role;
    info.Descriptor = entry.Descriptor;
    info.directConn = entry.directConn;
    info.Address = entry.Address;
    info.sharingFiles = entry.sharingFiles;
    info.activeUser = entry.activeUser;
    return info;
}

}  // namespace qel
