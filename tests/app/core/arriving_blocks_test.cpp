#include "core/downloads/download_manager.h"
#include "core/network/connections.h"
#include "core/state/download.h"
#include "support/file_contents.h"
#include "support/program_node.h"
#include "support/socket_recorder.h"
#include "support/temp_folder.h"
#include "support/wait.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tornel {
namespace {

using test::HandNode;
using test::ProgramNode;
using test::readFile;
using test::waitUntil;
using test::writeFile;

constexpr int64_t kSize = 20;

// A node that sends a file's blocks by hand: it takes file requests over
// (the library sends nothing for them) and offers files with "Push".
class HandSender {
  public:
    struct Events : qel::cQELEvents {
        void FileRequest(std::string&, std::string&, std::string&, std::string& reqID,
                         std::shared_ptr<qel::cXRange>&, qel::Variant&,
                         bool& TakeNoAction) override {
            requests.push_back(reqID);
            TakeNoAction = true;
        }
        std::vector<std::string> requests;
    };

    HandSender() {
        qel::cSettings settings;
        settings.SaveSetting("nodeID", std::string(kID));
        settings.SaveSetting("Timeout", int64_t{400});
        node.Initialise("Sender", port, qel::role_Peer, "TORNEL_NODE", share.path(),
                        settings.getXML());
        node.Listen();
        push = node.newRPCInstance(answers);
        push->bindRPC("Push", qel::RPC_INCOMING);
        push->bindRPC("Push", qel::RPC_RETURN);
    }
    ~HandSender() { node.shutDown(); }
    std::string address() const { return "127.0.0.1:" + std::to_string(port); }

    static constexpr const char* kID = "SENDER-NODE";
    test::TempFolder share;
    int port = test::freePort();
    std::shared_ptr<Events> events = std::make_shared<Events>();
    std::shared_ptr<HandNode::Events> answers = std::make_shared<HandNode::Events>();
    qel::cQEL node{events};
    std::shared_ptr<qel::cQELRPC> push;
};

// How the download came about: an accepted offer, or Bob's own request.
enum class Way { Pushed, Requested };

// Bob receives a 20-byte file from a sender that writes its blocks by hand;
// a third node, Carol, knows the request ID.
class ArrivingBlocksTest : public ::testing::TestWithParam<Way> {
  protected:
    void SetUp() override {
        bob.start();
        for (const std::string& address : {sender.address(), carol.address()}) {
            bob.state.serverList.add(address, address);
        }
        connectTo(bob.state);
        ASSERT_TRUE(waitUntil([&] {
            return bob.knows(HandSender::kID) && bob.knows(carol.nodeID()) &&
                   !sender.node.getNodeInfo(bob.state.NodeGUID, true).at(0).ID.empty() &&
                   !carol.node.getNodeInfo(bob.state.NodeGUID, true).at(0).ID.empty();
        }));
    }

    // Starts the download of `name` the way the test is about; its record.
    std::shared_ptr<cDownload> start(const std::string& name) {
        std::string reqID;
        if (GetParam() == Way::Pushed) {
            const std::string call = sender.push->callRemoteProc(
                bob.state.NodeGUID, "Push", qel::StringArray{name, std::to_string(kSize)});
            if (!waitUntil([&] { return sender.answers->answers.contains(call); })) {
                return nullptr;
            }
            const auto* answer = std::get_if<qel::StringArray>(&sender.answers->answers[call]);
            if (!answer || answer->size() != 2) {
                return nullptr;
            }
            reqID = (*answer)[1];
        } else {
            writeFile(sender.share.file(name), std::string(kSize, '?'));
            const size_t before = sender.events->requests.size();
            downloadFile(bob.state, "\\" + name, bob.state.DownloadPath + "/" + name,
                         HandSender::kID);
            if (!waitUntil([&] { return sender.events->requests.size() > before; })) {
                return nullptr;
            }
            reqID = sender.events->requests.back();
        }
        reqID_ = reqID;
        return findDownload(bob.state, reqID);
    }
    // A block of the file from `from`, at `first`, with the file's size.
    void block(qel::cQEL& from, const std::string& data, int64_t first,
               qel::enmFileStatus status = qel::FS_Transferring) {
        from.sendFile(bob.state.NodeGUID, reqID_, data, status, "",
                      from.makeRange(first, first + static_cast<int64_t>(data.size()) - 1, kSize));
    }
    static bool ended(const std::shared_ptr<cDownload>& dl) {
        return waitUntil([&] { return dl->Status >= DL_Complete; });
    }
    std::string logText() const { return readFile(bob.folder.file("Log.txt")); }

