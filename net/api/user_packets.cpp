#include "user_packets.h"

#include "fields.h"
#include "guarded.h"
#include "node_info.h"
#include "send_pipeline.h"
#include "user_store.h"

#include "platform/ascii.h"
#include "platform/runtime_error.h"
#include "qellib/settings.h"

namespace qel {
namespace {

using Connection = std::shared_ptr<clsSocket>;

std::string commonText(const cSettings& doc, std::string_view name) {
    return toText(doc.GetSetting(name, std::string())).value_or("");
}

// The name the node is known by, asking it when it is not known yet. The
// session is current again afterwards; false when it has gone meanwhile.
bool nameOfNode(const std::string& nodeID, std::string& name) {
    const SessionHandle own = currentSession();
    const std::vector<typNodeInfo> info = getNodeInfo(nodeID, true, false);
    name = info.empty() ? std::string() : info.front().Name;
    return switchSession(own);
}

void handleUpdateUser(const clsPacket& pkt, const Connection&, const std::string& strSource) {
    cSettings doc;
    doc.LoadXML(pkt.Data);
    const std::string user = commonText(doc, "Name");
    const std::string operation = platform::asciiUpper(commonText(doc, "Operation"));
    if (!isStorableUserName(user)) {
        return;
    }
    if (operation == "UPDATE") {
        const std::string password = commonText(doc, "Password");
        std::string authority;
        if (nameOfNode(strSource, authority)) {
            saveUser(userStore(), user, password, authority, "");
        }
    } else if (operation == "REMOVE") {
        removeUser(userStore(), user);
    }
}

void handleUserList(const clsPacket& pkt, const Connection&, const std::string&) {
    cSettings received;
    received.LoadXML(pkt.Data);
    mergeUserList(userStore(), received);
}

void handleSyncUsers(const clsPacket&, const Connection&, const std::string& strSource) {
    sendUserList(strSource);
}

void handleLogin(const clsPacket& pkt, const Connection&, const std::string& strSource) {
    const std::string authentication = getText(pkt, "Authentication");
    const size_t colon = authentication.find(':');
    if (colon == std::string::npos) {
        throw platform::RuntimeError(platform::rt::InvalidProcedureCall);
    }
    const std::string user = authentication.substr(0, colon);
    const Variant stored = userStore().GetSetting("Password", std::string("<unknown>"), user);
    const bool valid = toText(stored) == authentication.substr(colon + 1);
    clsPacket result;
    result.Method = "LOGINRESULT";
    // Every answer to one LOGIN shares its ID, so the first to arrive wins.
    AddField(result, "ID", getText(pkt, "ID") + "L");
    AddField(result, "Login-Result", valid ? "OK" : "INVALID");
    AddField(result, "Destination", strSource);
    sendPacket(result);
}

void handleLoginResult(const clsPacket& pkt, const Connection&, const std::string&) {
    requireCurrentSession()->loginResult = getText(pkt, "Login-Result", "FAIL");
}

}  // namespace

cSettings& userStore() {
    const SessionPtr own = requireCurrentSession();
    if (!own->userStore) {
        throw platform::RuntimeError(platform::rt::ObjectNotSet);
    }
    return *own->userStore;
}

void sendUserList(const std::string& destination) {
    clsPacket list;
    list.Method = "USERLIST";
    AddField(list, "Destination", destination);
    list.Data = userStore().getXML();
    sendPacket(list);
}

void addUserMethods(DispatchTable& table) {
    table.add("UPDATEUSER", handleUpdateUser);
    table.add("USERLIST", handleUserList);
    table.add("SYNCUSERS", handleSyncUsers);
    table.add("LOGIN", handleLogin);
    table.add("LOGINRESULT", handleLoginResult);
}

}  // namespace qel
