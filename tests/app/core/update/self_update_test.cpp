#include "core/update/self_update.h"
#include "platform/event_loop.h"
#include "platform/timer.h"
#include "update_peers.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace tornel {
namespace {

using test::PeerProcedures;
using test::ProgramCore;
using test::readFile;
using test::runnableImage;
using test::UpdatePeer;
using test::waitUntil;

bool exists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

// Lets events run for `ms`.
void pause(int64_t ms) {
    waitUntil([] { return false; }, ms);
}

TEST(SelfUpdateTest, TheNewerCopyServesItsProgramFileAndTheOlderReceivesItWhole) {
    ProgramCore newer(6);
    newer.bringUp();
    const std::string ownProgram = QCoreApplication::applicationFilePath().toStdString();
    newer.update().setup().executable = ownProgram;
    ProgramCore older(5, {"-update"});
    older.bringUp({newer.address()});
    ASSERT_TRUE(older.knows(newer.state.NodeGUID));

    checkForUpdate(older.state);
    ASSERT_TRUE(waitUntil([&] { return !older.recorded.starts.empty(); }, 8000));
    EXPECT_TRUE(readFile(older.file("Update.dat")) == readFile(ownProgram));
    struct stat status {};
    ASSERT_EQ(::stat(older.file("Update.dat").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0755u);
    ASSERT_EQ(older.recorded.starts.size(), 1u);
    const auto& start = older.recorded.starts[0];
    EXPECT_EQ(start.program, older.file("Update.dat"));
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

TEST(SelfUpdateTest, OfTwoNewerPeersOnlyTheFirstToAnswerIsAskedForItsFile) {
    UpdatePeer first("FIRST");
    UpdatePeer second("SECOND");
    second.procedures->holdVersion = true;
    ProgramCore core(5);
    core.bringUp({first.address(), second.address()});
    ASSERT_TRUE(core.knows("FIRST") && core.knows("SECOND"));

    checkForUpdate(core.state);
    ASSERT_TRUE(waitUntil([&] { return first.procedures->imageCalls == 1; }));
    ASSERT_TRUE(waitUntil([&] { return second.procedures->versionCalls == 1; }));
    second.procedures->answerHeld();
    pause(300);
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
        ASSERT_TRUE(core.knows(c.what));
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

TEST(SelfUpdateTest, AnUpdateWhoseImageNeverComesGivesUpAndIgnoresItLater) {
    UpdatePeer peer("PEER");
    ProgramCore core(5);
    core.bringUp({peer.address()});
    ASSERT_TRUE(core.knows("PEER"));
    checkForUpdate(core.state);
    ASSERT_TRUE(waitUntil([&] { return peer.procedures->imageCalls == 1; }));
    EXPECT_TRUE(core.update().updating());
    EXPECT_TRUE(exists(core.file("Update.dat")));

    // Three times the Timeout of 300 ms.
    ASSERT_TRUE(waitUntil([&] { return !core.update().updating(); }, 3000));
    EXPECT_FALSE(exists(core.file("Update.dat")));
    EXPECT_EQ(core.tray->calls.back(), "setToolTip Tornel");
    EXPECT_EQ(core.logText(),
              "[QEL_FileReceived] Error: No part of the program file arrived for 900 ms\r\n");

    peer.node.sendFile(core.state.NodeGUID, peer.procedures->imageRequest, runnableImage(),
                       qel::FS_Complete);
    pause(300);
    EXPECT_FALSE(exists(core.file("Update.dat")));
    EXPECT_TRUE(core.recorded.starts.empty());
}

TEST(SelfUpdateTest, OnlyAnswersToOurOwnQuestionCountAndOnlyForOneUpdate) {
    UpdatePeer peer("PEER");
    peer.procedures->image = runnableImage();
    ProgramCore core(5);
    core.bringUp({peer.address()});
    ASSERT_TRUE(core.knows("PEER"));
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
    pause(200);
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
    ASSERT_TRUE(core.knows("PEER"));
    core.countAnswers();

    checkForUpdate(core.state);
    ASSERT_TRUE(waitUntil([&] { return peer.procedures->versionCalls == 1; }));
    clock.jump(VersionAnswerWindowMs + 1);
    peer.procedures->answerHeld();
    ASSERT_TRUE(waitUntil([&] { return core.answers == 1; }));
    pause(200);
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
        ASSERT_FALSE(core.state.qelSession->Connect(early.address()).empty());
        EXPECT_TRUE(waitUntil([&] { return early.procedures->versionCalls == 1; }));
    }
    ProgramCore core(5);
    core.bringUp();
    checkForUpdate(core.state);
    clock.jump(ConnectionWaitMs);
    pause(2 * ConnectionPollMs);
    ASSERT_FALSE(core.state.qelSession->Connect(late.address()).empty());
    pause(2 * ConnectionPollMs);
    EXPECT_EQ(late.procedures->versionCalls, 0);
    EXPECT_EQ(core.logText(), "");
}

TEST(SelfUpdateTest, AProgramOutsideItsWritableProgramFolderIsNotReplaced) {
    UpdatePeer first("FIRST");
    UpdatePeer second("SECOND");
    ProgramCore core(5);
    core.bringUp({first.address(), second.address()});
    core.update().setup().executable = QCoreApplication::applicationFilePath().toStdString();
    ASSERT_TRUE(core.knows("FIRST") && core.knows("SECOND"));
    checkForUpdate(core.state);
    ASSERT_TRUE(waitUntil([&] {
        return first.procedures->versionCalls == 1 && second.procedures->versionCalls == 1;
    }));
    pause(300);
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
    ASSERT_TRUE(debug.knows("ASKER"));
    checkForUpdate(debug.state);
    const qel::Variant answer =
        asker.procedures->rpc->quickRPCBlocking(debug.state.NodeGUID, "GetVersion");
    EXPECT_EQ(answer, qel::Variant(std::string("0")));
    EXPECT_EQ(asker.procedures->versionCalls, 0);
    EXPECT_EQ(debug.logText(), "");
}

}  // namespace
}  // namespace tornel
