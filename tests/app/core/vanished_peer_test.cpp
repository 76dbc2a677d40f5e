#include "core/downloads/download_manager.h"
#include "core/network/connections.h"
#include "core/network/node_bring_up.h"
#include "core/state/download.h"
#include "qellib/x_file.h"
#include "support/file_contents.h"
#include "support/node_process.h"
#include "support/peer_node.h"
#include "support/program_node.h"
#include "support/scripted_confirm.h"
#include "support/socket_recorder.h"
#include "support/temp_folder.h"
#include "support/wait.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>

namespace tornel {
namespace {

using test::NodeProcess;
using test::ProgramNode;
using test::readFile;
using test::waitUntil;
using test::writeFile;

constexpr const char* kAliceID = "ALICE-NODE";

// Bob, a copy of the program, and Alice, a headless node in a process of
// her own that the test freezes or kills; she shares a folder of her own.
class VanishedPeerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        bob.state.FileChunk = 1;   // many small chunks: the transfers are long
        bob.state.Timeout = 2000;  // Alice answers from another process, maybe a busy one
        bob.state.ui.confirm = confirms;
        confirms->onLoad = [this](test::ScriptedConfirm& prompt) { prompt.answerAllow(bob.state); };
        bob.start();
        startAlice();
        bob.state.serverList.add(aliceAddress(), aliceAddress());
        connectTo(bob.state);
        ASSERT_TRUE(waitUntil([&] { return connectedToAlice(); }, 20000));
        // She answers once she has heard Bob's description, which went before.
        writeFile(aliceShare.file("ready.txt"), "ready");
        ASSERT_TRUE(waitUntil([&] {
            std::string path = "\\ready.txt";
            return bob.state.qelSession->getFileInfo(path, kAliceID).lngSize == 5;
        }));
    }

    // Whether Bob's connection to Alice is open (what the process knows of
    // her may be older than this test).
    bool connectedToAlice() const {
        const auto open = bob.state.connections.snapshot();
        return std::find(open.begin(), open.end(), aliceAddress()) != open.end();
    }

    std::string aliceAddress() const { return "127.0.0.1:" + std::to_string(alicePort); }
    // Starts Alice (again, after she was killed: same ID, port and share).
    void startAlice() {
        alice.emplace(QStringList{"--name", "Alice", "--port", QString::number(alicePort), "--kind",
                                  "TORNEL_NODE", "--set", "nodeID=ALICE-NODE", "--set",
                                  "Timeout=400", "--set", "filePacket=1", "--share",
                                  QString::fromStdString(aliceShare.path())});
        ASSERT_TRUE(alice->started());
        ASSERT_EQ(alice->readyID(), kAliceID);
    }
    // The bytes of a file Alice shares.
    std::string aliceFile(const std::string& name, size_t size) {
        std::string bytes = test::patternBytes(size, 3);
        writeFile(aliceShare.file(name), bytes);
        return bytes;
    }
    std::string local(const std::string& name) const { return bob.state.DownloadPath + "/" + name; }
    std::shared_ptr<cDownload> download(const std::string& name, const std::string& from) {
        downloadFile(bob.state, "\\" + name, local(name), from);
        return bob.state.downloads.item(bob.state.downloads.count());
    }
    // Freezes Alice while `dl` is halfway.
    void freezeAliceMidway(const std::shared_ptr<cDownload>& dl) {
        ASSERT_TRUE(waitUntil([&] { return dl->lngProgress > 0; }, 20000))
            << dl->Status << " " << dl->extendedStatus;
        alice->signal(SIGSTOP);
        ASSERT_EQ(dl->Status, DL_Downloading);
    }
    void killAlice() {
        alice->signal(SIGKILL);
        ASSERT_TRUE(alice->ended());
        alice.reset();
    }
    // Connects Bob to Alice again at once, rather than when his retries of
    // the lost connection come round.
    void reconnectToAlice() {
        bob.state.qelSession->disconnectFrom(aliceAddress());
        bob.state.qelSession->connectMaintainAsync(aliceAddress(), false, true);
    }
    // Resumes the stopped download once Alice is back: the whole file arrives.
    void resumeToTheEnd(const std::shared_ptr<cDownload>& dl, const std::string& bytes) {
        ASSERT_TRUE(waitUntil([&] { return connectedToAlice(); }, 20000));
        resumeDownload(bob.state, dl);
        const std::shared_ptr<cDownload> again = bob.state.downloads.item(1);
        ASSERT_NE(again, dl);
        EXPECT_EQ(again->localPath, dl->localPath);
        ASSERT_TRUE(waitUntil([&] { return again->Status >= DL_Complete; }, 30000));
        EXPECT_EQ(again->Status, DL_Complete);
        EXPECT_TRUE(readFile(dl->localPath) == bytes);
    }

    ProgramNode bob{"Bob"};
    std::shared_ptr<test::ScriptedConfirms> confirms = std::make_shared<test::ScriptedConfirms>();
    test::TempFolder aliceShare;
    int alicePort = test::freePort();
    std::optional<NodeProcess> alice;
};

