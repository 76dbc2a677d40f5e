#include "core/downloads/download_manager.h"
#include "core/transfers/transfer_lists.h"
#include "core/transfers/lost_peer_watch.h"
#include "download_fixture.h"
#include "qellib/x_file.h"
#include "support/socket_recorder.h"

#include <QTimer>

#include <map>

#include <gtest/gtest.h>

namespace tornel {
namespace {

using test::DownloadTest;
using test::readFile;
using test::waitUntil;
using test::writeFile;

TEST_F(DownloadTest, AFileArrivesWholeThroughStartingAndDownloadingToComplete) {
    const std::string bytes = sharedFile("a.bin", 5000);
    state.ShowDLWindow = true;
    state.ShowTransWindow = true;
    download("a.bin");
    const std::shared_ptr<cDownload> dl = record(1);
    ASSERT_TRUE(ended(1));

    EXPECT_EQ(dl->Status, DL_Complete);
    EXPECT_TRUE(readFile(local("a.bin")) == bytes);
    EXPECT_EQ(dl->extendedStatus, "");
    EXPECT_EQ(dl->lngSize, 5000);
    EXPECT_EQ(dl->lngProgress, 4999);
    const auto& w = window(0);
    EXPECT_EQ(w.shown, std::vector<bool>{false});
    EXPECT_EQ(downloads->transfersShown, 1);
    EXPECT_EQ(w.texts.at("lblName"), "a.bin");
    EXPECT_EQ(w.texts.at("lblProgress"), "100% of 4.9 KB");
    EXPECT_EQ(w.texts.at("lblTitle"), "Download Complete");
    EXPECT_EQ(w.texts.at("lblSubtitle"), "The file has been transferred");
    EXPECT_EQ(w.texts.at("cmdCancel"), "&Close");
    EXPECT_EQ(w.texts.at("lblSpeed"), "");
    EXPECT_EQ(w.progress, 1000);
    EXPECT_TRUE(w.fileButtons);
    EXPECT_TRUE(w.timer);
    EXPECT_EQ(w.speedShown, 1);
    EXPECT_EQ(w.captions.front(), "Connecting - a.bin");
    EXPECT_EQ(w.captions.back(), "100% - a.bin");
    EXPECT_NE(std::find(w.captions.begin(), w.captions.end(), "Complete - a.bin"),
              w.captions.end());
    EXPECT_EQ(logText(), "");
}

// The checks of running transfers wake only while there is one to check.
TEST_F(DownloadTest, TheLostPeerWatchWakesOnlyWhileADownloadRuns) {
    const LostPeerWatch& watch = state.controller->lostPeerWatch();
    EXPECT_FALSE(watch.watching());
    sharedFile("a.bin", 200000);  // in blocks of 1 KiB
    download("a.bin");
    ASSERT_EQ(record(1)->Status, DL_Downloading);
    EXPECT_TRUE(watch.watching());
    ASSERT_TRUE(ended(1));
    EXPECT_EQ(record(1)->Status, DL_Complete);
    EXPECT_TRUE(waitUntil([&] { return !watch.watching(); }));
}

TEST_F(DownloadTest, TheStateSequenceIsPendingStartingDownloadingComplete) {
    sharedFile("a.bin", 3000);
    std::vector<int32_t> trail;
    const auto note = [&](int32_t status) {
        if (trail.empty() || trail.back() != status) {
            trail.push_back(status);
        }
    };
    downloads->onNewWindow = [&](const cDownload& dl) { note(dl.Status); };
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        if (!state.downloads.empty()) {
            note(record(1)->Status);
        }
    });
    sampler.start(0);
    download("a.bin");
    ASSERT_TRUE(ended(1));
    note(record(1)->Status);
    EXPECT_EQ(trail, (std::vector<int32_t>{DL_Pending, DL_Starting, DL_Downloading, DL_Complete}));
}

TEST_F(DownloadTest, WithOnePlaceTheSecondWaitsAsPendingAndStartsWhenTheFirstEnds) {
    const std::string first = sharedFile("a.bin", 20000);
    const std::string second = sharedFile("b.bin", 7000);
    state.MaxDL = 1;
    download("a.bin");
    download("b.bin");
    EXPECT_EQ(record(2)->Status, DL_Pending);
    EXPECT_EQ(window(1).texts.at("lblProgress"), "Pending");
    EXPECT_EQ(window(1).texts.at("caption"), "Pending - b.bin");
    ASSERT_TRUE(ended(1));
    ASSERT_TRUE(ended(2));
    EXPECT_EQ(record(2)->Status, DL_Complete);
    EXPECT_TRUE(readFile(local("a.bin")) == first);
    EXPECT_TRUE(readFile(local("b.bin")) == second);
}

