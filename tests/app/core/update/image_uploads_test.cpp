#include "core/update/image_uploads.h"
#include "core/update/self_update.h"
#include "qellib/x_file.h"
#include "support/process_resources.h"
#include "support/silent_caller.h"
#include "update_peers.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace tornel {
namespace {

using test::ProgramCore;
using test::SilentCaller;
using test::UpdatePeer;
using test::waitUntil;

using tornel::test::MemoryPeak;

int count(const std::string& text, const std::string& part) {
    int found = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++found;
    }
    return found;
}

std::vector<std::shared_ptr<qel::cXFile>> uploadsOf(ProgramCore& copy) {
    std::vector<std::shared_ptr<qel::cXFile>> uploads = copy.state.qelSession->getUploads();
    std::erase(uploads, nullptr);
    return uploads;
}

// Peers that ask for the program file and never read hold one upload each,
// a few in all, while the copy goes on answering and its memory stays low;
// once their uploads stand still they are cancelled and their places free.
TEST(ImageUploadsTest, PeersThatDoNotReadHoldLittleAndAreLetGo) {
    test::TempFolder programs;
    ProgramCore copy(9);
    copy.bringUp();
    copy.update().setup().executable = test::paddedProgram(programs, int64_t{100} << 20);
    UpdatePeer reader("READER");
    ASSERT_FALSE(copy.state.qelSession->Connect(reader.address()).empty());
    ASSERT_TRUE(waitUntil([&] {
        const auto found = reader.node.getNodeInfo(copy.state.NodeGUID, true);
        return !found.empty() && found.front().ID == copy.state.NodeGUID;
    }));
    const MemoryPeak memory;

    std::vector<std::unique_ptr<SilentCaller>> callers;
    for (int i = 1; i <= static_cast<int>(MaxImageUploads); ++i) {
        callers.push_back(
            std::make_unique<SilentCaller>(copy.state.Port, "SILENT-" + std::to_string(i)));
        ASSERT_TRUE(callers.back()->connected());
        ASSERT_TRUE(
            callers.back()->call(copy.state.NodeGUID, "GetEXE", "IMAGE-" + std::to_string(i)));
    }
    // A second call of the same peer while its first runs.
    ASSERT_TRUE(callers.front()->call(copy.state.NodeGUID, "GetEXE", "IMAGE-AGAIN"));
    ASSERT_TRUE(waitUntil(
        [&] {
            return uploadsOf(copy).size() == MaxImageUploads && count(copy.logText(), "twice") == 1;
        },
        20000))
        << copy.logText();

    // One more peer finds every place taken and is told so.
    EXPECT_EQ(reader.procedures->rpc->quickRPCBlocking(copy.state.NodeGUID, "GetEXE"),
              qel::Variant(std::string(ImageRefusal)));
    // Meanwhile the copy answers at once.
    for (int i = 0; i < 5; ++i) {
        const int64_t roundTrip = reader.node.Ping(copy.state.NodeGUID, 5000);
        EXPECT_GE(roundTrip, 0);
        EXPECT_LT(roundTrip, 1000);
    }

    ASSERT_TRUE(waitUntil([&] { return copy.update().imageUploads().running() == 0; }, 30000));
    for (const auto& upload : uploadsOf(copy)) {
        EXPECT_EQ(upload->Status, qel::FS_Canceled) << upload->nodeID;
        EXPECT_LT(upload->lngProgress, upload->lngSize - 1) << upload->nodeID;
    }
    const std::string log = copy.logText();
    EXPECT_EQ(count(log, "made no progress for 900 ms and was cancelled"),
              static_cast<int>(MaxImageUploads))
        << log;
    EXPECT_EQ(count(log, "is being sent to 3 nodes already"), 1) << log;
    // Three uploads of a 100 MB file held no more than a few chunks each.
    EXPECT_LT(memory.growthMiB(), 48);

    // A freed place serves the next peer that asks.
    SilentCaller next(copy.state.Port, "SILENT-NEXT");
    ASSERT_TRUE(next.call(copy.state.NodeGUID, "GetEXE", "IMAGE-NEXT"));
    EXPECT_TRUE(waitUntil([&] { return copy.update().imageUploads().running() == 1; }));
}

}  // namespace
}  // namespace tornel
