#include "core/update/self_update.h"
#include "platform/event_loop.h"
#include "platform/files.h"
#include "platform/timer.h"
#include "update_peers.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <optional>

#include <sys/stat.h>
#include <unistd.h>

namespace tornel {
namespace {

using test::letEventsRun;
using test::paddedProgram;
using test::PeerProcedures;
using test::ProgramCore;
using test::runnableImage;
using test::sameContents;
using test::TempFolder;
using test::UpdatePeer;
using test::waitUntil;
using test::waitWhileProgressing;

bool exists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

// Byte for byte, whatever the file's size: the program file of this test as
// it is, and grown to 100 MB, between two copies whose Timeout is 300 ms.
// The wait follows the image as it grows, however fast the machine is.
TEST(SelfUpdateTest, TheNewerCopyServesItsProgramFileAndTheOlderReceivesItWhole) {
    TempFolder programs;
    const struct {
        const char* what;
        std::string program;
    } cases[] = {
        {"the program file as it is", QCoreApplication::applicationFilePath().toStdString()},
        {"the program file grown to 100 MB", paddedProgram(programs, int64_t{100} << 20)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ProgramCore newer(6);
        newer.bringUp();
        newer.update().setup().executable = c.program;
        ProgramCore older(5, {"-update"});
        older.bringUp({newer.address()});
        ASSERT_TRUE(older.knows(newer.state.NodeGUID));

        checkForUpdate(older.state);
        const std::string image = older.file("Update.dat");
        ASSERT_TRUE(waitWhileProgressing([&] { return !older.recorded.starts.empty(); },
                                         [&] { return platform::fileSize(image); }))
            << older.logText();
        EXPECT_TRUE(sameContents(image, c.program));
        struct stat status {};
        ASSERT_EQ(::stat(image.c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 0777, 0755u);
        ASSERT_EQ(older.recorded.starts.size(), 1u);
        const auto& start = older.recorded.starts[0];
        EXPECT_EQ(start.program, image);
        EXPECT_EQ(start.arguments, std::vector<std::string>{"-copy"});
        EXPECT_EQ(start.folder, older.folder.path());
        EXPECT_TRUE(older.state.closing);
        EXPECT_FALSE(older.update().updating());
        EXPECT_EQ(older.tray->calls.back(), "setToolTip Tornel");
        EXPECT_TRUE(older.toolTipShown("Updating"));
        EXPECT_EQ(older.logText(), "");
        EXPECT_EQ(newer.logText(), "");
        // The newer copy does not ask anyone.
        EXPECT_TRUE(newer.recorded.starts.empty());
        EXPECT_FALSE(newer.state.closing);
    }
}

TEST(SelfUpdateTest, OfTwoNewerPeersOnlyTheFirstToAnswerIsAskedForItsFile) {
    UpdatePeer first("FIRST");
    UpdatePeer second("SECOND");
    second.procedures->holdVersion = true;
    ProgramCore core(5);
    core.bringUp({first.address(), second.address()});
    ASSERT_TRUE(core.knows(first) && core.knows(second));
    core.countAnswers();

    checkForUpdate(core.state);
    ASSERT_TRUE(waitUntil([&] { return first.procedures->imageCalls == 1; }));
    ASSERT_TRUE(waitUntil([&] { return second.procedures->versionCalls == 1; }));
    second.procedures->answerHeld();
    ASSERT_TRUE(waitUntil([&] { return core.answers == 2; }));
    // Whatever the core sent before its answer to this ping has arrived.
    ASSERT_GE(second.node.Ping(core.state.NodeGUID, 20000), 0);
    EXPECT_EQ(first.procedures->imageCalls, 1);
    EXPECT_EQ(first.procedures->imageAsker, core.state.NodeGUID);
    EXPECT_EQ(second.procedures->imageCalls, 0);
    EXPECT_TRUE(core.update().updating());
    EXPECT_TRUE(core.toolTipShown("Updating"));
    EXPECT_TRUE(exists(core.file("Update.dat")));
}

TEST(SelfUpdateTest, ImagesThatCannotRunHereAreRefusedAndRemoved) {
    std::string otherMachine = runnableImage();
    otherMachine[18] = static_cast<char>(otherMachine[18] ^ 0x7f);
    const struct {
        const char* what;
        std::string image;
        const char* logged;
    } cases[] = {
        {"text", std::string(64 * 1024, 'x'), "not an ELF program"},
        {"a Windows program", "MZ" + std::string(64 * 1024, '\0'), "not an ELF program"},
        {"another machine", otherMachine, "for another machine"},
        {"a fragment", runnableImage().substr(0, 1000), "implausible size"},
    };
    for (const auto& c : cases) {
        UpdatePeer peer(c.what);
        peer.procedures->image = c.image;
        ProgramCore core(5);
        core.bringUp({peer.address()});
        ASSERT_TRUE(core.knows(peer));
        checkForUpdate(core.state);
        ASSERT_TRUE(waitUntil([&] {
            return peer.procedures->imageCalls == 1 && !core.update().updating();
        })) << c.what;
        EXPECT_FALSE(exists(core.file("Update.dat"))) << c.what;
        EXPECT_TRUE(core.recorded.starts.empty()) << c.what;
        EXPECT_FALSE(core.state.closing) << c.what;
        EXPECT_EQ(core.tray->calls.back(), "setToolTip Tornel") << c.what;
        const std::string log = core.logText();
        EXPECT_EQ(log.rfind("[QEL_FileReceived] Error: The program image ", 0), 0u) << log;
        EXPECT_NE(log.find(c.logged), std::string::npos) << c.what << ": " << log;
    }
}

// An image that never comes, and one whose sender stops after its first
// block: the update gives up after three times the Timeout of 300 ms of
// silence, removes what it holds, and ignores the image when it comes late.
TEST(SelfUpdateTest, AnUpdateWhoseImageStopsComingGivesUpAndIgnoresItLater) {
    const struct {
        const char* what;
        std::optional<size_t> stopAfter;
    } cases[] = {
        {"no block", std::nullopt},
        {"a first block", 256 * 1024},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        UpdatePeer peer("PEER");
        if (c.stopAfter) {
            peer.procedures->image = runnableImage(1024 * 1024);
            peer.procedures->stopAfter = c.stopAfter;
        }
        ProgramCore core(5);
        core.bringUp({peer.address()});
        ASSERT_TRUE(core.knows(peer));
        checkForUpdate(core.state);
        const std::string image = core.file("Update.dat");
        const auto held = static_cast<int64_t>(c.stopAfter.value_or(0));
        ASSERT_TRUE(waitUntil(
            [&] { return peer.procedures->imageCalls == 1 && platform::fileSize(image) == held; }));
        EXPECT_TRUE(core.update().updating());

        ASSERT_TRUE(waitUntil([&] { return !core.update().updating(); }));
        // The wait restarted with the block, which left after the peer sent it
        // (the timer may round down by a millisecond).
        EXPECT_GE(test::realMs() - peer.procedures->imageSentAt, 3 * 300 - 1);
        EXPECT_FALSE(exists(image));
        EXPECT_EQ(core.tray->calls.back(), "setToolTip Tornel");
        EXPECT_EQ(core.logText(),
                  "[QEL_FileReceived] Error: No part of the program file arrived for 900 ms\r\n");

        // The whole image, late: it is no longer taken.
        const std::string late = runnableImage();
        peer.node.sendFile(core.state.NodeGUID, peer.procedures->imageRequest, late,
                           qel::FS_Complete);
        // Answered only once the image before it on the connection was handled.
        ASSERT_GE(peer.node.Ping(core.state.NodeGUID, 20000), 0);
        EXPECT_FALSE(exists(image));
        EXPECT_TRUE(core.recorded.starts.empty());
    }
}

// Only the node asked for the image sends it: blocks under the image's
// request ID from another node are not taken.
TEST(SelfUpdateTest, BlocksUnderTheImagesRequestFromAnotherNodeAreNotTaken) {
    constexpr size_t kFirstBlock = 256 * 1024;
    UpdatePeer peer("PEER");
    peer.procedures->image = runnableImage(1024 * 1024);
    peer.procedures->stopAfter = kFirstBlock;
    UpdatePeer other("OTHER");
    other.procedures->revision = "1";  // not newer: never asked for its image
    ProgramCore core(5);
    core.state.Timeout = 10000;  // the update waits for the rest meanwhile
    core.bringUp({peer.address(), other.address()});
    ASSERT_TRUE(core.knows(peer));
    ASSERT_TRUE(core.knows(other));
    checkForUpdate(core.state);
    const std::string image = core.file("Update.dat");
    ASSERT_TRUE(waitUntil([&] {
        return peer.procedures->imageCalls == 1 &&
               platform::fileSize(image) == static_cast<int64_t>(kFirstBlock);
    }));

    other.node.sendFile(core.state.NodeGUID, peer.procedures->imageRequest, runnableImage(),
                        qel::FS_Complete);
    ASSERT_GE(other.node.Ping(core.state.NodeGUID, 20000), 0);  // after the block
    EXPECT_TRUE(core.update().updating());
    EXPECT_EQ(platform::fileSize(image), static_cast<int64_t>(kFirstBlock));
    EXPECT_TRUE(core.recorded.starts.empty());
    EXPECT_EQ(other.procedures->imageCalls, 0);
}

// A copy that cannot send its program file now answers the call: the update
// ends at once instead of waiting for what will not come.
TEST(SelfUpdateTest, ARefusedCallForTheImageEndsTheUpdate) {
    UpdatePeer peer("PEER");
    peer.procedures->imageAnswer = std::string(ImageRefusal);
    ProgramCore core(5);
    core.bringUp({peer.address()});
    ASSERT_TRUE(core.knows(peer));
    checkForUpdate(core.state);
    ASSERT_TRUE(waitUntil([&] { return peer.procedures->imageCalls == 1; }));
    ASSERT_TRUE(waitUntil([&] { return !core.update().updating(); }));
    EXPECT_FALSE(exists(core.file("Update.dat")));
    EXPECT_TRUE(core.recorded.starts.empty());
    EXPECT_EQ(core.tray->calls.back(), "setToolTip Tornel");
    EXPECT_EQ(core.logText(),
              "[Update_RemoteProcReturn] Error: PEER does not send its program file: REFUSE\r\n");
}

TEST(SelfUpdateTest, OnlyAnswersToOurOwnQuestionCountAndOnlyForOneUpdate) {
    UpdatePeer peer("PEER");
    peer.procedures->image = runnableImage();
    ProgramCore core(5);
    core.bringUp({peer.address()});
    ASSERT_TRUE(core.knows(peer));
    core.countAnswers();
    // Unasked, an answer of the peer does not count.
    auto& events = *core.state.controller->UpdateEvents;
    std::string made = "FORGED";
    qel::Variant revision = std::string("9");
    std::string peerID = "PEER";
    std::string name = "GetVersion";
    events.onReturn(name, revision, made, peerID);
    EXPECT_EQ(peer.procedures->imageCalls, 0);

    checkForUpdate(core.state);
    ASSERT_TRUE(waitUntil([&] { return !core.recorded.starts.empty(); }));
    // A second question, or the same answer again, starts nothing more.
    std::string asked = peer.procedures->heldVersion;
    events.onReturn(name, revision, asked, peerID);
    checkForUpdate(core.state);
    ASSERT_GE(peer.node.Ping(core.state.NodeGUID, 20000), 0);
    EXPECT_EQ(peer.procedures->versionCalls, 1);
    EXPECT_EQ(peer.procedures->imageCalls, 1);
    EXPECT_EQ(core.recorded.starts.size(), 1u);
    EXPECT_EQ(core.answers, 3);
}

// The program's clock at the pace of the real one, which a test can move on.
class SteppableClock {
  public:
    SteppableClock() {
        elapsed_.start();
        timer_.setHandler([this] { clock_.set(start_ + elapsed_.elapsed() + jumped_); });
        timer_.setInterval(1);
        timer_.setEnabled(true);
    }
    void jump(int64_t ms) {
        jumped_ += ms;
        clock_.advance(ms);
    }

  private:
    platform::ScopedTestClock clock_;
    int64_t start_ = clock_.now();
    int64_t jumped_ = 0;
    QElapsedTimer elapsed_;
    platform::Timer timer_;
};

TEST(SelfUpdateTest, AnswersCountOnlyForTheTimeOfTheCall) {
    SteppableClock clock;
    UpdatePeer peer("PEER");
    peer.procedures->holdVersion = true;
    ProgramCore core(5);
    core.bringUp({peer.address()});
    ASSERT_TRUE(core.knows(peer));
    core.countAnswers();

    checkForUpdate(core.state);
    ASSERT_TRUE(waitUntil([&] { return peer.procedures->versionCalls == 1; }));
    clock.jump(VersionAnswerWindowMs + 1);
    peer.procedures->answerHeld();
    ASSERT_TRUE(waitUntil([&] { return core.answers == 1; }));
    ASSERT_GE(peer.node.Ping(core.state.NodeGUID, 20000), 0);
    EXPECT_EQ(peer.procedures->imageCalls, 0);
    EXPECT_FALSE(core.toolTipShown("Updating"));
    EXPECT_FALSE(exists(core.file("Update.dat")));
}

TEST(SelfUpdateTest, WithoutAConnectionTheQuestionWaitsForOneButNotForever) {
    SteppableClock clock;
    UpdatePeer early("EARLY");
    UpdatePeer late("LATE");
    {
        ProgramCore core(5);
        core.bringUp();
        checkForUpdate(core.state);
        core.state.qelSession->connectMaintainAsync(early.address());
        EXPECT_TRUE(waitUntil([&] { return early.procedures->versionCalls == 1; }));
    }
    ProgramCore core(5);
    core.bringUp();
    checkForUpdate(core.state);
    ASSERT_TRUE(core.update().questionWaiting());
    clock.jump(ConnectionWaitMs);
    ASSERT_TRUE(waitUntil([&] { return !core.update().questionWaiting(); }));
    core.state.qelSession->connectMaintainAsync(late.address());
    ASSERT_TRUE(waitUntil([&] { return core.state.qelSession->isConnected(); }));
    // Nothing is asked however long the connection stands.
    letEventsRun(2 * ConnectionPollMs);
    EXPECT_EQ(late.procedures->versionCalls, 0);
    EXPECT_EQ(core.logText(), "");
}

TEST(SelfUpdateTest, AProgramOutsideItsWritableProgramFolderIsNotReplaced) {
    UpdatePeer first("FIRST");
    UpdatePeer second("SECOND");
    ProgramCore core(5);
    core.bringUp({first.address(), second.address()});
    core.update().setup().executable = QCoreApplication::applicationFilePath().toStdString();
    ASSERT_TRUE(core.knows(first) && core.knows(second));
    core.countAnswers();
    checkForUpdate(core.state);
    ASSERT_TRUE(waitUntil([&] { return core.answers == 2; }));
    ASSERT_GE(first.node.Ping(core.state.NodeGUID, 20000), 0);
    ASSERT_GE(second.node.Ping(core.state.NodeGUID, 20000), 0);
    EXPECT_EQ(first.procedures->imageCalls + second.procedures->imageCalls, 0);
    EXPECT_FALSE(core.toolTipShown("Updating"));
    EXPECT_FALSE(exists(core.file("Update.dat")));
    // One line, however many newer copies answer.
    const std::string log = core.logText();
    EXPECT_EQ(log.rfind("[Update_RemoteProcReturn] Error: The update is refused: the program ", 0),
              0u)
        << log;
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
}

TEST(SelfUpdateTest, ADebugCopyAsksNobodyAndAnswersZero) {
    UpdatePeer asker("ASKER");
    ProgramCore debug(9, {"-debug", "-update"});
    debug.bringUp({asker.address()});
    ASSERT_TRUE(debug.knows(asker));
    checkForUpdate(debug.state);
    const qel::Variant answer =
        asker.procedures->rpc->quickRPCBlocking(debug.state.NodeGUID, "GetVersion");
    EXPECT_EQ(answer, qel::Variant(std::string("0")));
    EXPECT_EQ(asker.procedures->versionCalls, 0);
    EXPECT_EQ(debug.logText(), "");
}

}  // namespace
}  // namespace tornel
