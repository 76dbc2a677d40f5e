// The program's core against raw peers on loopback, written from the wire
// format: a request that needs the user's answer is parked, its handler
// returns at once, and the answer serves or refuses it later. Strangers who
// fill the questions never stop the program handling other packets.
#include "app_fixture.h"
#include "core/permissions/ask_permission.h"
#include "core/permissions/permission_questions.h"
#include "qellib/qel.h"
#include "qellib/x_file.h"
#include "support/raw_peer.h"
#include "support/scripted_confirm.h"
#include "support/wait.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace tornel {
namespace {

using test::RawPeer;
using test::waitUntil;
using test::WirePacket;

// What became of the request `reqID`: "refused" (a FILE with status 3),
// "served" once the file comes (or the program offers to send it where it
// knows no route back to an invented node: REQCONFIRM), "" while it waits.
std::string outcomeOf(const RawPeer& raw, const std::string& reqID) {
    std::string result;
    for (const WirePacket& packet : raw.received) {
        if (packet.field("ReqID") != reqID) {
            continue;
        }
        if (packet.method == "FILE" && packet.field("FileStatus") == "3") {
            return "refused";
        }
        if (packet.method == "FILE" || packet.method == "REQCONFIRM") {
            result = "served";
        }
    }
    return result;
}

// The program's node sharing a folder, with a raw peer connected to it that
// sends GETs under node IDs it invents; the test answers the prompts.
class ParkedRequestsTest : public test::AppFixture {
  protected:
    ParkedRequestsTest() {
        std::filesystem::create_directory(file("share"));
        test::writeFile(file("share/a.txt"), "contents of a");
        state.ui.confirm = confirms;
        startSharingNode(2000);
        EXPECT_TRUE(strangers->connect(static_cast<int>(state.Port)));
    }
    ~ParkedRequestsTest() override { state.qelSession->shutDown(); }

    struct Get {
        std::string source;
        std::string reqID = RawPeer::newID();
    };
    std::string packetOf(const Get& get) {
        return strangers->packet(
            "GET", state.NodeGUID,
            {{"Source", get.source}, {"ReqID", get.reqID}, {"Metadata", get.source}}, {},
            "\\a.txt");
    }
    std::string outcome(const Get& get) const { return outcomeOf(*strangers, get.reqID); }
    void allowEveryPrompt() {
        for (const auto& prompt : confirms->prompts) {
            if (!prompt->decision) {
                prompt->answerAllow(state);
            }
        }
    }
    size_t uploadRecords() const { return state.qelSession->getUploads().size() - 1; }