TEST_F(DownloadTest, AMissingFileIsBusyAndAnEmptyOneEndsWithoutTouchingTheLocalFile) {
    writeFile(share() + "/empty.bin", "");
    writeFile(local("empty.bin"), "kept");
    state.MaxDL = 1;
    download("missing.bin");
    download("empty.bin");
    EXPECT_EQ(record(1)->Status, DL_Cancelled);
    EXPECT_EQ(record(1)->extendedStatus, "Busy");
    EXPECT_EQ(record(2)->Status, DL_Cancelled);
    EXPECT_EQ(record(2)->extendedStatus, "Empty File");
    EXPECT_FALSE(std::filesystem::exists(local("missing.bin")));
    EXPECT_EQ(readFile(local("empty.bin")), "kept");
}

TEST_F(DownloadTest, ALocalFileThatCannotBeMadeEndsTheDownloadAndFreesItsPlace) {
    sharedFile("a.bin", 2000);
    const std::string bytes = sharedFile("b.bin", 2000);
    state.MaxDL = 1;
    downloadFile(state, remote("a.bin"), file("no/such/folder/a.bin"), "PEER-NODE");
    EXPECT_EQ(record(1)->Status, DL_Cancelled);
    EXPECT_EQ(record(1)->extendedStatus, "Folder missing");
    EXPECT_NE(logText().find("[startDownload]"), std::string::npos);
    download("b.bin");
    ASSERT_TRUE(ended(2));
    EXPECT_TRUE(readFile(local("b.bin")) == bytes);
}

TEST_F(DownloadTest, TheSameFileTwiceIsRefusedAlsoWhenCompleteButAllowedFromAnotherNode) {
    sharedFile("a.bin", 1000);
    download("a.bin");
    ASSERT_TRUE(ended(1));
    download("a.bin");
    ASSERT_EQ(prompts->shown.size(), 1u);
    EXPECT_EQ(prompts->shown[0].text, "You are already downloading \"a.bin\".");
    EXPECT_EQ(prompts->shown[0].title, "Duplicate Download");
    EXPECT_EQ(prompts->shown[0].icon, PromptIcon::Information);
    EXPECT_EQ(state.downloads.count(), 1u);

    downloadFile(state, remote("a.bin"), local("a.bin"), "OTHER-NODE");
    EXPECT_EQ(state.downloads.count(), 2u);
    // The first has ended, and its file stays as it is.
    EXPECT_EQ(record(2)->localPath, local("a (2).bin"));
}

TEST_F(DownloadTest, TwoRunningDownloadsOfOneNameWriteTwoFiles) {
    sharedFile("a.bin", 1000);
    state.MaxDL = 1;
    download("a.bin");
    downloadFile(state, remote("a.bin"), local("a.bin"), "OTHER-NODE");
    downloadFile(state, remote("a.bin"), local("a.bin"), "THIRD-NODE");
    EXPECT_EQ(record(2)->localPath, local("a (2).bin"));
    EXPECT_EQ(record(3)->localPath, local("a (3).bin"));
}

TEST_F(DownloadTest, ANewDownloadNeverTakesThePlaceOfAFileAlreadyThere) {
    const std::string bytes = sharedFile("a.bin", 3000);
    const std::string second = sharedFile("b.bin", 2000);
    const std::string mine = test::patternBytes(5000, 9);
    writeFile(local("a.bin"), mine);
    state.MaxDL = 1;
    download("a.bin");
    download("b.bin");  // waits for the first; its name is free when it is set up
    writeFile(local("b.bin"), "made meanwhile");
    ASSERT_TRUE(ended(1));
    ASSERT_TRUE(ended(2));
    EXPECT_TRUE(readFile(local("a.bin")) == mine);
    EXPECT_EQ(record(1)->localPath, local("a (2).bin"));
    EXPECT_TRUE(readFile(local("a (2).bin")) == bytes);
    EXPECT_EQ(readFile(local("b.bin")), "made meanwhile");
    EXPECT_EQ(record(2)->localPath, local("b (2).bin"));
    EXPECT_TRUE(readFile(local("b (2).bin")) == second);
    EXPECT_EQ(window(1).texts.at("lblName"), "b (2).bin");
}

