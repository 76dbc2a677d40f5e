#include "core/downloads/download_manager.h"
#include "download_fixture.h"
#include "qellib/x_file.h"

#include <sched.h>
#include <sys/mount.h>

#include <QTimer>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

namespace tornel {
namespace {

using test::DownloadTest;
using test::readFile;
using test::waitUntil;

// A small file system of this test process's own on `folder`: mounted in a
// mount namespace of the process, so nothing else sees it and it goes with
// the process. Not there where the process may not mount.
class SmallDisk {
  public:
    SmallDisk(const std::string& folder, const std::string& size) : folder_(folder) {
        mounted_ = ::unshare(CLONE_NEWNS) == 0 &&
                   ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                   ::mount("tornel-test", folder.c_str(), "tmpfs", 0, ("size=" + size).c_str()) ==
                       0;
    }
    ~SmallDisk() {
        if (mounted_) {
            ::umount2(folder_.c_str(), MNT_DETACH);
        }
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }

  private:
    std::string folder_;
    bool mounted_ = false;
};

// A download into "Files" that fails midway and one into "Other" that must
// go on; each shared file is big enough to be midway when the fault comes.
class FailedWriteTest : public DownloadTest {
  protected:
    FailedWriteTest() {
        std::filesystem::create_directory(file("Other"));
        sharedFile("big.bin", 1000000);
        other = sharedFile("other.bin", 200000);
    }

    void startBoth() {
        download("big.bin");
        downloadFile(state, remote("other.bin"), file("Other/other.bin"), "PEER-NODE");
        sampler.callOnTimeout([this] {
            everComplete = everComplete || record(1)->Status == DL_Complete;
        });
        sampler.start(0);
    }
    // Runs `fault` once the first download is past its first 20000 bytes.
    void midway(std::function<void()> fault) {
        window(0).onProgress = [this, fault](const std::string& text) {
            if (!faulted && text.find('%') != std::string::npos && record(1)->lngProgress > 20000) {
                faulted = true;
                fault();
            }
        };
    }
    // The first ended Cancelled with `reason` in its row, its window and the
    // log, never Complete; its sender was told; the other came whole.
    void expectCancelledWith(const std::string& reason) {
        ASSERT_TRUE(ended(1));
        ASSERT_TRUE(ended(2));
        const std::shared_ptr<cDownload> dl = record(1);
        EXPECT_FALSE(everComplete);
        EXPECT_EQ(dl->Status, DL_Cancelled);
        EXPECT_EQ(dl->extendedStatus, reason);
        EXPECT_EQ(window(0).texts.at("lblProgress"), reason);
        EXPECT_EQ(window(0).texts.at("caption"), "Cancelled - big.bin");
        EXPECT_NE(logText().find("[incomingDownload] Error"), std::string::npos);
        EXPECT_NE(logText().find("big.bin: " + reason), std::string::npos);
        EXPECT_TRUE(waitUntil([&] {
            for (const auto& upload : peer.getUploads()) {
                if (upload && upload->reqID == dl->reqID) {
                    return upload->Status == qel::FS_Canceled;
                }
            }
            return false;
        }));
        EXPECT_EQ(record(2)->Status, DL_Complete);
        EXPECT_TRUE(readFile(file("Other/other.bin")) == other);
    }

    std::string other;
    QTimer sampler;
    bool everComplete = false;
    bool faulted = false;
};

TEST_F(FailedWriteTest, ARemovedDownloadFolderEndsTheDownloadCancelledNeverComplete) {
    startBoth();
    midway([&] { std::filesystem::remove_all(file("Files")); });
    expectCancelledWith("Folder removed");
    EXPECT_FALSE(std::filesystem::exists(file("Files")));
}

TEST_F(FailedWriteTest, ARemovedPartialEndsTheDownloadCancelledNeverComplete) {
    startBoth();
    midway([&] { std::filesystem::remove(local("big.bin.part")); });
    expectCancelledWith("File removed");
    EXPECT_FALSE(std::filesystem::exists(local("big.bin")));
}

TEST_F(FailedWriteTest, AFullDiskEndsTheDownloadCancelledAndKeepsThePartial) {
    const SmallDisk disk(file("Files"), "64k");
    if (!disk.mounted()) {
        GTEST_SKIP() << "no small file system can be mounted here";
    }
    startBoth();
    expectCancelledWith("Disk full");
    EXPECT_FALSE(std::filesystem::exists(local("big.bin")));
    ASSERT_TRUE(std::filesystem::exists(local("big.bin.part")));
    EXPECT_GT(std::filesystem::file_size(local("big.bin.part")), 0u);
    EXPECT_LT(std::filesystem::file_size(local("big.bin.part")), 1000000u);
}

}  // namespace
}  // namespace tornel
