#include "app_fixture.h"
#include "core/downloads/download_manager.h"
#include "core/network/controller.h"
#include "core/network/node_bring_up.h"
#include "core/permissions/access_grants.h"
#include "core/permissions/ask_permission.h"
#include "core/permissions/permission_questions.h"
#include "core/util/utilities.h"
#include "download_fixture.h"
#include "platform/event_loop.h"
#include "qellib/qel.h"
#include "qellib/rpc.h"
#include "qellib/settings.h"
#include "support/free_port.h"
#include "support/peer_node.h"
#include "support/raw_peer.h"
#include "support/scripted_confirm.h"
#include "support/wait.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>

namespace tornel {
namespace {

using test::ScriptedConfirm;

constexpr const char* kPeerID = "PEER-NODE";

// Lets events run until `done()` holds, in real time (the tests move the
// program's clock by hand).
template <class Predicate>
bool waitFor(Predicate done) {
    return test::waitUntil(done, 20000);
}

// What the requesting node sees of its requests: the last file status of
// each, the order in which they ended, and the "AuthGiven" calls it got.
class PeerEvents : public qel::cQELEvents, public qel::cQELRPCEvents {
  public:
    void FileReceived(std::string& reqID, std::string& strData, std::shared_ptr<qel::cXRange>&,
                      qel::enmFileStatus& fileStatus, qel::Variant&) override {
        data[reqID] += strData;
        status[reqID] = fileStatus;
        if (fileStatus != qel::FS_Transferring) {
            ended.push_back(reqID);
            if (onEnded) {
                onEnded(reqID);
            }
        }
    }
    void RemoteProcCall(std::string& ProcName, qel::Variant& Params, std::string&, std::string&,
                        bool&) override {
        if (ProcName == "AuthGiven") {
            authGiven.push_back(std::get<qel::StringArray>(Params));
        }
    }

    std::map<std::string, std::string> data;
    std::map<std::string, qel::enmFileStatus> status;
    std::vector<std::string> ended;
    std::vector<qel::StringArray> authGiven;
    std::function<void(const std::string&)> onEnded;
};

// Steps run in order from the event loop, so also inside the program's
// waits for an answer: each one's action once its condition holds.
class Steps {
  public:
    Steps() {
        QObject::connect(&timer_, &QTimer::timeout, [this] { run(); });
        timer_.start(5);
    }
    void then(std::function<bool()> ready, std::function<void()> action) {
        steps_.push_back({std::move(ready), std::move(action)});
    }

  private:
    void run() {
        while (next_ < steps_.size() && steps_[next_].first()) {
            const auto action = steps_[next_++].second;
            action();
        }
    }

    QTimer timer_;
    std::vector<std::pair<std::function<bool()>, std::function<void()>>> steps_;
    size_t next_ = 0;
};

// What became of a raw peer's request `reqID`: "served" once the file
// comes (or, where the program knows no route back to the peer, once it
// offers to send it: REQCONFIRM), "refused" (status 3), "" while it waits.
std::string outcomeOf(const test::RawPeer& raw, const std::string& reqID) {
    std::string result;
    for (const test::WirePacket& header : raw.received) {
        if (header.field("ReqID") != reqID) {
            continue;
        }
        if (header.method == "FILE" && header.field("FileStatus") == "3") {
            return "refused";
        }
        if (header.method == "REQCONFIRM" || header.method == "FILE") {
            result = "served";
        }
    }
    return result;
}

// The program's node sharing a folder, and a plain node on 127.0.0.1 that
// asks it for files; the program's prompts are answered by the test.
class AccessPermissionTest : public test::AppFixture {
  protected:
    AccessPermissionTest() {
        std::filesystem::create_directory(file("share"));
        for (const char* name : {"a.txt", "b.txt"}) {
            test::writeFile(file("share/") + name, std::string("contents of ") + name);
        }
        state.ui.confirm = confirms;
        startSharingNode(300);

        qel::cSettings settings;
        settings.SaveSetting("nodeID", std::string(kPeerID));
        settings.SaveSetting("Timeout", int64_t{300});
        peer.Initialise("Peer", peerPort, qel::role_Peer, "TORNEL_NODE", "", settings.getXML());
        peerRPC = peer.newRPCInstance(events);
        peerRPC->bindRPC("AuthGiven", qel::RPC_INCOMING);
        peer.Listen();
        peer.Connect("127.0.0.1:" + std::to_string(state.Port));
        EXPECT_TRUE(
            waitFor([&] { return test::knowsNodeOnPort(*state.qelSession, kPeerID, peerPort); }));
    }
    ~AccessPermissionTest() override {
        state.qelSession->shutDown();
        peer.shutDown();
    }

