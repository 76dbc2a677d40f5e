#include "core_methods.h"

#include "confirmation.h"
#include "event_raisers.h"
#include "fields.h"
#include "lookups.h"
#include "node_info.h"
#include "send_pipeline.h"

#include "platform/event_loop.h"

#include <string>

namespace qel {
namespace {

using Connection = std::shared_ptr<clsSocket>;

void onConfirm(const clsPacket& pkt, const Connection&, const std::string&) {
    removePending(getText(pkt, "Source-Node"));
}

void onWhois(const clsPacket&, const Connection&, const std::string& strSource) {
    handleWhois(strSource);
}

void onInfo(const clsPacket& pkt, const Connection& sock, const std::string& strSource) {
    handleInfo(pkt, strSource, sock);
}

void answerPing(const clsPacket& ping, const Connection&, const std::string& strSource) {
    clsPacket pong;
    pong.Method = "PONG";
    AddField(pong, "Destination", strSource);
    AddField(pong, "ReqID", getText(ping, "ReqID"));
    sendPacket(pong);
}

// The round trip of the ping this PONG answers, when a ping to its node waits.
void recordPong(const clsPacket& pong, const Connection&, const std::string& strSource) {
    const SessionPtr own = currentSession();
    if (!own) {
        return;
    }
    typNodeEntry* node = findPingEntry(*own, strSource);
    if (node != nullptr && !node->pingReqID.empty() && node->pingReqID == getText(pong, "ReqID")) {
        node->pingResult = platform::tickCount() - node->pingSent;
    }
}

void raiseMessage(const clsPacket& msg, const Connection&, const std::string& strSource) {
    std::string body = msg.Data;
    std::string type = getText(msg, "Type");
    std::string source = strSource;
    raiseMessageReceived(currentSession(), body, type, source);
}

}  // namespace

void addCoreMethods(DispatchTable& table) {
    table.add("CONFIRM", onConfirm);
    table.add("WHOIS", onWhois);
    table.add("INFO", onInfo);
    table.add("PING", answerPing);
    table.add("PONG", recordPong);
    table.add("MSG", raiseMessage);
}

}  // namespace qel
