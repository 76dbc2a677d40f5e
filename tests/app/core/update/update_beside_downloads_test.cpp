// The fixture uses the download manager without including it.
#include "core/downloads/download_manager.h"

#include "app/core/download_fixture.h"
#include "core/update/self_update.h"
#include "update_peers.h"

#include <gtest/gtest.h>

namespace tornel {
namespace {

using test::readFile;
using test::runnableImage;
using test::waitUntil;

// The peer of the downloads also serves a newer program file, in two
// blocks with downloads running between them.
class UpdateBesideDownloadsTest : public test::DownloadTest {
  protected:
    UpdateBesideDownloadsTest() {
        UpdateSetup& setup = state.controller->selfUpdate->setup();
        setup.executable = file("Tornel");
        setup.revision = 5;
        setup.start = recorded.starter();
    }

    std::shared_ptr<test::PeerProcedures> procedures = test::serveUpdates(peer);
    test::RecordedStarts recorded;
};

TEST_F(UpdateBesideDownloadsTest, DownloadsRunningDuringAnUpdateStillComplete) {
    const std::string first = sharedFile("a.bin", 150000);
    const std::string second = sharedFile("b.bin", 90000);
    const std::string image = runnableImage(200000);
    checkForUpdate(state);
    ASSERT_TRUE(waitUntil([&] { return procedures->imageCalls == 1; }));
    peer.sendFile(state.NodeGUID, procedures->imageRequest, image.substr(0, 70000));
    ASSERT_TRUE(waitUntil([&] { return readFile(file("Update.dat")).size() == 70000; }));

    download("a.bin");
    download("b.bin");
    ASSERT_TRUE(ended(1));
    ASSERT_TRUE(ended(2));
    EXPECT_EQ(record(1)->Status, DL_Complete);
    EXPECT_EQ(record(2)->Status, DL_Complete);
    EXPECT_TRUE(readFile(local("a.bin")) == first);
    EXPECT_TRUE(readFile(local("b.bin")) == second);
    EXPECT_TRUE(state.controller->selfUpdate->updating());

    peer.sendFile(state.NodeGUID, procedures->imageRequest, image.substr(70000), qel::FS_Complete);
    ASSERT_TRUE(waitUntil([&] { return !recorded.starts.empty(); }));
    EXPECT_TRUE(readFile(file("Update.dat")) == image);
    EXPECT_EQ(logText(), "");
}

}  // namespace
}  // namespace tornel