    // The peer asks for a shared file, naming `requester` in its metadata.
    std::string request(const std::string& name, const std::string& requester = kPeerID) {
        return peer.requestFile("\\" + name, state.NodeGUID, nullptr, requester);
    }
    bool ended(const std::string& reqID) {
        return waitFor([&] {
            return events->status.count(reqID) != 0 &&
                   events->status[reqID] != qel::FS_Transferring;
        });
    }
    bool served(const std::string& reqID) {
        return ended(reqID) && events->status[reqID] == qel::FS_Complete;
    }
    bool refused(const std::string& reqID) {
        return ended(reqID) && events->status[reqID] == qel::FS_Canceled;
    }
    // Every prompt is answered as soon as it opens.
    void answerEach(std::function<void(ScriptedConfirm&)> answer) { confirms->onLoad = answer; }
    void allowEach(GrantChoice choice) {
        answerEach([this, choice](ScriptedConfirm& p) { p.answerAllow(state, choice); });
    }
    void denyEach() {
        answerEach([](ScriptedConfirm& p) { p.answerDeny(); });
    }
    // Runs `action` once `ready()` holds, checked from the event loop, so
    // also inside the program's waits for an answer.
    void whenReady(std::function<bool()> ready, std::function<void()> action) {
        QObject::connect(&poll, &QTimer::timeout, [this, ready, action] {
            if (ready()) {
                poll.stop();
                action();
            }
        });
        poll.start(5);
    }

