#include "app_fixture.h"
#include "core/downloads/download_manager.h"
#include "core/util/utilities.h"
#include "download_fixture.h"
#include "platform/desktop.h"
#include "platform/event_loop.h"

#include <gtest/gtest.h>

namespace tornel {
namespace {

class DownloadRecordTest : public test::AppFixture {
  protected:
    DownloadRecordTest() {
        dl->Key = GUID();
        dl->remotePath = "\\music\\song.ogg";
        dl->localPath = file("Files/song.ogg");
        dl->nodeID = "N1";
        dl->reqID = "REQ";
        dl->statusWindow = window;
        state.downloads.add(dl, dl->Key);
    }

    // The download runs into its file ("Files" made, nothing written yet),
    // `size` bytes long.
    void startWriting(int64_t size) {
        std::filesystem::create_directory(file("Files"));
        dl->Status = DL_Downloading;
        dl->lngSize = size;
        dl->lngProgress = -1;
        dl->fileIO = std::make_unique<clsFileIO2>();
        dl->fileIO->openFile(dl->localPath);
    }

    platform::ScopedTestClock clock;
    std::shared_ptr<test::RecordingDownloadWindow> window =
        std::make_shared<test::RecordingDownloadWindow>();
    std::shared_ptr<cDownload> dl = std::make_shared<cDownload>(state);
};

TEST_F(DownloadRecordTest, TheSpeedIsTheBytesOfTheLastWindowOverItsLength) {
    dl->Status = DL_Downloading;
    EXPECT_EQ(speedWindow(10000), 15000);
    EXPECT_EQ(speedWindow(0), 1);
    EXPECT_EQ(speedWindow(3), 4);  // 4.5 to the even neighbour
    dl->lngThisChunk = 1'000'000;
    EXPECT_EQ(dl->fileSpeed(), 66667);
    clock.advance(14000);
    dl->lngThisChunk = 500'000;
    EXPECT_EQ(dl->fileSpeed(), 100000);
    clock.advance(1000);  // the first sample is 15000 ms old: kept
    EXPECT_EQ(dl->fileSpeed(), 100000);
    clock.advance(1);  // 15001 ms: dropped
    EXPECT_EQ(dl->fileSpeed(), 33333);
    clock.advance(15000);  // a stall
    EXPECT_EQ(dl->fileSpeed(), 0);
}

TEST_F(DownloadRecordTest, NoSpeedWhileNotDownloadingAndAFinishedOneStopsItsTimer) {
    for (const int32_t status : {DL_Pending, DL_Starting}) {
        window->timer = true;
        dl->Status = status;
        EXPECT_EQ(dl->fileSpeed(), -1);
        EXPECT_TRUE(window->timer);
    }
    for (const int32_t status : {DL_Complete, DL_Cancelled}) {
        window->timer = true;
        dl->Status = status;
        EXPECT_EQ(dl->fileSpeed(), -1);
        EXPECT_FALSE(window->timer);
    }
}

TEST_F(DownloadRecordTest, CancelAsksFirstAndNoChangesNothing) {
    dl->Status = DL_Starting;
    dl->extendedStatus = "Resuming";
    prompts->answers = {PromptAnswer::No, PromptAnswer::Yes};
    EXPECT_FALSE(dl->Cancel());
    EXPECT_EQ(dl->Status, DL_Starting);
    ASSERT_EQ(prompts->shown.size(), 1u);
    EXPECT_EQ(prompts->shown[0].text, "Are you sure you want to cancel \"song.ogg\"?");
    EXPECT_EQ(prompts->shown[0].title, "Cancel");
    EXPECT_EQ(prompts->shown[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(prompts->shown[0].icon, PromptIcon::Question);
    EXPECT_TRUE(dl->Cancel());
    EXPECT_EQ(dl->Status, DL_Cancelled);
    EXPECT_EQ(dl->extendedStatus, "");
    EXPECT_EQ(logText(), "");  // nothing was sent: there was no transfer to stop
}

TEST_F(DownloadRecordTest, TheSendersCancelAfterTheUsersKeepsTheTextButClosesTheWindow) {
    dl->cancelOp();
    incomingDownload(state, "REQ", "", nullptr, qel::FS_Canceled, std::string("N1"));
    EXPECT_EQ(dl->extendedStatus, "");
    EXPECT_EQ(window->unloads, 1);
}

TEST_F(DownloadRecordTest, BlocksAfterTheUsersCancelAndForOtherRequestsAreDropped) {
    dl->Status = DL_Downloading;
    dl->lngProgress = -1;
    dl->lngSize = 4;
    incomingDownload(state, "OTHER", "ab", nullptr, qel::FS_Transferring, std::string("N1"));
    EXPECT_EQ(dl->lngProgress, -1);
    dl->cancelOp();
    incomingDownload(state, "REQ", "ab", nullptr, qel::FS_Transferring, std::string("N1"));
    EXPECT_EQ(dl->lngProgress, -1);
}

TEST_F(DownloadRecordTest, AnEmptyPushedFileCompletesAtAHundredPercent) {
    dl->pushedFile = true;
    dl->Status = DL_Downloading;
    dl->lngSize = 0;
    incomingDownload(state, "REQ", "", nullptr, qel::FS_Complete, std::string("N1"));
    EXPECT_EQ(dl->Status, DL_Complete);
    EXPECT_EQ(window->texts.at("lblProgress"), "100% of 0 bytes");
    EXPECT_EQ(window->progress, 1000);
    EXPECT_EQ(logText(), "");
}

TEST_F(DownloadRecordTest, BlocksAreWrittenAtTheirRangeAndAFailedWriteCancels) {
    startWriting(6);
    const auto range = [](int64_t start, int64_t end) {
        auto r = std::make_shared<qel::cXRange>();
        r->lngStart = start;
        r->lngEnd = end;
        r->lngLen = 6;
        return r;
    };
    incomingDownload(state, "REQ", "cd", range(2, 3), qel::FS_Transferring, std::string("N1"));
    incomingDownload(state, "REQ", "ab", range(0, 1), qel::FS_Transferring, std::string("N1"));
    incomingDownload(state, "REQ", "ef", range(4, 5), qel::FS_Complete, std::string("N1"));
    EXPECT_EQ(test::readFile(dl->localPath), "abcdef");
    EXPECT_EQ(dl->Status, DL_Complete);
    EXPECT_NE(logText().find("starts at byte 2 where byte 0 was expected"), std::string::npos);

    auto failing = std::make_shared<cDownload>(state);
    failing->Key = GUID();
    failing->reqID = "REQ2";
    failing->nodeID = "N1";
    failing->Status = DL_Downloading;
    failing->lngSize = 6;
    failing->fileIO = std::make_unique<clsFileIO2>();
    failing->fileIO->openFile(dl->localPath);
    failing->fileIO->setFilePos(0);  // no valid place to write
    state.downloads.add(failing, failing->Key);
    incomingDownload(state, "REQ2", "x", nullptr, qel::FS_Complete, std::string("N1"));
    EXPECT_EQ(failing->Status, DL_Cancelled);
}

TEST_F(DownloadRecordTest, ASenderThatScattersItsBlocksIsRefused) {
    startWriting(1000);
    for (int64_t start = 2; dl->Status == DL_Downloading && start < 1000; start += 2) {
        auto range = std::make_shared<qel::cXRange>();
        range->lngStart = start;
        range->lngEnd = start;
        incomingDownload(state, "REQ", "x", range, qel::FS_Transferring, std::string("N1"));
    }
    EXPECT_EQ(dl->Status, DL_Cancelled);
    EXPECT_LT(std::filesystem::file_size(dl->localPath), 200U);
    EXPECT_NE(logText().find("Too many blocks of song.ogg arrived out of order"),
              std::string::npos);
}

TEST_F(DownloadRecordTest, OpenAndShowFolderHandTheDesktopTheFileAndItsFolder) {
    const platform::ScopedDesktopRecorder desktop;
    dl->openFile();
    dl->openFolder();
    EXPECT_EQ(desktop.opened(), (std::vector<std::string>{file("Files/song.ogg"), file("Files")}));
}

}  // namespace
}  // namespace tornel
