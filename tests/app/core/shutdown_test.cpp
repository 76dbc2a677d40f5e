#include "core/program/shutdown.h"
#include "app_fixture.h"
#include "core/settings/program_settings.h"
#include "core/util/utilities.h"

#include <gtest/gtest.h>

namespace tornel {
namespace {

using ShutdownTest = test::AppFixture;

void addDownloads(AppState& state, std::initializer_list<int32_t> statuses) {
    for (const int32_t status : statuses) {
        auto download = std::make_shared<cDownload>(state);
        download->Key = GUID();
        download->Status = status;
        state.downloads.add(download, download->Key);
    }
}

std::vector<int32_t> statuses(const AppState& state) {
    std::vector<int32_t> found;
    for (const auto& entry : state.downloads) {
        found.push_back(entry.item->Status);
    }
    return found;
}

TEST(ExitQuestionTest, TextForEachMixOfTransfers) {
    const std::string tail =
        ".\rExiting will cancel these transfers. Are you sure you wish to exit?";
    EXPECT_EQ(exitQuestion(0, 0), std::nullopt);
    EXPECT_EQ(exitQuestion(0, 3), "There are currently 3 active downloads" + tail);
    EXPECT_EQ(exitQuestion(2, 1),
              "There are currently 2 files being uploaded from you and 1 active downloads" + tail);
    EXPECT_EQ(exitQuestion(2, 0), "There are currently 2 files being uploaded from you" + tail);
}

TEST_F(ShutdownTest, CloseTransfersAsksAboutPendingAndRunningDownloadsOnly) {
    addDownloads(state, {DL_Starting, DL_Complete, DL_Cancelled});
    EXPECT_TRUE(closeTransfers(state));
    EXPECT_TRUE(prompts->shown.empty());

    addDownloads(state, {DL_Pending, DL_Downloading, DL_Pending});
    prompts->answers = {PromptAnswer::No};
    EXPECT_FALSE(closeTransfers(state));
    ASSERT_EQ(prompts->shown.size(), 1U);
    EXPECT_EQ(prompts->shown[0].title, "Exit");
    EXPECT_EQ(prompts->shown[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(prompts->shown[0].icon, PromptIcon::Question);
    EXPECT_EQ(prompts->shown[0].text.substr(0, 40), "There are currently 3 active downloads.\r");
    EXPECT_EQ(statuses(state), (std::vector<int32_t>{1, 3, 4, 0, 2, 0}));

    prompts->answers = {PromptAnswer::Yes};
    EXPECT_TRUE(closeTransfers(state));
    EXPECT_EQ(statuses(state), (std::vector<int32_t>{1, 3, 4, 4, 4, 4}));
}

TEST_F(ShutdownTest, DownloadsThatChangedWhileTheQuestionWasOpenKeepTheirNewState) {
    addDownloads(state, {DL_Pending, DL_Downloading});
    prompts->answers = {PromptAnswer::Yes};
    prompts->whileOpen = [this] { state.downloads.item(1)->Status = DL_Complete; };
    EXPECT_TRUE(closeTransfers(state));
    EXPECT_EQ(statuses(state), (std::vector<int32_t>{3, 4}));
}

TEST_F(ShutdownTest, ShutDownMarksClosingAndAsksOnlyWhenConfirming) {
    addDownloads(state, {DL_Downloading});
    prompts->answers = {PromptAnswer::No};
    shutDown(state, true);
    EXPECT_FALSE(state.closing);
    EXPECT_EQ(prompts->shown.size(), 1U);

    shutDown(state, false);
    EXPECT_TRUE(state.closing);
    EXPECT_EQ(prompts->shown.size(), 1U);
    EXPECT_EQ(statuses(state), std::vector<int32_t>{DL_Downloading});
}

TEST_F(ShutdownTest, ASecondExitRequestWhileTheQuestionIsOpenDoesNothing) {
    addDownloads(state, {DL_Downloading});
    prompts->answers = {PromptAnswer::No, PromptAnswer::Yes};
    prompts->whileOpen = [this] { shutDown(state, true); };
    shutDown(state, true);
    EXPECT_EQ(prompts->shown.size(), 1U);
    EXPECT_FALSE(state.closing);
}

TEST_F(ShutdownTest, ATerminationSignalEndsEvenWithTheQuestionOpen) {
    addDownloads(state, {DL_Downloading});
    prompts->answers = {PromptAnswer::No};
    prompts->whileOpen = [this] { endWithoutQuestion(state); };
    shutDown(state, true);
    EXPECT_TRUE(state.closing);
    EXPECT_EQ(statuses(state), std::vector<int32_t>{DL_Cancelled});
}

TEST_F(ShutdownTest, TearDownSavesSettingsAndPlacementAfterTheWindowsUnload) {
    loadSettings(state);
    state.serverList.add("127.0.0.1:9", "127.0.0.1:9");
    struct PlacingShell : test::RecordingShell {
        AppState* state = nullptr;
        void unloadAll() override {
            RecordingShell::unloadAll();
            state->windowSettings.rootNode();
            state->windowSettings.openNode("frmMain");
            state->windowSettings.setValue("width", 640);
            state->windowSettings.closeNode();
        }
    };
    auto placing = std::make_shared<PlacingShell>();
    placing->state = &state;
    state.ui.shell = placing;
    tearDown(state);
    EXPECT_EQ(tray->calls, std::vector<std::string>{"removeIcon"});
    EXPECT_EQ(placing->calls, std::vector<std::string>{"unloadAll"});
    EXPECT_NE(test::readFile(file("Windows.xml")).find("<width>640</width>"), std::string::npos);
    EXPECT_NE(test::readFile(file("Settings.xml")).find("<Server>127.0.0.1:9</Server>"),
              std::string::npos);
    EXPECT_EQ(state.serverList.count(), 0U);
    EXPECT_TRUE(state.closing);
}

}  // namespace
}  // namespace tornel
