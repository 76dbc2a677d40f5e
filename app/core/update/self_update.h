#pragma once

#include "core/update/image_uploads.h"
#include "core/update/program_start.h"
#include "core/update/update_image.h"
#include "platform/timer.h"
#include "qellib/types.h"
#include "qellib/variant.h"
#include "qellib/x_range.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tornel {

struct AppState;

// How long after our own "GetVersion" its answers count: the library's
// time-out of a remote call.
inline constexpr int64_t VersionAnswerWindowMs = 10000;
// The version question waits this long at most for the node's first
// connection: the configured servers are connected without waiting at
// start-up, and a question sent before that reaches nobody.
inline constexpr int64_t ConnectionWaitMs = 60000;
inline constexpr int64_t ConnectionPollMs = 500;
// An update gives up when no part of the image arrived for this many times
// the Timeout setting.
inline constexpr int64_t UpdateStallTimeouts = 3;
// What a copy answers a "GetEXE" call that it does not serve.
inline constexpr std::string_view ImageRefusal = "REFUSE";

// What the self-update needs to know of the running program.
struct UpdateSetup {
    std::string executable;  // the running program file, sent to peers that ask
    int64_t revision = 0;    // what "GetVersion" answers and answers are compared with
    ProgramStarter start;    // starts the received image with "-copy"

    // The running program, its build's revision and detached starts.
    static UpdateSetup forThisProgram();
};

// The self-update of a running program, on both sides of the exchange.
//
// As the asking copy, started with "-update": asks every node for its
// revision once; the first answer that counts fetches that node's program
// file into "Update.dat", starts it with "-copy" and ends this copy. An
// answer counts only from a node of this program's kind, only with a greater
// revision, only for VersionAnswerWindowMs after the question, and only
// until the first update of the run has begun. The image is taken only
// under its own request ID from the node asked for it, block by block in
// order, and only while it can be a program for this machine; an update
// whose image stops arriving, or whose call is refused, gives up.
//
// As the asked copy: answers "GetVersion" with its revision (0 with
// "-debug") and "GetEXE" with its program file, sent in chunks (ImageUploads),
// or with ImageRefusal when it cannot be sent now.
class SelfUpdate : public std::enable_shared_from_this<SelfUpdate> {
  public:
    SelfUpdate(AppState& state, UpdateSetup setup);
    SelfUpdate(const SelfUpdate&) = delete;
    SelfUpdate& operator=(const SelfUpdate&) = delete;

    // For tests: the program file, revision and starter in use.
    UpdateSetup& setup() { return setup_; }

    // The version question to every node, unless started with "-debug": at
    // once when the node is connected, else at its first connection.
    void checkForUpdate();
    // Answers "GetVersion" and "GetEXE" of another node.
    void RemoteProcCall(const std::string& ProcName, const std::string& reqID,
                        const std::string& nodeID);
    // Evaluates an answer to "GetVersion".
    void RemoteProcReturn(const std::string& ProcName, const qel::Variant& Params,
                          const std::string& reqID, const std::string& nodeID);
    // One block of file data while updating, with its range when it has one;
    // taken only from the node asked for the image (or from the library
    // itself, telling that the transfer failed).
    void fileReceived(const std::string& reqID, const std::string& strData,
                      const qel::cXRange* range, qel::enmFileStatus fileStatus,
                      const std::optional<std::string>& from);
    // Gives up an update when no block has come for UpdateStallTimeouts x Timeout.
    void stalled();

    bool updating() const { return phase_ == Phase::Receiving; }
    // The version question waits for the node's first connection.
    bool questionWaiting() const { return phase_ == Phase::WaitingToAsk; }
    // The program file as it is sent to peers.
    ImageUploads& imageUploads() { return imageUploads_; }

  private:
    enum class Phase { Idle, WaitingToAsk, Asking, Receiving, Done };

    void askWhenConnected();
    bool answerCounts(const std::string& reqID) const;
    void evaluateAnswer(const qel::typNodeInfo& node, const qel::Variant& Params,
                        const std::string& reqID);
    // Answers from nodes not described yet, looked at again once they are.
    void evaluateDescribedAnswers();
    std::optional<std::string> folderRefusal() const;
    void beginUpdate(const std::string& nodeID);
    void sendImage(const std::string& reqID, const std::string& nodeID);
    void imageCallAnswered(const qel::Variant& Params, const std::string& reqID,
                           const std::string& nodeID);
    void completeUpdate(std::optional<int64_t> expectedSize);
    // Ends the update: the image deleted (`keepImage` leaves it), the
    // controller's file data back to the downloads, the tool tip restored.
    void endUpdate(bool keepImage);
    void refuse(const std::string& reason, std::string_view source);

    AppState& state_;
    UpdateSetup setup_;
    Phase phase_ = Phase::Idle;
    int64_t waitingSince_ = 0;
    platform::Timer connectionPoll_;
    std::string versionRequest_;
    int64_t askedAt_ = 0;
    std::string imageRequest_;
    std::string imageNode_;  // the node asked for the image
    UpdateImage image_;
    platform::Timer stallTimer_;
    ImageUploads imageUploads_;

    // An answer from a node whose kind is not known yet. A handler never
    // waits for a description: the library asks the node, and the answer is
    // evaluated once its description has come (while it still counts).
    struct UndescribedAnswer {
        std::string nodeID;
        qel::Variant Params;
        std::string reqID;
    };
    static constexpr size_t MaxUndescribedAnswers = 8;
    std::vector<UndescribedAnswer> undescribed_;
    platform::Timer describedPoll_;
};

// Makes the self-update the handler of the controller's "Update" procedures.
void installSelfUpdate(AppState& state);

// modUtil.checkForUpdate: the version question of the running program.
void checkForUpdate(AppState& state);

}  // namespace tornel
