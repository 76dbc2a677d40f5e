#include "app_fixture.h"
#include "core/downloads/download_manager.h"
#include "core/network/controller.h"
#include "core/network/node_bring_up.h"
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
#include "support/scripted_confirm.h"
#include "support/wait.h"

#include <QTimer>

#include <gtest/gtest.h>

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
        state.NodeGUID = GUID();
        state.Name = "Owner";
        state.Timeout = 300;
        state.Port = test::freePort();
        state.sharedFolders.add(file("share"), file("share"));
        initNetwork(state);
        shareFolders(state);

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

// The second request goes out once the first waits for its answer: two
// requests sent at once may reach the program in one piece, and packets that
// wait behind a handler on their connection are not its to reorder.
TEST_F(AccessPermissionTest, AnsweringTheLaterPromptFirstLetsItsRequestProceedFirst) {
    std::string first;
    std::string second;
    answerEach([&](ScriptedConfirm&) {
        if (confirms->count() == 1) {
            QTimer::singleShot(0, [&] { second = request("b.txt"); });
        } else {
            QTimer::singleShot(0, [&] { confirms->at(1).answerAllow(state); });
        }
    });
    events->onEnded = [&](const std::string& reqID) {
        if (reqID == second) {
            QTimer::singleShot(0, [&] { confirms->at(0).answerAllow(state); });
        }
    };
    first = request("a.txt");
    ASSERT_TRUE(waitFor([&] { return !second.empty(); }));
    ASSERT_TRUE(served(first));
    ASSERT_TRUE(served(second));
    EXPECT_EQ(events->ended, (std::vector<std::string>{second, first}));
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

TEST_F(AccessPermissionTest, BeyondEightOpenQuestionsARequestIsRefusedWithoutAsking) {
    const size_t requests = PermissionQuestions::kMaxWaiting + 1;
    std::vector<std::string> reqIDs;
    const auto requestNext = [&] {
        const std::string name = "f" + std::to_string(reqIDs.size()) + ".txt";
        test::writeFile(file("share/") + name, "x");
        reqIDs.push_back(request(name));
    };
    // Each request goes out once the one before is waiting for its answer.
    answerEach([&](ScriptedConfirm&) { QTimer::singleShot(0, requestNext); });
    size_t promptsWhenRefused = 0;
    events->onEnded = [&](const std::string& reqID) {
        if (reqIDs.size() == requests && reqID == reqIDs.back()) {
            promptsWhenRefused = confirms->count();
            for (const auto& prompt : confirms->prompts) {
                prompt->answerAllow(state);
            }
        }
    };
    requestNext();
    ASSERT_TRUE(waitFor([&] { return reqIDs.size() == requests && ended(reqIDs.back()); }));
    EXPECT_TRUE(refused(reqIDs.back()));
    EXPECT_EQ(promptsWhenRefused, PermissionQuestions::kMaxWaiting);
    EXPECT_EQ(confirms->count(), PermissionQuestions::kMaxWaiting);
    EXPECT_NE(logText().find("[askPermission] Error: Too many permission prompts are open"),
              std::string::npos);
    for (size_t i = 0; i < PermissionQuestions::kMaxWaiting; ++i) {
        EXPECT_TRUE(served(reqIDs[i])) << i;
    }
    ASSERT_TRUE(waitFor([&] { return events->authGiven.size() == requests; }));
    EXPECT_EQ(events->authGiven.front(), (qel::StringArray{"", "False", reqIDs.back()}));
}

TEST_F(AccessPermissionTest, AWaitEndsRefusedWhenTheProgramClosesOrThePromptIsGone) {
    answerEach([&](ScriptedConfirm&) { QTimer::singleShot(0, [&] { state.closing = true; }); });
    EXPECT_TRUE(refused(request("a.txt")));
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
    EXPECT_FALSE(askPermission(state, kPeerID, kPeerID, file("share/a.txt")));
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
    ASSERT_EQ(confirms->count(), 1u);
    EXPECT_EQ(confirms->at(0).requestingID, requester.NodeGUID);
    requester.downloads.clear();
    requester.qelSession->shutDown();
}

}  // namespace
}  // namespace tornel
