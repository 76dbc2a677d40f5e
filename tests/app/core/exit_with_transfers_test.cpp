#include "core/downloads/download_manager.h"
#include "core/network/connections.h"
#include "core/program/shutdown.h"
#include "core/state/download.h"
#include "core/util/utilities.h"
#include "running_program.h"
#include "support/file_contents.h"
#include "support/program_node.h"
#include "support/scripted_confirm.h"
#include "support/temp_folder.h"
#include "support/wait.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tornel {
namespace {

using test::ProgramNode;
using test::waitUntil;

// How Alice's program ends while she sends a file to Bob.
enum class Ending { ExitAnsweredYes, TerminationSignal };

// Alice shares a large file that Bob downloads. Her chunks are large and
// paced only by her connection, so a packet she sends at the end mostly
// waits behind a chunk still being written.
class ExitWithTransfersTest : public ::testing::TestWithParam<Ending> {
  protected:
    void SetUp() override {
        alice.state.routeFiles = false;
        alice.state.FileChunk = 1024;
        alice.state.ui.confirm = confirms;
        confirms->onLoad = [this](test::ScriptedConfirm& p) { p.answerAllow(alice.state); };
        ASSERT_TRUE(test::linkNodes(alice, bob));
        const std::filesystem::path shared = alice.folder.file("share");
        std::filesystem::create_directory(shared);
        test::writeFile((shared / "big.bin").string(), "");
        std::filesystem::resize_file(shared / "big.bin", uintmax_t{1} << 30);  // sparse
        std::string path = shared.string();
        alice.state.qelSession->shareFolder(path);
    }

    ProgramNode alice{"Alice"};
    ProgramNode bob{"Bob"};
    std::shared_ptr<test::ScriptedConfirms> confirms = std::make_shared<test::ScriptedConfirms>();
};

TEST_P(ExitWithTransfersTest, TheReceiverOfARunningUploadIsToldBeforeTheProgramEnds) {
    downloadFile(bob.state, "\\big.bin", bob.state.DownloadPath + "/big.bin", alice.state.NodeGUID);
    const std::shared_ptr<cDownload> dl = bob.state.downloads.item(1);
    ASSERT_TRUE(waitUntil([&] { return dl->lngProgress > 0; }));
    ASSERT_EQ(dl->Status, DL_Downloading);

    if (GetParam() == Ending::ExitAnsweredYes) {
        alice.prompts->answers = {PromptAnswer::Yes};
        shutDown(alice.state, true);
        ASSERT_EQ(alice.prompts->shown.size(), 1U);
        EXPECT_EQ(alice.prompts->shown[0].text,
                  "There are currently 1 files being uploaded from you.\rExiting will cancel "
                  "these transfers. Are you sure you wish to exit?");
    } else {
        endWithoutQuestion(alice.state);
        EXPECT_TRUE(alice.prompts->shown.empty());
    }
    ASSERT_TRUE(alice.state.closing);
    // What the program does once its event loop has ended.
    tearDown(alice.state);

    ASSERT_TRUE(waitUntil([&] { return dl->Status != DL_Downloading; }));
    EXPECT_EQ(dl->Status, DL_Cancelled);
    EXPECT_EQ(dl->extendedStatus, "Cancelled by sender");
    EXPECT_FALSE(dl->fileIO);
}

INSTANTIATE_TEST_SUITE_P(BothEndings, ExitWithTransfersTest,
                         ::testing::Values(Ending::ExitAnsweredYes, Ending::TerminationSignal),
                         [](const ::testing::TestParamInfo<Ending>& info) {
                             return info.param == Ending::ExitAnsweredYes ? "ExitAnsweredYes"
                                                                          : "TerminationSignal";
                         });

// The program itself, sending a file to Bob, ends on a termination signal:
// its process ends right after, so the cancel must have left by then.
TEST(ProgramExitTest, ATerminatedProgramTellsTheReceiverOfItsUploadBeforeItEnds) {
    ProgramNode bob("Bob");
    bob.start();
    test::TempFolder home;
    const std::filesystem::path shared = home.file("share");
    std::filesystem::create_directory(shared);
    test::writeFile((shared / "big.bin").string(), "");
    std::filesystem::resize_file(shared / "big.bin", uintmax_t{1} << 30);  // sparse
    const std::string aliceID = GUID();
    const int port = test::freePort();
    test::writeFile(home.file("Settings.xml"),
                    "<Tornel><NodeGUID>" + aliceID +
                        "</NodeGUID><Name>Alice</Name>"
                        "<Timeout>2000</Timeout><Port>" +
                        std::to_string(port) +
                        "</Port>"
                        "<FileChunk>1024</FileChunk><routeFiles>False</routeFiles>"
                        "<Folders><Folder>" +
                        shared.string() +
                        "</Folder></Folders>"
                        "<AllowedIDs><Allowed><ID>" +
                        bob.state.NodeGUID +
                        "</ID><Name>Bob</Name></Allowed></AllowedIDs></Tornel>");
    test::RunningProgram alice(home.path());
    ASSERT_TRUE(alice.process.waitForStarted(20000));

    const std::string address = "127.0.0.1:" + std::to_string(port);
    bob.state.serverList.add(address, address);
    connectTo(bob.state);
    ASSERT_TRUE(waitUntil([&] { return bob.knows(aliceID); }, 20000));
    downloadFile(bob.state, "\\big.bin", bob.state.DownloadPath + "/big.bin", aliceID);
    const std::shared_ptr<cDownload> dl = bob.state.downloads.item(1);
    ASSERT_TRUE(waitUntil([&] { return dl->lngProgress > 0; }, 20000)) << dl->extendedStatus;

    alice.askToEnd();
    // Bob reads on meanwhile, as a receiver on another machine would.
    ASSERT_TRUE(waitUntil([&] { return alice.process.state() == QProcess::NotRunning; }, 20000));
    EXPECT_EQ(alice.process.exitCode(), 0);
    ASSERT_TRUE(waitUntil([&] { return dl->Status != DL_Downloading; }, 20000));
    EXPECT_EQ(dl->Status, DL_Cancelled);
    EXPECT_EQ(dl->extendedStatus, "Cancelled by sender");
}

}  // namespace
}  // namespace tornel