    std::shared_ptr<test::ScriptedConfirms> confirms = std::make_shared<test::ScriptedConfirms>();
    std::unique_ptr<RawPeer> strangers = std::make_unique<RawPeer>("STRANGERS");
};

// Ten invented nodes send eight GETs each in one write: the first eight
// nodes' requests are parked on one question each, the last two nodes'
// are refused at once, a PING on another connection is answered within a
// second while the questions are open, and answering them serves every
// parked request.
TEST_F(ParkedRequestsTest, StrangersFillingTheQuestionsNeverStopOtherPackets) {
    constexpr size_t kNodes = PermissionQuestions::kMaxQuestions + 2;
    constexpr size_t kGetsPerNode = PermissionQuestions::kMaxWaitsPerNode;
    std::vector<Get> gets;
    std::string burst;
    for (size_t node = 0; node < kNodes; ++node) {
        const std::string source = RawPeer::newID();
        for (size_t i = 0; i < kGetsPerNode; ++i) {
            gets.push_back(Get{source});
            burst += packetOf(gets.back());
        }
    }
    const size_t parked = PermissionQuestions::kMaxQuestions * kGetsPerNode;
    strangers->send(burst);
    ASSERT_TRUE(waitUntil([&] {
        return std::all_of(gets.begin() + parked, gets.end(),
                           [&](const Get& get) { return !outcome(get).empty(); });
    }));
    ASSERT_TRUE(waitUntil([&] { return state.permissionQuestions.waiting() == parked; }));
    EXPECT_EQ(state.permissionQuestions.openQuestions(), PermissionQuestions::kMaxQuestions);
    EXPECT_EQ(confirms->count(), PermissionQuestions::kMaxQuestions);
    for (size_t i = 0; i < gets.size(); ++i) {
        EXPECT_EQ(outcome(gets[i]), i < parked ? "" : "refused") << i;
    }

    RawPeer pinger("PINGER");
    ASSERT_TRUE(pinger.connect(static_cast<int>(state.Port)));
    const int64_t sentAt = platform::tickCount();
    pinger.send(pinger.packet("PING", state.NodeGUID, {{"ReqID", "P1"}}));
    ASSERT_TRUE(waitUntil([&] { return pinger.answer("PONG", "P1") != nullptr; }, 10000));
    EXPECT_LT(pinger.answer("PONG", "P1")->arrivedAt - sentAt, 1000);

    allowEveryPrompt();
    ASSERT_TRUE(waitUntil([&] {
        return std::all_of(gets.begin(), gets.begin() + parked,
                           [&](const Get& get) { return !outcome(get).empty(); });
    }));
    for (size_t i = 0; i < parked; ++i) {
        EXPECT_EQ(outcome(gets[i]), "served") << i;
    }
    EXPECT_EQ(state.permissionQuestions.waiting(), 0u);
    for (const auto& prompt : confirms->prompts) {
        EXPECT_TRUE(prompt->unloaded);
    }
    EXPECT_NE(logText().find("[askPermission] Error: Too many permission prompts are open"),
              std::string::npos);
}

// A node's requests share its question: Deny refuses them all, each with
// "AuthGiven" False and a cancelled FILE; the question is then closed and
// the node's next request asks again.
TEST_F(ParkedRequestsTest, DenyRefusesEveryRequestParkedOnTheQuestion) {
    const std::string source = RawPeer::newID();
    const std::vector<Get> gets{Get{source}, Get{source}, Get{source}};
    for (const Get& get : gets) {
        strangers->send(packetOf(get));
    }
    ASSERT_TRUE(waitUntil([&] { return state.permissionQuestions.waiting() == gets.size(); }));
    ASSERT_EQ(confirms->count(), 1u);
    confirms->at(0).answerDeny();
    ASSERT_TRUE(waitUntil([&] {
        return std::all_of(gets.begin(), gets.end(),
                           [&](const Get& get) { return outcome(get) == "refused"; });
    }));
    EXPECT_TRUE(confirms->at(0).unloaded);
    EXPECT_EQ(state.permissionQuestions.openQuestions(), 0u);
    EXPECT_EQ(uploadRecords(), 0u);

    strangers->send(packetOf(Get{source}));
    ASSERT_TRUE(waitUntil([&] { return confirms->count() == 2; }));
    confirms->at(1).answerDeny();
}

// The requester's connection closes while its question is open: the
// answer serves nothing and sends nothing, and nothing is logged.
TEST_F(ParkedRequestsTest, ARequestWhoseRequesterHasGoneIsDroppedQuietly) {
    const Get get{RawPeer::newID()};
    strangers->send(packetOf(get));
    ASSERT_TRUE(waitUntil([&] { return state.permissionQuestions.waiting() == 1; }));
    ASSERT_EQ(state.connections.count(), 1u);
    strangers.reset();
    ASSERT_TRUE(waitUntil([&] { return state.connections.empty(); }));
    const std::string logBefore = logText();

    confirms->at(0).answerAllow(state, GrantChoice::ThisTimeOnly);
    ASSERT_TRUE(waitUntil([&] { return state.permissionQuestions.waiting() == 0; }));
    EXPECT_TRUE(confirms->at(0).unloaded);
    EXPECT_EQ(uploadRecords(), 0u);
    EXPECT_EQ(logText(), logBefore);
}

}  // namespace
}  // namespace tornel