// A list of rows in memory.
class MemoryList : public TransferList {
  public:
    bool rowExists(const std::string& key) const override { return cells.contains(key); }
    void addRow(const std::string& key, const std::string& text, const std::string&,
                bool) override {
        cells[key][0] = text;
    }
    std::string cellText(const std::string& key, int column) const override {
        const auto& row = cells.at(key);
        const auto cell = row.find(column);
        return cell == row.end() ? std::string() : cell->second;
    }
    void setCellText(const std::string& key, int column, const std::string& text) override {
        cells.at(key)[column] = text;
    }
    std::string tag(const std::string&) const override { return {}; }
    void setTag(const std::string&, const std::string&) override {}
    void removeRow(const std::string& key) override { cells.erase(key); }

    std::map<std::string, std::map<int, std::string>> cells;
};

TEST_F(DownloadTest, TransferRowsNameAPeerTheNodeKnowsAlsoWhenItIsNotListedAsAUser) {
    sharedFile("a.bin", 1000);
    download("a.bin");
    ASSERT_TRUE(ended(1));
    ASSERT_TRUE(state.users.empty());
    auto upload = std::make_shared<qel::cXFile>();
    upload->reqID = "R1";
    upload->Resource = "\\a.bin";
    upload->nodeID = "PEER-NODE";
    auto stranger = std::make_shared<qel::cXFile>(*upload);
    stranger->reqID = "R2";
    stranger->nodeID = "NOBODY";

    TransferLists lists(state);
    MemoryList lvDown;
    MemoryList lvUp;
    lists.updateDownloads(lvDown);
    lists.showUploads(lvUp, {nullptr, upload, stranger});
    EXPECT_EQ(lvDown.cellText(record(1)->Key, 5), "Peer");
    EXPECT_EQ(lvUp.cellText("R1", 5), "Peer");
    EXPECT_EQ(lvUp.cellText("R2", 5), "Unknown User");
}

// What happens to the partial file between the cancel and the resume.
enum class PartialFile { Kept, Deleted, Truncated, Longer };

class ResumeTest : public DownloadTest, public ::testing::WithParamInterface<PartialFile> {};

TEST_P(ResumeTest, CancelledMidwayThenResumedGivesTheWholeFile) {
    const std::string bytes = sharedFile("big.bin", 300000);
    download("big.bin");
    const std::shared_ptr<cDownload> first = record(1);
    window(0).onProgress = [&](const std::string& text) {
        if (text.find('%') != std::string::npos && first->lngProgress > 20000 &&
            first->Status == DL_Downloading) {
            first->cancelOp();
        }
    };
    ASSERT_TRUE(ended(1));
    ASSERT_EQ(first->Status, DL_Cancelled);
    // The sender sees its upload cancelled.
    ASSERT_TRUE(waitUntil([&] {
        const auto uploads = peer.getUploads();
        return uploads.size() == 2 && uploads[1]->Status == qel::FS_Canceled;
    }));
    const int64_t received = first->lngProgress + 1;
    ASSERT_LT(received, 300000);
    const std::string partial = local("big.bin.part");
    ASSERT_EQ(std::filesystem::file_size(partial), static_cast<uintmax_t>(received));
    EXPECT_FALSE(std::filesystem::exists(local("big.bin")));
    switch (GetParam()) {
        case PartialFile::Kept:
            break;
        case PartialFile::Deleted:
            std::filesystem::remove(partial);
            break;
        case PartialFile::Truncated:
            std::filesystem::resize_file(partial, static_cast<uintmax_t>(received / 2));
            break;
        case PartialFile::Longer:
            writeFile(partial, bytes.substr(0, received) + std::string(5000, 'x'));
            break;
    }

    resumeDownload(state, first);
    ASSERT_EQ(state.downloads.count(), 1u);
    ASSERT_NE(record(1), first);
    ASSERT_TRUE(ended(1));
    EXPECT_EQ(record(1)->Status, DL_Complete);
    EXPECT_TRUE(readFile(local("big.bin")) == bytes);
    EXPECT_FALSE(std::filesystem::exists(partial));
    EXPECT_EQ(window(1).texts.at("lblProgress"), "100% of 293 KB");
}