    ProgramNode bob{"Bob"};
    HandSender sender;
    HandNode carol{"CAROL-NODE"};
    std::string reqID_;
};

TEST_P(ArrivingBlocksTest, BlocksOutsideTheAnnouncedSizeCancelAndAShortEndIsNotComplete) {
    struct Block {
        std::string data;
        int64_t first;
        qel::enmFileStatus status;
    };
    struct Case {
        std::string name;
        std::vector<Block> blocks;
        int32_t status;
        std::string extendedStatus;
        uintmax_t bytesOnDisk;
        std::string logged;
    };
    const std::string ten(10, 'a');
    const std::vector<Case> cases{
        {"far.bin",
         {{"x", int64_t{1} << 40, qel::FS_Transferring}},
         DL_Cancelled,
         "",
         0,
         "1 bytes at byte 1099511627776 lies outside the 20 bytes of far.bin"},
        {"long.bin",
         {{std::string(30, 'b'), 0, qel::FS_Complete}},
         DL_Cancelled,
         "",
         0,
         "30 bytes at byte 0 lies outside the 20 bytes of long.bin"},
        {"more.bin",
         {{ten, 0, qel::FS_Transferring},
          {ten, 10, qel::FS_Transferring},
          {ten, 20, qel::FS_Transferring}},
         DL_Cancelled,
         "",
         20,
         "10 bytes at byte 20 lies outside the 20 bytes of more.bin"},
        {"short.bin",
         {{"x", 0, qel::FS_Complete}},
         DL_Cancelled,
         "Incomplete",
         1,
         "short.bin ended with 1 of its 20 bytes"},
        {"whole.bin",
         {{ten, 10, qel::FS_Transferring}, {ten, 0, qel::FS_Complete}},
         DL_Complete,
         "",
         20,
         "A block of whole.bin starts at byte 10 where byte 0 was expected"},
    };
    for (const Case& c : cases) {
        const std::shared_ptr<cDownload> dl = start(c.name);
        ASSERT_TRUE(dl) << c.name;
        for (const Block& b : c.blocks) {
            block(sender.node, b.data, b.first, b.status);
        }
        ASSERT_TRUE(ended(dl)) << c.name;
        EXPECT_EQ(dl->Status, c.status) << c.name;
        EXPECT_EQ(dl->extendedStatus, c.extendedStatus) << c.name;
        EXPECT_FALSE(dl->fileIO && dl->fileIO->fileOpen()) << c.name;
        // A download that ended without a byte leaves no file.
        const std::string onDisk = dl->fileOnDisk();
        EXPECT_EQ(std::filesystem::exists(onDisk) ? std::filesystem::file_size(onDisk) : 0,
                  c.bytesOnDisk)
            << c.name;
        EXPECT_NE(logText().find(c.logged), std::string::npos) << c.name;
    }
    EXPECT_EQ(readFile(bob.state.DownloadPath + "/whole.bin"), std::string(20, 'a'));
}

TEST_P(ArrivingBlocksTest, BlocksAndCancelsFromAnotherNodeAreDropped) {
    const std::shared_ptr<cDownload> dl = start("a.bin");
    ASSERT_TRUE(dl);
    block(carol.node, std::string(kSize, 'E'), 0, qel::FS_Complete);
    carol.node.sendFile(bob.state.NodeGUID, reqID_, "", qel::FS_Canceled);
    // Bob has handled both once he answers a ping sent after them.
    ASSERT_GE(carol.node.Ping(bob.state.NodeGUID, 3000), 0);
    EXPECT_EQ(dl->Status, DL_Downloading);
    EXPECT_EQ(std::filesystem::file_size(dl->fileOnDisk()), 0U);

    const std::string bytes = test::patternBytes(kSize, 5);
    block(sender.node, bytes, 0, qel::FS_Complete);
    ASSERT_TRUE(ended(dl));
    EXPECT_EQ(dl->Status, DL_Complete);
    EXPECT_EQ(readFile(dl->localPath), bytes);
}

INSTANTIATE_TEST_SUITE_P(BothWays, ArrivingBlocksTest,
                         ::testing::Values(Way::Pushed, Way::Requested),
                         [](const ::testing::TestParamInfo<Way>& info) {
                             return info.param == Way::Pushed ? "Pushed" : "Requested";
                         });

}  // namespace
}  // namespace tornel
