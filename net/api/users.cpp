#include "qellib/users.h"

#include "fields.h"
#include "node_frame.h"
#include "send_pipeline.h"
#include "session_wait.h"
#include "user_packets.h"
#include "user_store.h"

#include "platform/runtime_error.h"
#include "qellib/settings.h"

// The members of cQELUsers. They report their failures without a source name.
namespace qel {
namespace {

constexpr int64_t AnswerPollMs = 10;

void broadcast(const char* method, std::string body = {}) {
    clsPacket pkt;
    pkt.Method = method;
    AddField(pkt, "Destination", "BROADCAST");
    pkt.Data = std::move(body);
    sendPacket(pkt);
}

}  // namespace

void cQELUsers::updateUser(const std::string& userName, const std::string& Password,
                           enmUserOp Operation) {
    publicOperation(session_, "", [&](const SessionPtr& own) {
        if (!isStorableUserName(userName)) {
            throw platform::RuntimeError(platform::rt::InvalidProcedureCall);
        }
        // A removed account is gone here as it is on the other nodes: it can
        // no longer log in with an empty password.
        if (Operation == user_Update) {
            saveUser(userStore(), userName, Password, own->nodeName, "");
        } else {
            removeUser(userStore(), userName);
        }
        cSettings change;
        change.SaveSetting("Operation", Operation == user_Update ? "UPDATE" : "REMOVE");
        change.SaveSetting("Name", userName);
        change.SaveSetting("Password", Password);
        broadcast("UPDATEUSER", change.getXML());
    });
}

bool cQELUsers::loginAs(const std::string& userName, const std::string& Password) {
    return publicOperation(session_, "", false, [&](const SessionPtr& own) {
        own->loginResult.clear();
        clsPacket login;
        login.Method = "LOGIN";
        AddField(login, "Authentication", userName + ":" + Password);
        AddField(login, "Destination", "BROADCAST");
        sendPacket(login);
        if (!waitInSession(session_, own->Timeout, AnswerPollMs,
                           [&] { return !own->loginResult.empty(); })) {
            return false;
        }
        if (own->loginResult != "OK") {
            return false;
        }
        own->activeUser = userName;
        return true;
    });
}

void cQELUsers::setUserXML(const std::string& userXML) {
    publicOperation(session_, "", [&](const SessionPtr&) { userStore().LoadXML(userXML); });
}

std::string cQELUsers::getUserXML() {
    return publicOperation(session_, "", std::string(),
                           [](const SessionPtr&) { return userStore().getXML(); });
}

void cQELUsers::syncUserList() {
    publicOperation(session_, "", [](const SessionPtr&) {
        sendUserList("BROADCAST");
        broadcast("SYNCUSERS");
    });
}

}  // namespace qel