std::string partialFileName(const ::testing::TestParamInfo<PartialFile>& info) {
    switch (info.param) {
        case PartialFile::Kept:
            return "Kept";
        case PartialFile::Deleted:
            return "Deleted";
        case PartialFile::Truncated:
            return "Truncated";
        case PartialFile::Longer:
            return "Longer";
    }
    return "Unknown";
}

INSTANTIATE_TEST_SUITE_P(PartialFiles, ResumeTest,
                         ::testing::Values(PartialFile::Kept, PartialFile::Deleted,
                                           PartialFile::Truncated, PartialFile::Longer),
                         partialFileName);

TEST_F(DownloadTest, ADownloadWithEveryByteOnDiskCompletesWithoutAsking) {
    const std::string bytes = sharedFile("a.bin", 4000);
    writeFile(local("a.bin.part"), bytes);
    auto old = std::make_shared<cDownload>(state);
    old->Key = GUID();
    old->remotePath = remote("a.bin");
    old->nodeID = "PEER-NODE";
    old->localPath = local("a.bin");
    old->lngSize = 4000;
    old->lngProgress = 3999;
    old->Status = DL_Cancelled;
    state.downloads.add(old, old->Key);
    resumeDownload(state, old);
    EXPECT_EQ(record(1)->Status, DL_Complete);
    EXPECT_EQ(record(1)->reqID, "");
    EXPECT_TRUE(readFile(local("a.bin")) == bytes);
    EXPECT_FALSE(std::filesystem::exists(local("a.bin.part")));
    EXPECT_EQ(peer.getUploads().size(), 1u);
}

TEST_F(DownloadTest, ResumingADownloadThatNeverReceivedAskesForTheWholeFile) {
    const std::string bytes = sharedFile("a.bin", 4000);
    auto old = std::make_shared<cDownload>(state);
    old->Key = GUID();
    old->remotePath = remote("a.bin");
    old->nodeID = "PEER-NODE";
    old->localPath = local("a.bin");
    old->lngProgress = -1;
    old->Status = DL_Cancelled;
    writeFile(local("a.bin.part"), "");  // its own partial, still empty
    resumeDownload(state, old);
    ASSERT_TRUE(ended(1));
    EXPECT_EQ(record(1)->extendedStatus, "");
    EXPECT_EQ(record(1)->localPath, local("a.bin"));
    EXPECT_TRUE(readFile(local("a.bin")) == bytes);
}

TEST_F(DownloadTest, APushedFileCannotBeResumed) {
    ASSERT_FALSE(state.qelSession->getNodeInfo("PEER-NODE", false).at(0).ID.empty());
    auto pushed = std::make_shared<cDownload>(state);
    pushed->Key = GUID();
    pushed->remotePath = "\\UPLOAD\\notes.txt";
    pushed->nodeID = "PEER-NODE";
    pushed->pushedFile = true;
    pushed->Status = DL_Cancelled;
    state.downloads.add(pushed, pushed->Key);
    resumeDownload(state, pushed);
    ASSERT_EQ(prompts->shown.size(), 1u);
    EXPECT_EQ(prompts->shown[0].text,
              "notes.txt cannot be resumed as it was sent specifically by Peer.\rThe file must be "
              "re-sent by the other party.");
    EXPECT_EQ(prompts->shown[0].title, "Resume file");
    EXPECT_EQ(prompts->shown[0].icon, PromptIcon::Exclamation);
    EXPECT_EQ(record(1), pushed);
}

TEST_F(DownloadTest, TheSendersCancelEndsTheDownloadAndClosesItsWindow) {
    sharedFile("big.bin", 300000);
    download("big.bin");
    const std::shared_ptr<cDownload> dl = record(1);
    bool told = false;
    window(0).onProgress = [&](const std::string& text) {
        if (!told && text.find('%') != std::string::npos) {
            told = true;
            peer.sendFile(state.NodeGUID, dl->reqID, "", qel::FS_Canceled);
        }
    };
    ASSERT_TRUE(ended(1));
    EXPECT_EQ(dl->Status, DL_Cancelled);
    EXPECT_EQ(dl->extendedStatus, "Cancelled by sender");
    EXPECT_EQ(window(0).unloads, 1);
    EXPECT_FALSE(window(0).showPrompt);
    EXPECT_FALSE(dl->fileIO);
}

}  // namespace
}  // namespace tornel
