#include "user_packets.h"

#include "error_log.h"
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

std::string commonText(const cSettings& doc, std::string_view name,
                       std::string_view section = "Common") {
    return toText(doc.GetSetting(name, std::string(), section)).value_or("");
}

void reportRefused(int64_t accounts, const std::string& from) {
    logError(platform::rt::OutOfMemory, std::to_string(accounts) +
                                            (accounts == 1 ? " account" : " accounts") + " from " +
                                            (from.empty() ? std::string("an unnamed node") : from) +
                                            " refused: the user store is full");
}

// Once the node's description comes, the account it set gets the node's name
// as its authority, unless the account has changed meanwhile.
void fillAuthorityWhenDescribed(const std::string& nodeID, const std::string& user) {
    const std::string updated = commonText(userStore(), "Updated", user);
    askWithoutWaiting(nodeID, [user, updated](const typNodeEntry& node) {
        cSettings& store = userStore();
        if (commonText(store, "Updated", user) == updated &&
            commonText(store, "Authority", user).empty() &&
            storeHasRoomFor(store, user, commonText(store, "Password", user), node.Name, updated)) {
            store.SaveSetting("Authority", node.Name, user);
        }
    });
}

// The authority is the sending node's name as far as it is known now: a
// handler waits for no answer. An unknown node's name is filled in when its
// description arrives.
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
        const typNodeInfo source = knownNodeInfo(strSource);
        cSettings& store = userStore();
        if (!storeHasRoomFor(store, user, password, source.Name, "")) {
            reportRefused(1, strSource);
            return;
        }
        saveUser(store, user, password, source.Name, "");
        if (source.ID.empty() && !strSource.empty()) {
            fillAuthorityWhenDescribed(strSource, user);
        }
    } else if (operation == "REMOVE") {
        removeUser(userStore(), user);
    }
}

// Read one account at a time: a list far beyond the store's bounds is
// refused past them without ever being held whole.
void handleUserList(const clsPacket& pkt, const Connection&, const std::string& strSource) {
    if (const int64_t refused = mergeUserListText(userStore(), pkt.Data); refused > 0) {
        reportRefused(refused, strSource);
    }
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
    // A user without an account never logs in, whatever password it gives.
    const Variant stored = isStorableUserName(user)
                               ? userStore().GetSetting("Password", Missing{}, user)
                               : Variant(Empty{});
    const bool valid = !isEmpty(stored) && toText(stored) == authentication.substr(colon + 1);
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
