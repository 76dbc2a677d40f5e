#include "transfer_fixture.h"

#include "connection.h"
#include "lookups.h"

#include "support/process_resources.h"

#include <string>
#include <vector>

// Transfers that meet a fault between nodes still end: completed, re-routed
// or cancelled with both sides told.
namespace qel::test {
namespace {

using tornel::test::openFiles;
using tornel::test::waitUntil;

constexpr int64_t Generous = 20000;  // ms

class TransferFaultTest : public TransferTest {
  protected:
    // The cancels a receiver heard for `reqID`: status 3, no data, no range.
    static int cancelsOf(const Peer& peer, const std::string& reqID) {
        int cancels = 0;
        for (const ReceivedFile& file : peer.events->of(reqID)) {
            if (file.status == FS_Canceled) {
                EXPECT_EQ(file.data, "");
                EXPECT_EQ(file.range, "");
                ++cancels;
            }
        }
        return cancels;
    }

    // The serving node has let the transfer go: no sender, the file closed,
    // its record cancelled.
    bool letGo(const Peer& server, const std::string& receiver, const std::string& reqID,
               const std::string& path) {
        const std::shared_ptr<cXFile> record = upload(server, reqID);
        return !liveSender(*server->session(), receiver, reqID) && openFiles(path) == 0 && record &&
               record->Status == FS_Canceled;
    }
};

TEST_F(TransferFaultTest, AConnectionClosedMidTransferEndsItOnBothSides) {
    enum class Closer { ReceiverDisconnects, SenderDisconnects, ReceiverShutsDown };
    struct Case {
        const char* what;
        bool routeFiles;
        Closer closer;
    };
    const Case cases[] = {
        {"receiver disconnects, drain pacing", false, Closer::ReceiverDisconnects},
        {"receiver disconnects, confirmed", true, Closer::ReceiverDisconnects},
        {"sender disconnects, drain pacing", false, Closer::SenderDisconnects},
        {"sender disconnects, confirmed", true, Closer::SenderDisconnects},
        {"receiver shuts down, drain pacing", false, Closer::ReceiverShutsDown},
        {"receiver shuts down, confirmed", true, Closer::ReceiverShutsDown},
    };
    sharedFile("slow.bin", 8 << 20);
    const std::string path = shared("slow.bin");
    int tag = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string name = std::to_string(++tag);
        const Peer a =
            addPeer("A" + name,
                    {{"filePacket", "1"}, {"routeFiles", c.routeFiles ? "True" : "False"}}, true);
        const Peer b = addPeer("B" + name);
        link(*b.node, *a.node);
        const std::string reqID = b.api().requestFile("\\slow.bin", a.id());
        ASSERT_TRUE(waitUntil([&] { return !b.events->of(reqID).empty(); }, Generous));
        switch (c.closer) {
            case Closer::ReceiverDisconnects:
                b.api().disconnectAll();
                break;
            case Closer::SenderDisconnects:
                a.api().disconnectAll();
                break;
            case Closer::ReceiverShutsDown:
                b.api().shutDown();
                break;
        }
        EXPECT_TRUE(waitUntil([&] { return letGo(a, b.id(), reqID, path); }, Generous));
        EXPECT_TRUE(a->session()->fileSends.empty());
        if (c.closer != Closer::ReceiverShutsDown) {
            // The receiver hears once that its sender is gone, and nothing after.
            EXPECT_TRUE(waitUntil([&] { return cancelsOf(b, reqID) == 1; }, Generous));
            EXPECT_EQ(b.events->of(reqID).back().status, FS_Canceled);
            EXPECT_TRUE(b->session()->runningRequests.empty());
        }
    }
}

// A - C - B and A - B: when the direct link drops mid-transfer, the sender
// goes on through C from its first unconfirmed byte.
TEST_F(TransferFaultTest, ATransferWhoseLinkDropsGoesOnByAnotherRoute) {
    struct Case {
        const char* what;
        bool routeFiles;
        bool droppedBySender;
    };
    const Case cases[] = {
        {"drain pacing, dropped by the receiver", false, false},
        {"drain pacing, dropped by the sender", false, true},
        {"confirmed, dropped by the receiver", true, false},
        {"confirmed, dropped by the sender", true, true},
    };
    const std::string bytes = sharedFile("far.bin", 2 << 20);
    int tag = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string name = std::to_string(++tag);
        const Peer a =
            addPeer("A" + name,
                    {{"filePacket", "1"}, {"routeFiles", c.routeFiles ? "True" : "False"}}, true);
        const Peer relay = addPeer("C" + name);
        const Peer b = addPeer("B" + name);
        link(*relay.node, *a.node);
        link(*b.node, *relay.node);
        const std::string direct = link(*b.node, *a.node);
        // Both ends learn the way round through C from a flooded question.
        b.api().getNodeInfo("BROADCAST", false);
        a.api().getNodeInfo("BROADCAST", false);

        const std::string reqID = b.api().requestFile("\\far.bin", a.id());
        ASSERT_TRUE(waitUntil([&] { return !b.events->of(reqID).empty(); }, Generous));
        if (c.droppedBySender) {
            const std::shared_ptr<clsSocket> toB = getDirectSocket(*a->session(), b.id());
            ASSERT_TRUE(toB);
            EXPECT_TRUE(a.api().disconnectByID(toB->connectionID));
        } else {
            EXPECT_TRUE(b.api().disconnectByID(direct));
        }
        ASSERT_TRUE(waitUntil([&] { return b.events->ended(reqID); }, Generous));
        const std::vector<ReceivedFile> chunks = b.events->of(reqID);
        EXPECT_EQ(chunks.back().status, FS_Complete);
        EXPECT_EQ(cancelsOf(b, reqID), 0);
        EXPECT_TRUE(writeAtRanges(chunks, folder.file("far" + name)) == bytes);
        EXPECT_TRUE(waitUntil([&] { return upload(a, reqID)->Status == FS_Complete; }, Generous));
        EXPECT_EQ(openFiles(shared("far.bin")), 0);
    }
}

}  // namespace
}  // namespace qel::test
