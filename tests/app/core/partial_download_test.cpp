#include "core/downloads/download_manager.h"
#include "download_fixture.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

namespace tornel {
namespace {

using test::DownloadTest;
using test::readFile;
using test::waitUntil;
using test::writeFile;

bool exists(const std::string& path) {
    return std::filesystem::exists(path);
}

// How a running download is broken off.
enum class BreakOff {
    StoppedAndCleared,  // the user's Stop, then the row cleared
    Dropped,            // the record gone without a word, as when the program is killed
};

class BrokenOffDownloadTest : public DownloadTest, public ::testing::WithParamInterface<BreakOff> {};

TEST_P(BrokenOffDownloadTest, LeavesItsPartialWhichANewDownloadContinuesToTheWholeFile) {
    const std::string bytes = sharedFile("big.bin", 1000000);
    download("big.bin");
    std::shared_ptr<cDownload> first = record(1);
    bool brokenOff = false;
    bool onlyPartialWhileRunning = true;
    window(0).onProgress = [&](const std::string& text) {
        if (text.find('%') == std::string::npos || brokenOff) {
            return;
        }
        onlyPartialWhileRunning =
            onlyPartialWhileRunning && exists(local("big.bin.part")) && !exists(local("big.bin"));
        if (first->lngProgress > 20000) {
            brokenOff = true;
            if (GetParam() == BreakOff::StoppedAndCleared) {
                first->cancelOp();
            }
        }
    };
    ASSERT_TRUE(waitUntil([&] { return brokenOff; }));
    ASSERT_NE(first->Status, DL_Complete);
    window(0).onProgress = nullptr;
    state.downloads.clear();
    first.reset();

    EXPECT_TRUE(onlyPartialWhileRunning);
    EXPECT_FALSE(exists(local("big.bin")));
    ASSERT_TRUE(exists(local("big.bin.part")));
    const auto kept = static_cast<int64_t>(std::filesystem::file_size(local("big.bin.part")));
    ASSERT_GT(kept, 20000);
    ASSERT_LT(kept, 1000000);

    download("big.bin");
    ASSERT_EQ(state.downloads.count(), 1u);
    const std::shared_ptr<cDownload> again = record(1);
    ASSERT_TRUE(ended(1));
    EXPECT_EQ(again->Status, DL_Complete);
    ASSERT_TRUE(again->Range);
    EXPECT_EQ(again->Range->lngStart, kept);  // asked only for the bytes after the partial
    EXPECT_EQ(again->localPath, local("big.bin"));
    EXPECT_TRUE(readFile(local("big.bin")) == bytes);
    EXPECT_FALSE(exists(local("big.bin.part")));
    EXPECT_FALSE(exists(local("big (2).bin")));
}

INSTANTIATE_TEST_SUITE_P(Ways, BrokenOffDownloadTest,
                         ::testing::Values(BreakOff::StoppedAndCleared, BreakOff::Dropped),
                         [](const ::testing::TestParamInfo<BreakOff>& info) {
                             return info.param == BreakOff::Dropped ? std::string("Dropped")
                                                                    : std::string("Stopped");
                         });

// A partial already in the download folder when a new download of its name
// starts: continued when the remote file is at least as long, else replaced.
TEST_F(DownloadTest, APartialLeftBeforeIsContinuedOnlyWhenTheRemoteFileIsAtLeastAsLong) {
    struct Case {
        const char* name;
        std::string partial;
        std::string expected;  // the finished file
        int64_t firstAsked;    // the first byte asked of the peer, -1 for none
    };
    const std::string bytes = sharedFile("a.bin", 3000);
    const std::string marked(1000, 'x');  // differs from the remote bytes, so a continuation shows
    const Case cases[] = {
        {"shorter", marked, marked + bytes.substr(1000), 1000},
        {"as long", bytes, bytes, -1},
        {"longer", std::string(5000, 'y'), bytes, 0},
        {"empty", "", bytes, 0},
    };
    for (const Case& c : cases) {
        state.downloads.clear();
        std::filesystem::remove(local("a.bin"));
        writeFile(local("a.bin.part"), c.partial);
        const size_t uploadsBefore = peer.getUploads().size();
        download("a.bin");
        ASSERT_TRUE(ended(1)) << c.name;
        const std::shared_ptr<cDownload> dl = record(1);
        EXPECT_EQ(dl->Status, DL_Complete) << c.name;
        EXPECT_EQ(dl->localPath, local("a.bin")) << c.name;
        EXPECT_TRUE(readFile(local("a.bin")) == c.expected) << c.name;
        EXPECT_FALSE(exists(local("a.bin.part"))) << c.name;
        EXPECT_EQ(peer.getUploads().size(), uploadsBefore + (c.firstAsked < 0 ? 0 : 1)) << c.name;
        if (c.firstAsked > 0) {
            EXPECT_EQ(dl->Range->lngStart, c.firstAsked) << c.name;
        }
    }
}

TEST_F(DownloadTest, AFinishedDownloadNeverTakesThePlaceOfAFileMadeWhileItRan) {
    const std::string bytes = sharedFile("big.bin", 300000);
    download("big.bin");
    bool made = false;
    window(0).onProgress = [&](const std::string& text) {
        if (!made && text.find('%') != std::string::npos) {
            made = true;
            writeFile(local("big.bin"), "made meanwhile");
        }
    };
    ASSERT_TRUE(ended(1));
    EXPECT_EQ(record(1)->Status, DL_Complete);
    EXPECT_EQ(readFile(local("big.bin")), "made meanwhile");
    EXPECT_EQ(record(1)->localPath, local("big (2).bin"));
    EXPECT_TRUE(readFile(local("big (2).bin")) == bytes);
    EXPECT_FALSE(exists(local("big.bin.part")));
    EXPECT_EQ(window(0).texts.at("lblName"), "big (2).bin");
}

TEST_F(DownloadTest, ADownloadStoppedBeforeItsFirstByteLeavesNoFile) {
    sharedFile("big.bin", 300000);
    download("big.bin");
    const std::shared_ptr<cDownload> dl = record(1);
    ASSERT_EQ(dl->Status, DL_Downloading);
    ASSERT_EQ(dl->lngProgress, -1);
    dl->cancelOp();
    // The sender hears of the stop; nothing it still sends is written.
    ASSERT_TRUE(waitUntil([&] {
        const auto uploads = peer.getUploads();
        return uploads.size() == 2 && uploads[1]->Status == qel::FS_Canceled;
    }));
    EXPECT_TRUE(std::filesystem::is_empty(file("Files")));
}

}  // namespace
}  // namespace tornel