    std::shared_ptr<test::ScriptedConfirms> confirms = std::make_shared<test::ScriptedConfirms>();
    std::shared_ptr<PeerEvents> events = std::make_shared<PeerEvents>();
    int peerPort = test::freePort();
    qel::cQEL peer{events};
    std::shared_ptr<qel::cQELRPC> peerRPC;
    QTimer poll;
};

TEST_F(AccessPermissionTest, AFiveMinuteGrantAdmitsWithoutAskingUntilItsDeadline) {
    platform::ScopedTestClock clock(100000);
    allowEach(GrantChoice::For5Minutes);
    const std::string first = request("a.txt");
    ASSERT_TRUE(served(first));
    EXPECT_EQ(events->data[first], "contents of a.txt");
    ASSERT_EQ(confirms->count(), 1u);
    EXPECT_EQ(confirms->at(0).requestingID, kPeerID);
    EXPECT_EQ(confirms->at(0).requestingName, "Peer");
    EXPECT_EQ(confirms->at(0).info, "Peer would like to access " + file("share") + "/a.txt");
    EXPECT_TRUE(confirms->at(0).shown);
    EXPECT_TRUE(confirms->at(0).unloaded);
    EXPECT_EQ(prompts->beeps, 1);
    ASSERT_TRUE(waitFor([&] { return events->authGiven.size() == 1; }));
    EXPECT_EQ(events->authGiven[0], (qel::StringArray{"", "True", first}));

    clock.set(100000 + 300000);
    ASSERT_TRUE(served(request("b.txt")));
    EXPECT_EQ(confirms->count(), 1u);  // no question and no "AuthGiven"

    clock.set(100000 + 300001);
    denyEach();
    const std::string third = request("a.txt");
    ASSERT_TRUE(refused(third));
    EXPECT_EQ(confirms->count(), 2u);
    ASSERT_TRUE(waitFor([&] { return events->authGiven.size() == 2; }));
    EXPECT_EQ(events->authGiven[1], (qel::StringArray{"", "False", third}));
    EXPECT_EQ(events->data[third], "");
}

TEST_F(AccessPermissionTest, ThisTimeOnlyAsksAgainAndAlwaysNeverAgain) {
    allowEach(GrantChoice::ThisTimeOnly);
    ASSERT_TRUE(served(request("a.txt")));
    ASSERT_TRUE(served(request("a.txt")));
    EXPECT_EQ(confirms->count(), 2u);
    EXPECT_TRUE(state.allowedIDs.empty());

    prompts->answers.push_back(PromptAnswer::Yes);
    allowEach(GrantChoice::Always);
    ASSERT_TRUE(served(request("a.txt")));
    ASSERT_TRUE(served(request("b.txt")));
    EXPECT_EQ(confirms->count(), 3u);
    ASSERT_EQ(state.allowedIDs.count(), 1u);
    EXPECT_EQ(state.allowedIDs.item(1)->Name, "Peer");
}

TEST_F(AccessPermissionTest, AGrantAdmitsOnlyTheExactIdOfTheNodeThatSendsIt) {
    for (const char* id : {kPeerID, "OTHER-NODE"}) {
        state.allowedIDs.add(std::make_shared<cAllowedID>(cAllowedID{id, 0, true, "Someone"}));
    }
    denyEach();
    for (const char* metadata : {"peer-node", "OTHER-NODE", ""}) {
        SCOPED_TRACE(metadata);
        EXPECT_TRUE(refused(request("a.txt", metadata)));
    }
    EXPECT_EQ(confirms->count(), 3u);  // each one was asked
    EXPECT_TRUE(served(request("a.txt", kPeerID)));
    EXPECT_EQ(confirms->count(), 3u);
}

TEST_F(AccessPermissionTest, MetadataThatIsNotTextIsAskedAbout) {
    denyEach();
    std::string resource = "\\a.txt";
    std::string fullPath = file("share/a.txt");
    std::string nodeID = kPeerID;
    std::string reqID = "REQ1";
    std::shared_ptr<qel::cXRange> range;
    qel::Variant metadata = int64_t{5};
    bool takeNoAction = false;
    state.controller->FileRequest(resource, fullPath, nodeID, reqID, range, metadata, takeNoAction);
    EXPECT_TRUE(takeNoAction);
    ASSERT_EQ(confirms->count(), 1u);
    EXPECT_EQ(confirms->at(0).requestingID, "");
}

// Requests of two nodes (the peer, and a stranger written from the wire
// format) open two prompts; answering the later one first lets its request
// proceed first.
TEST_F(AccessPermissionTest, AnsweringTheLaterPromptFirstLetsItsRequestProceedFirst) {
    test::RawPeer raw;
    ASSERT_TRUE(raw.connect(state.Port));
    const std::string stranger = test::RawPeer::newID();
    const std::string second = test::RawPeer::newID();
    std::string first;
    bool firstEndedBeforeSecond = true;
    Steps steps;
    steps.then(
        [&] { return confirms->count() == 1; },
        [&] {
            raw.send(raw.packet("GET", state.NodeGUID,
                                {{"Source", stranger}, {"ReqID", second}, {"Metadata", stranger}},
                                {}, "\\b.txt"));
        });
    steps.then([&] { return confirms->count() == 2; }, [&] { confirms->at(1).answerAllow(state); });
    steps.then([&] { return outcomeOf(raw, second) == "served"; },
               [&] {
                   firstEndedBeforeSecond =
                       std::ranges::find(events->ended, first) != events->ended.end();
                   confirms->at(0).answerAllow(state);
               });
    first = request("a.txt");
    ASSERT_TRUE(test::waitUntil([&] { return !events->ended.empty(); }, 30000));
    EXPECT_TRUE(served(first));
    EXPECT_EQ(confirms->at(1).requestingID, stranger);
    EXPECT_EQ(outcomeOf(raw, second), "served");
    EXPECT_FALSE(firstEndedBeforeSecond);
}

TEST_F(AccessPermissionTest, ARepeatedRequestWaitsForTheOpenPromptInsteadOfOpeningAnother) {
    std::string again;
    answerEach([&](ScriptedConfirm&) { QTimer::singleShot(0, [&] { again = request("a.txt"); }); });
    whenReady([&] { return state.permissionQuestions.waiting() == 2; },
              [&] { confirms->at(0).answerAllow(state); });
    const std::string first = request("a.txt");
    ASSERT_TRUE(waitFor([&] { return !again.empty(); }));
    EXPECT_TRUE(served(first));
    EXPECT_TRUE(served(again));
    EXPECT_EQ(confirms->count(), 1u);
    EXPECT_EQ(prompts->beeps, 1);
    EXPECT_TRUE(waitFor([&] { return events->authGiven.size() == 2; }));
}

// Answers every prompt still open with Deny after `ms` (unless `context`
// has gone), so that a test whose awaited answer never comes still ends
// (and fails).
void denyOpenPromptsAfter(const QObject& context, test::ScriptedConfirms& confirms, int ms) {
    QTimer::singleShot(ms, &context, [&confirms] {
        for (const auto& prompt : confirms.prompts) {
            if (!prompt->decision) {
                prompt->answerDeny();
            }
        }
    });
}

// The program's node against strangers written from the wire format: GETs
// under Source IDs of their own, each sent once the one before waits.
class StrangersTest : public AccessPermissionTest {
  protected:
    StrangersTest() {
        for (int i = 0; i < 9; ++i) {
            test::writeFile(file("share/f") + std::to_string(i) + ".txt", "x");
        }
        EXPECT_TRUE(raw.connect(state.Port));
    }

