#pragma once

#include "core/chat/waiting_chat_lines.h"
#include "core/network/procedure_events.h"
#include "core/transfers/lost_peer_watch.h"
#include "qellib/events.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace qel {
class cQEL;
class cQELRPC;
}  // namespace qel

namespace tornel {

struct AppState;
class SelfUpdate;

// The controller: it holds the node session and the four remote-procedure
// objects of the program, receives every event they raise and hands it to
// the part of the program that owns it: chat text to the chat windows, file
// blocks to the downloads or the self-update, announced nodes to the users
// list and the Explore tree, connections to `connections` (a closed one also
// to the watch that ends the transfers of nodes that have gone).
class cMain : public qel::cQELEvents {
  public:
    explicit cMain(AppState& state);

    std::shared_ptr<qel::cQEL> QEL;
    std::shared_ptr<qel::cQELRPC> Update;      // "GetVersion", "GetEXE"
    std::shared_ptr<qel::cQELRPC> Push;        // "Push"
    std::shared_ptr<qel::cQELRPC> userTyping;  // "UserTyping"
    std::shared_ptr<qel::cQELRPC> authGiven;   // "AuthGiven"

    // The handler of the "Update" procedures and of the update's file data.
    std::shared_ptr<SelfUpdate> selfUpdate;

    // Where the events of each remote-procedure object go.
    const std::shared_ptr<ProcedureEvents> UpdateEvents = std::make_shared<ProcedureEvents>();
    const std::shared_ptr<ProcedureEvents> PushEvents = std::make_shared<ProcedureEvents>();
    const std::shared_ptr<ProcedureEvents> userTypingEvents = std::make_shared<ProcedureEvents>();
    const std::shared_ptr<ProcedureEvents> authGivenEvents = std::make_shared<ProcedureEvents>();

    // While the self-update receives the program image, file blocks that
    // belong to no download go to `receiver`, with their range when they
    // carry one and the node that sent them (none when the library itself
    // reports the transfer failed).
    using UpdateReceiver =
        std::function<void(std::string& reqID, std::string& strData, const qel::cXRange* range,
                           qel::enmFileStatus status, const std::optional<std::string>& from)>;
    void beginUpdate(UpdateReceiver receiver);
    void endUpdate();
    // A download has started: the transfer watch looks at it from now on.
    void watchTransfers() { lostPeerWatch_.watch(); }
    const LostPeerWatch& lostPeerWatch() const { return lostPeerWatch_; }

    void MessageReceived(std::string& strMessage, std::string& strType,
                         std::string& nodeID) override;
    void FileReceived(std::string& reqID, std::string& strData,
                      std::shared_ptr<qel::cXRange>& Range, qel::enmFileStatus& fileStatus,
                      qel::Variant& Metadata) override;
    // Only the node a download comes from, or the update under way, has
    // its FILEs read.
    void FileExpected(std::string& reqID, std::string& nodeID, bool& Expected) override;
    // Admits a request for a shared file by grant or by asking the user.
    void FileRequest(std::string& Resource, std::string& fullPath, std::string& nodeID,
                     std::string& reqID, std::shared_ptr<qel::cXRange>& Range,
                     qel::Variant& Metadata, bool& TakeNoAction) override;
    void connectionEstab(std::string& SourceIP, qel::enmConMode& connectionMode,
                         std::string& connectionID) override;
    void connectionClosed(std::string& SourceIP, std::string& nodeID,
                          std::string& connectionID) override;
    // Lists an announced node of a listed kind, up to kMaxListedUsers.
    void nodeInfo(qel::typNodeInfo& n) override;

    // The most nodes one users search lists: far more than one home network
    // holds, while a peer can announce any number of invented ones.
    static constexpr size_t kMaxListedUsers = 1024;

  private:
    // Lists an announced node as a user with its tree item, once.
    void listUser(const qel::typNodeInfo& n);
    // Shows a line from the node in its open chat window; false when none is open.
    bool addToChatWindow(const std::string& nodeID, const std::string& text);
    // Opens the chat window for the node and shows the line there.
    void openChatWith(const qel::typNodeInfo& node, const std::string& text);

    AppState& state_;
    WaitingChatLines waitingLines_;
    // Ends the transfers of nodes that have gone.
    LostPeerWatch lostPeerWatch_;
    bool updating = false;
    UpdateReceiver updateReceiver_;
    // Announcements not listed for want of room, since the program started.
    int64_t usersNotListed_ = 0;
};

}  // namespace tornel