TEST_F(VanishedPeerTest, AKilledSendersDownloadStopsResumableAndFreesItsPlace) {
    const std::string bytes = aliceFile("big.bin", 4 << 20);
    test::PeerNode carol("CAROL-NODE", "Carol", aliceShare.path());
    bob.state.serverList.add(carol.address(), carol.address());
    connectTo(bob.state);
    ASSERT_TRUE(waitUntil([&] { return bob.knows("CAROL-NODE"); }));
    writeFile(aliceShare.file("small.bin"), "small");
    bob.state.MaxDL = 1;

    const std::shared_ptr<cDownload> dl = download("big.bin", kAliceID);
    const std::shared_ptr<cDownload> waiting = download("small.bin", "CAROL-NODE");
    EXPECT_EQ(waiting->Status, DL_Pending);
    ASSERT_NO_FATAL_FAILURE(freezeAliceMidway(dl));
    ASSERT_NO_FATAL_FAILURE(killAlice());

    // Well within a few seconds: as the user's Stop leaves it.
    ASSERT_TRUE(waitUntil([&] { return dl->Status != DL_Downloading; }));
    EXPECT_EQ(dl->Status, DL_Cancelled);
    EXPECT_EQ(dl->extendedStatus, "");
    EXPECT_FALSE(dl->fileIO && dl->fileIO->fileOpen());
    ASSERT_TRUE(waitUntil([&] { return waiting->Status == DL_Complete; }));
    EXPECT_EQ(readFile(local("small.bin")), "small");

    bob.state.downloads.remove(waiting->Key);
    ASSERT_NO_FATAL_FAILURE(startAlice());
    reconnectToAlice();
    resumeToTheEnd(dl, bytes);
}

TEST_F(VanishedPeerTest, ASilentSendersDownloadStopsResumable) {
    const std::string bytes = aliceFile("big.bin", 4 << 20);
    const std::shared_ptr<cDownload> dl = download("big.bin", kAliceID);
    ASSERT_NO_FATAL_FAILURE(freezeAliceMidway(dl));
    // Her connection stays open; nothing comes for a few Timeouts.
    ASSERT_TRUE(waitUntil([&] { return dl->Status != DL_Downloading; }, 20000));
    EXPECT_EQ(dl->Status, DL_Cancelled);
    EXPECT_FALSE(dl->fileIO && dl->fileIO->fileOpen());
    EXPECT_NE(readFile(bob.folder.file("Log.txt")).find("Nothing arrived for big.bin"),
              std::string::npos);

    alice->signal(SIGCONT);
    resumeToTheEnd(dl, bytes);
}

TEST_F(VanishedPeerTest, AKilledReceiversUploadIsCancelled) {
    const std::string shared = bob.folder.file("share");
    std::filesystem::create_directory(shared);
    writeFile(shared + "/big.bin", test::patternBytes(4 << 20));
    std::string path = shared;
    bob.state.qelSession->shareFolder(path);

    alice->command("get " + bob.state.NodeGUID + " \\big.bin");
    std::shared_ptr<qel::cXFile> upload;
    ASSERT_TRUE(waitUntil(
        [&] {
            const auto uploads = bob.state.qelSession->getUploads();
            upload = uploads.size() > 1 ? uploads[1] : nullptr;
            return upload && upload->lngProgress > 0;
        },
        20000));
    alice->signal(SIGSTOP);
    ASSERT_EQ(upload->Status, qel::FS_Transferring);
    ASSERT_NO_FATAL_FAILURE(killAlice());
    ASSERT_TRUE(waitUntil([&] { return upload->Status != qel::FS_Transferring; }));
    EXPECT_EQ(upload->Status, qel::FS_Canceled);
}

// A pushed file's sender goes away after its first block.
TEST(VanishedPusherTest, TheFileIsClosedAndTheDownloadEnds) {
    ProgramNode bob("Bob");
    std::optional<test::HandNode> hand(std::in_place);
    ASSERT_TRUE(test::linkToHand(bob, *hand));
    const auto push = hand->bind({"Push"});
    const std::string call =
        push->callRemoteProc(bob.state.NodeGUID, "Push", qel::StringArray{"gift.bin", "100"});
    ASSERT_TRUE(waitUntil([&] { return hand->events->answers.contains(call); }));
    const auto* answer = std::get_if<qel::StringArray>(&hand->events->answers[call]);
    ASSERT_TRUE(answer && answer->size() == 2);
    const std::shared_ptr<cDownload> dl = findDownload(bob.state, (*answer)[1]);
    ASSERT_TRUE(dl);
    hand->node.sendFile(bob.state.NodeGUID, dl->reqID, "first", qel::FS_Transferring, "",
                        hand->node.makeRange(0, 4, 100));
    ASSERT_TRUE(waitUntil([&] { return dl->lngProgress == 5; }));
    hand.reset();
    ASSERT_TRUE(waitUntil([&] { return dl->Status != DL_Downloading; }));
    EXPECT_EQ(dl->Status, DL_Cancelled);
    EXPECT_FALSE(dl->fileIO && dl->fileIO->fileOpen());
    EXPECT_EQ(readFile(dl->fileOnDisk()), "first");
}

}  // namespace
}  // namespace tornel