    struct Get {
        std::string source;
        std::string reqID = test::RawPeer::newID();
    };
    std::string packetOf(const Get& get, int fileNumber) {
        return raw.packet("GET", state.NodeGUID,
                          {{"Source", get.source}, {"ReqID", get.reqID}, {"Metadata", get.source}},
                          {}, "\\f" + std::to_string(fileNumber) + ".txt");
    }
    // Sends `gets` one after the other, each once the ones before wait for
    // their answer.
    void sendEachWhenTheOnesBeforeWait(const std::vector<Get>& gets) {
        for (size_t i = 0; i < gets.size(); ++i) {
            steps.then([this, i] { return state.permissionQuestions.waiting() == i; },
                       [this, &gets, i] { raw.send(packetOf(gets[i], static_cast<int>(i))); });
        }
    }
    std::string outcome(const Get& get) const { return outcomeOf(raw, get.reqID); }
    bool answered(const Get& get) const { return !outcome(get).empty(); }
    void allowEveryPrompt() {
        for (const auto& prompt : confirms->prompts) {
            if (!prompt->decision) {
                prompt->answerAllow(state);
            }
        }
    }
    bool allAnswered(const std::vector<Get>& gets) {
        return test::waitUntil(
            [&] {
                return std::ranges::all_of(gets, [&](const Get& get) { return answered(get); });
            },
            30000);
    }

    test::RawPeer raw;
    Steps steps;
};

// Eight requests of one node wait on its one question; a ninth is refused
// without asking. Eight nodes get a question each; a ninth node is refused.
TEST_F(StrangersTest, QuestionsAreBoundedPerNodeAndInAll) {
    const std::string one = test::RawPeer::newID();
    const struct Case {
        const char* name;
        bool oneNode;
        size_t prompts;
    } cases[] = {{"one node", true, 1}, {"nine nodes", false, PermissionQuestions::kMaxQuestions}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Get> gets;
        for (size_t i = 0; i < PermissionQuestions::kMaxWaitsPerNode + 1; ++i) {
            gets.push_back({c.oneNode ? one : test::RawPeer::newID()});
        }
        const size_t before = confirms->count();
        size_t promptsWhenRefused = 0;
        sendEachWhenTheOnesBeforeWait(gets);
        denyOpenPromptsAfter(poll, *confirms, 20000);
        steps.then([&] { return answered(gets.back()); },
                   [&] {
                       promptsWhenRefused = confirms->count() - before;
                       allowEveryPrompt();
                   });
        ASSERT_TRUE(allAnswered(gets));
        EXPECT_EQ(outcome(gets.back()), "refused");
        EXPECT_EQ(promptsWhenRefused, c.prompts);
        for (size_t i = 0; i + 1 < gets.size(); ++i) {
            EXPECT_EQ(outcome(gets[i]), "served") << i;
        }
        EXPECT_EQ(state.permissionQuestions.waiting(), 0u);
    }
    EXPECT_NE(logText().find("[askPermission] Error: Too many permission prompts are open"),
              std::string::npos);
}

// One stranger's eight GETs share its one question, so another stranger is
// still asked about; one answer serves all the first one's requests.
TEST_F(StrangersTest, OneStrangersRequestsDoNotStopAnotherStrangersQuestion) {
    const std::string stranger = test::RawPeer::newID();
    std::vector<Get> gets(PermissionQuestions::kMaxQuestions, Get{stranger});
    for (Get& get : gets) {
        get.reqID = test::RawPeer::newID();
    }
    gets.push_back(Get{test::RawPeer::newID()});
    // Should the other stranger get no question, every prompt is answered
    // in the end, so that the waits return.
    sendEachWhenTheOnesBeforeWait(gets);
    denyOpenPromptsAfter(poll, *confirms, 20000);
    steps.then([&] { return confirms->count() == 2 || answered(gets.back()); },
               [&] { allowEveryPrompt(); });
    ASSERT_TRUE(allAnswered(gets));
    ASSERT_EQ(confirms->count(), 2u);
    EXPECT_EQ(confirms->at(0).requestingID, stranger);
    EXPECT_EQ(confirms->at(1).requestingID, gets.back().source);
    for (const Get& get : gets) {
        EXPECT_EQ(outcome(get), "served");
    }
}

// Bob downloads several files at once: they share one question, and its
// answer "For 30 minutes" serves them all; nothing stays open or asking.
TEST_F(AccessPermissionTest, ANodesRequestsShareOneQuestionAnsweredOnce) {
    Steps steps;
    std::vector<std::string> reqIDs;
    const char* names[] = {"a.txt", "b.txt", "c.txt"};
    test::writeFile(file("share/c.txt"), "contents of c.txt");
    for (size_t i = 0; i < std::size(names); ++i) {
        steps.then([&, i] { return state.permissionQuestions.waiting() == i; },
                   [&, i] { reqIDs.push_back(request(names[i])); });
    }
    steps.then([&] { return state.permissionQuestions.waiting() == std::size(names); },
               [&] { confirms->at(0).answerAllow(state, GrantChoice::For30Minutes); });
    denyOpenPromptsAfter(poll, *confirms, 20000);
    ASSERT_TRUE(
        test::waitUntil([&] { return reqIDs.size() == 3 && served(reqIDs.back()); }, 30000));
    for (const std::string& reqID : reqIDs) {
        EXPECT_TRUE(served(reqID));
    }
    ASSERT_EQ(confirms->count(), 1u);
    EXPECT_TRUE(confirms->at(0).unloaded);
    EXPECT_EQ(prompts->beeps, 1);
    EXPECT_TRUE(waitFor([&] { return events->authGiven.size() == 3; }));
    EXPECT_TRUE(served(request("a.txt")));  // by the grant, without a question
    EXPECT_EQ(confirms->count(), 1u);
}

// A grant made while a request waits (here as another prompt of the node
// would make it) admits the request and answers its prompt as granted.
TEST_F(AccessPermissionTest, AGrantMadeMeanwhileAnswersTheWaitingPromptAsGranted) {
    Steps steps;
    steps.then([&] { return confirms->count() == 1; },
               [&] { recordGrant(state, kPeerID, "", GrantChoice::For5Minutes); });
    denyOpenPromptsAfter(poll, *confirms, 20000);
    const std::string reqID = request("a.txt");
    ASSERT_TRUE(test::waitUntil([&] { return !events->ended.empty(); }, 30000));
    EXPECT_TRUE(served(reqID));
    ASSERT_EQ(confirms->count(), 1u);
    EXPECT_TRUE(confirms->at(0).answeredByGrant);
    EXPECT_TRUE(confirms->at(0).unloaded);
    ASSERT_TRUE(waitFor([&] { return events->authGiven.size() == 1; }));
    EXPECT_EQ(events->authGiven[0], (qel::StringArray{"", "True", reqID}));
}

TEST_F(AccessPermissionTest, TheEndOfTheRunOrAGonePromptRefusesAParkedRequest) {
    answerEach([&](ScriptedConfirm&) {
        QTimer::singleShot(0, [&] {
            state.closing = true;
            refuseParkedFileRequests(state);  // as the end of the run does
        });
    });
    EXPECT_TRUE(refused(request("a.txt")));
    EXPECT_TRUE(confirms->at(0).unloaded);
    state.closing = false;

    answerEach([&](ScriptedConfirm&) {
        QTimer::singleShot(0, [&] { confirms->prompts.back().reset(); });
    });
    EXPECT_TRUE(refused(request("a.txt")));
    EXPECT_TRUE(waitFor([&] { return events->authGiven.size() == 2; }));
    EXPECT_EQ(events->authGiven[1][1], "False");
}

TEST_F(AccessPermissionTest, WithoutWindowsEveryQuestionIsRefused) {
    state.ui.confirm = std::make_shared<ConfirmPrompts>();
    EXPECT_TRUE(refused(request("a.txt")));
    const PermissionQuestions::Request parked{kPeerID,  kPeerID, "REQ-1", "\\a.txt",
                                              file("share/a.txt"), nullptr, std::nullopt};
    EXPECT_FALSE(askPermission(state, parked));
    EXPECT_EQ(state.permissionQuestions.waiting(), 0u);
}

// The program downloading from the program: a refusal ends the download
// "Cancelled by sender".
TEST_F(AccessPermissionTest, ARefusalEndsTheRequestersDownloadCancelledBySender) {
    denyEach();
    test::TempFolder requesterFolder;
    AppState requester(requesterFolder.path(), CommandLine());
    auto shell = std::make_shared<test::DownloadShell>();
    requester.ui.shell = shell;
    requester.NodeGUID = GUID();
    requester.Name = "Requester";
    requester.Timeout = 300;
    requester.Port = test::freePort();
    requester.ShowTransWindow = false;
    std::filesystem::create_directory(requesterFolder.file("Files"));
    initNetwork(requester);
    requester.qelSession->Connect("127.0.0.1:" + std::to_string(state.Port));
    ASSERT_TRUE(waitFor([&] {
        const auto known = requester.qelSession->getNodeInfo(state.NodeGUID, true);
        return !known.empty() && !known[0].ID.empty();
    }));

    downloadFile(requester, "\\a.txt", requesterFolder.file("Files/a.txt"), state.NodeGUID);
    ASSERT_EQ(requester.downloads.count(), 1u);
    const std::shared_ptr<cDownload> dl = requester.downloads.item(1);
    EXPECT_TRUE(waitFor([&] { return dl->Status == DL_Cancelled; }));
    EXPECT_EQ(dl->extendedStatus, "Cancelled by sender");
    // A refused download leaves no file behind, neither its name nor a partial.
    EXPECT_TRUE(std::filesystem::is_empty(requesterFolder.file("Files")));
    ASSERT_EQ(confirms->count(), 1u);
    EXPECT_EQ(confirms->at(0).requestingID, requester.NodeGUID);
    requester.downloads.clear();
    requester.qelSession->shutDown();
}

}  // namespace
}  // namespace tornel
