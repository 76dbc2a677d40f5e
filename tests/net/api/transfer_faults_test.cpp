#include "transfer_fixture.h"

#include "connection.h"
#include "dispatch_table.h"
#include "error_log.h"
#include "fields.h"
#include "identifiers.h"
#include "lookups.h"
#include "stream_framing.h"
#include "transfer_limits.h"

#include "platform/socket_control.h"
#include "support/process_resources.h"
#include "support/socket_recorder.h"

#include <QApplication>
#include <QWidget>

#include <algorithm>
#include <map>
#include <set>

#include <string>
#include <vector>

// Transfers that meet a fault between nodes still end: completed, re-routed
// or cancelled with both sides told.
namespace qel::test {
namespace {

using tornel::test::openFiles;
using tornel::test::waitUntil;

constexpr int64_t Generous = 20000;  // ms

// A peer written from the wire format: it connects, sends what the test
// writes and keeps everything that arrives, and answers nothing.
class RawPeer {
  public:
    explicit RawPeer(std::string id) : id(std::move(id)) {}

    bool connectTo(int port) {
        control.connect("127.0.0.1", port);
        return waitUntil([&] { return control.state() == platform::SocketState::Connected; },
                         Generous);
    }

    // One packet from this peer, with the fields given after its own.
    void send(const std::string& method, const std::string& resource,
              const std::vector<std::pair<std::string, std::string>>& fields) {
        std::string text = method + " " + resource + " QEL/2.1\r\n";
        for (const auto& [name, value] : fields) {
            text += name + ": " + value + "\r\n";
        }
        text += "Source: " + id + "\r\nTTL: 5\r\nHops: 0\r\nID: " + newID() + "\r\n\r\n";
        control.sendData(text);
    }

    // The packets that have arrived since the last call, in order.
    std::vector<clsPacket> takeArrived() {
        framer.append(std::exchange(recorder.data, std::string()));
        std::vector<clsPacket> packets;
        for (clsPacket packet; framer.next(packet) == PacketFramer::Cut::Packet;) {
            packets.push_back(std::move(packet));
            packet = clsPacket();
        }
        return packets;
    }

    std::string id;
    tornel::test::SocketRecorder recorder;
    platform::SocketControl control{&recorder};

  private:
    PacketFramer framer;
};

class TransferFaultTest : public TransferTest {
  protected:
    static bool debugWindowShown() {
        const QWidgetList windows = QApplication::topLevelWidgets();
        return std::any_of(windows.begin(), windows.end(), [](const QWidget* window) {
            return window->isVisible() && window->windowTitle() == "QEL - Debug Output";
        });
    }

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

    // A node serving the share one KiB a chunk, paced by route-file
    // confirmations or by the drain of its connection.
    Peer chunkServer(const std::string& name, bool routeFiles) {
        return addPeer(name, {{"filePacket", "1"}, {"routeFiles", routeFiles ? "True" : "False"}},
                       true);
    }

    // A - C - B and a direct A - B link, each end knowing the way round
    // through C (learnt from a flooded question).
    struct Triangle {
        Peer a;
        Peer relay;
        Peer b;
        std::string direct;  // B's connection to A
    };
    Triangle triangle(Peer a, const std::string& name) {
        Peer relay = addPeer("C" + name);
        Peer b = addPeer("B" + name);
        link(*relay.node, *a.node);
        link(*b.node, *relay.node);
        const std::string direct = link(*b.node, *a.node);
        b.api().getNodeInfo("BROADCAST", false);
        a.api().getNodeInfo("BROADCAST", false);
        return {std::move(a), std::move(relay), std::move(b), direct};
    }

    // Drops the direct link of `t`, from A's side or from B's.
    static void dropDirectLink(const Triangle& t, bool bySender) {
        if (bySender) {
            const std::shared_ptr<clsSocket> toB = getDirectSocket(*t.a->session(), t.b.id());
            ASSERT_TRUE(toB);
            EXPECT_TRUE(t.a.api().disconnectByID(toB->connectionID));
        } else {
            EXPECT_TRUE(t.b.api().disconnectByID(t.direct));
        }
    }

    // The receiver got `bytes` whole under `reqID` (written to the file
    // `copy`) and heard no cancel; the server's record completed.
    void expectArrivedWhole(const Peer& receiver, const Peer& server, const std::string& reqID,
                            const std::string& bytes, const std::string& copy) {
        ASSERT_TRUE(waitUntil([&] { return receiver.events->ended(reqID); }, Generous));
        const std::vector<ReceivedFile> chunks = receiver.events->of(reqID);
        EXPECT_EQ(chunks.back().status, FS_Complete);
        EXPECT_EQ(cancelsOf(receiver, reqID), 0);
        EXPECT_TRUE(writeAtRanges(chunks, folder.file(copy)) == bytes);
        EXPECT_TRUE(
            waitUntil([&] { return upload(server, reqID)->Status == FS_Complete; }, Generous));
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
        const Peer a = chunkServer("A" + name, c.routeFiles);
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
        const Triangle t = triangle(chunkServer("A" + name, c.routeFiles), name);
        const Peer& a = t.a;
        const Peer& b = t.b;

        const std::string reqID = b.api().requestFile("\\far.bin", a.id());
        ASSERT_TRUE(waitUntil([&] { return !b.events->of(reqID).empty(); }, Generous));
        ASSERT_NO_FATAL_FAILURE(dropDirectLink(t, c.droppedBySender));
        ASSERT_NO_FATAL_FAILURE(expectArrivedWhole(b, a, reqID, bytes, "far" + name));
        EXPECT_EQ(openFiles(shared("far.bin")), 0);
    }
}

// With route-file confirmation the sender keeps a window of chunks
// unconfirmed. When the direct link drops while many of them are on it, the
// transfer goes on through C from the first unconfirmed byte and the receiver
// ends with every byte, in place.
TEST_F(TransferFaultTest, ALinkLostWithChunksUnconfirmedResendsFromTheFirstOfThem) {
    const std::string bytes = sharedFile("window.bin", 8 << 20);
    constexpr int64_t Chunk = 1024;
    for (const bool droppedBySender : {true, false}) {
        SCOPED_TRACE(droppedBySender ? "dropped by the sender" : "dropped by the receiver");
        const std::string name = droppedBySender ? "S" : "R";
        const Triangle t = triangle(chunkServer("A" + name, true), name);
        const Peer& a = t.a;
        const Peer& b = t.b;

        const std::string reqID = b.api().requestFile("\\window.bin", a.id());
        const auto sender = [&] { return liveSender(*a->session(), b.id(), reqID); };
        // Many chunks under way at once, well before the last one.
        ASSERT_TRUE(waitUntil(
            [&] {
                const std::shared_ptr<clsFileSend> send = sender();
                return send && send->completedProgress - send->confirmedProgress >= 16 * Chunk &&
                       send->completedProgress < send->stopReadingAt / 2;
            },
            Generous));
        ASSERT_NO_FATAL_FAILURE(dropDirectLink(t, droppedBySender));
        ASSERT_NO_FATAL_FAILURE(expectArrivedWhole(b, a, reqID, bytes, "window" + name));
        EXPECT_EQ(openFiles(shared("window.bin")), 0);
    }
}

// A receiver that never confirms (route-file confirmation) holds nothing for
// long: each GET gets its FILE, or its cancel once the place is taken, and
// every sender that waited too long is cancelled with its file closed. A
// thousand such GETs leave the node's open files and memory where they were.
TEST_F(TransferFaultTest, GetsNeverConfirmedPinNoFilesOrMemory) {
    const Peer a = addPeer("A", {{"routeFiles", "True"}}, true);
    sharedFile("big.bin", 4 << 20);
    const std::string path = shared("big.bin");
    RawPeer silent("SILENT");
    ASSERT_TRUE(silent.connectTo(a->port));
    ASSERT_TRUE(waitUntil([&] { return a->session()->connected; }, Generous));
    // Whatever a first transfer and the first log line make once is made.
    debugPrint("before the requests");
    const Peer b = addPeer("B");
    link(*b.node, *a.node);
    const std::string bytes = sharedFile("small.bin", 5000);
    EXPECT_TRUE(writeAtRanges(fetch(b, a, "\\small.bin"), folder.file("small")) == bytes);
    const int filesBefore = openFiles();
    const int64_t memoryBefore = tornel::test::residentBytes();

    constexpr int Gets = 1000;
    std::set<std::string> asked;
    for (int i = 0; i < Gets; ++i) {
        const std::string reqID = "REQ" + std::to_string(i);
        asked.insert(reqID);
        silent.send("GET", "\\big.bin", {{"ReqID", reqID}, {"Destination", a.id()}});
    }
    // Every request ends with a cancel: refused at once past the bound on
    // live senders, or once the wait for its confirmation ran out.
    std::map<std::string, int> cancels;
    const auto allCancelled = [&] {
        for (const clsPacket& packet : silent.takeArrived()) {
            if (packet.Method == "FILE" && getText(packet, "FileStatus") == "3") {
                ++cancels[getText(packet, "ReqID")];
            }
        }
        return cancels.size() == asked.size();
    };
    ASSERT_TRUE(waitUntil(allCancelled, Generous));
    for (const auto& [reqID, count] : cancels) {
        EXPECT_TRUE(asked.contains(reqID)) << reqID;
        EXPECT_EQ(count, 1) << reqID;
    }
    EXPECT_TRUE(waitUntil([&] { return a->session()->fileSends.empty(); }, Generous));
    EXPECT_EQ(openFiles(path), 0);
    // Every descriptor of the process counts here, and a closed socket may
    // still be flushing in the background for a moment.
    EXPECT_TRUE(waitUntil([&] { return openFiles() <= filesBefore; }, Generous))
        << openFiles() << " open, " << filesBefore << " before";
    EXPECT_LT(tornel::test::residentBytes() - memoryBefore, int64_t{64} << 20);
    EXPECT_LE(a.api().getUploads().size(), transfer_limits::MaxUploadsPerPeer + 1);
    for (const std::shared_ptr<cXFile>& record : a.api().getUploads()) {
        if (record && record->nodeID == silent.id) {
            EXPECT_EQ(record->Status, FS_Canceled) << record->reqID;
        }
    }
    // The node still serves: a real receiver gets a file whole.
    EXPECT_TRUE(writeAtRanges(fetch(b, a, "\\small.bin"), folder.file("again")) == bytes);
}

// Upload records stay within their bound per receiving node: the oldest
// finished ones give way.
TEST_F(TransferFaultTest, UploadRecordsAreBoundedOldestFinishedFirst) {
    const Peer a = addPeer("A", {}, true);
    const Peer b = addPeer("B");
    link(*b.node, *a.node);
    sharedFile("tiny.bin", 10);
    std::vector<std::string> served;
    const size_t fetches = transfer_limits::MaxUploadsPerPeer + 40;
    for (size_t i = 0; i < fetches; ++i) {
        const std::string reqID = b.api().requestFile("\\tiny.bin", a.id());
        ASSERT_TRUE(waitUntil([&] { return b.events->ended(reqID); }, Generous));
        ASSERT_EQ(b.events->of(reqID).back().status, FS_Complete);
        served.push_back(reqID);
    }
    ASSERT_TRUE(
        waitUntil([&] { return upload(a, served.back())->Status == FS_Complete; }, Generous));
    EXPECT_EQ(a.api().getUploads().size(), transfer_limits::MaxUploadsPerPeer + 1);
    EXPECT_EQ(upload(a, served[39]), nullptr);
    EXPECT_NE(upload(a, served[40]), nullptr);
    EXPECT_TRUE(b->session()->runningRequests.empty());
}

// A GET from another node under the request ID of a running transfer is
// refused to its asker alone, and a cancel the serving application addresses
// to another node under that ID stops nothing: the transfer arrives whole.
TEST_F(TransferFaultTest, AReusedRequestIDLeavesTheRunningTransferWhole) {
    enum class Intrusion { GetFromAnotherNode, CancelAddressedToAnotherNode };
    const Intrusion intrusions[] = {Intrusion::GetFromAnotherNode,
                                    Intrusion::CancelAddressedToAnotherNode};
    const std::string bytes = sharedFile("victim.bin", 2 << 20);
    sharedFile("other.bin", 10);
    int tag = 0;
    for (const Intrusion intrusion : intrusions) {
        SCOPED_TRACE(tag);
        const std::string name = std::to_string(++tag);
        const Peer a = addPeer("A" + name, {{"filePacket", "1"}}, true);
        const Peer b = addPeer("B" + name);
        const Peer c = addPeer("C" + name);
        link(*b.node, *a.node);
        link(*c.node, *a.node);
        const std::string reqID = b.api().requestFile("\\victim.bin", a.id());
        ASSERT_TRUE(waitUntil([&] { return !b.events->of(reqID).empty(); }, Generous));
        if (intrusion == Intrusion::GetFromAnotherNode) {
            clsPacket get;
            get.Method = "GET";
            get.Resource = "\\other.bin";
            AddField(get, "ReqID", reqID);
            AddField(get, "Destination", a.id());
            sendFrom(*c.node, get);
            ASSERT_TRUE(waitUntil([&] { return c.events->ended(reqID); }, Generous));
            ASSERT_EQ(c.events->of(reqID).size(), 1U);
            EXPECT_EQ(c.events->of(reqID)[0].status, FS_Canceled);
            // The refusal is traced in debug mode only, which is off.
            EXPECT_FALSE(debugWindowShown());
        } else {
            a.api().sendFile(c.id(), reqID, "", FS_Canceled);
        }
        ASSERT_NO_FATAL_FAILURE(expectArrivedWhole(b, a, reqID, bytes, "victim" + name));
        EXPECT_EQ(upload(a, reqID)->nodeID, b.id());
        EXPECT_EQ(upload(a, reqID)->Resource, "\\victim.bin");
    }
}

// A node that saw a chunk go by sends a FILECONFIRM with the confirmation's
// ID before the receiver does: the receiver's own still counts.
TEST_F(TransferFaultTest, AConfirmationSentFirstByAThirdNodeDoesNotStallTheTransfer) {
    const Peer a = addPeer("A", {{"routeFiles", "True"}, {"filePacket", "1"}}, true);
    const Peer b = addPeer("B");
    const Peer c = addPeer("C");
    link(*b.node, *a.node);
    link(*c.node, *a.node);
    const std::string bytes = sharedFile("paced.bin", 8 * 1024);
    DispatchTable& methods = library().methodHandlers;
    const MethodHandler file = *methods.find("FILE");
    const MethodHandler confirmed = *methods.find("FILECONFIRM");
    int forged = 0;
    int forgedSeen = 0;
    methods.add("FILECONFIRM",
                [&, confirmed](clsPacket& pkt, const std::shared_ptr<clsSocket>& sock,
                               const std::string& source) {
                    forgedSeen += source == c.id() ? 1 : 0;
                    confirmed(pkt, sock, source);
                });
    methods.add("FILE", [&, file](clsPacket& pkt, const std::shared_ptr<clsSocket>& sock,
                                  const std::string& source) {
        if (currentSession() == b->session() && hasFlag(pkt, "RF")) {
            // C forges the confirmation of this chunk, and A takes it in first.
            clsPacket forgery;
            forgery.Method = "FILECONFIRM";
            AddField(forgery, "ReqID", getText(pkt, "ReqID"));
            AddField(forgery, "Destination", a.id());
            AddField(forgery, "ID", getText(pkt, "ID") + "RF");
            sendFrom(*c.node, forgery);
            ++forged;
            const int expected = forged;
            EXPECT_TRUE(waitUntil([&] { return forgedSeen == expected; }, Generous));
            ASSERT_TRUE(switchSession(sessionOf(*b.node->node)));
        }
        file(pkt, sock, source);
    });
    const std::string reqID = b.api().requestFile("\\paced.bin", a.id());
    ASSERT_TRUE(waitUntil([&] { return b.events->ended(reqID); }, Generous));
    const std::vector<ReceivedFile> chunks = b.events->of(reqID);
    EXPECT_EQ(chunks.back().status, FS_Complete);
    EXPECT_EQ(chunks.size(), 8U);
    EXPECT_EQ(forged, 8);
    EXPECT_TRUE(writeAtRanges(chunks, folder.file("paced")) == bytes);
    // The last confirmation, the receiver's own, ends the sender.
    EXPECT_TRUE(waitUntil([&] { return upload(a, reqID)->Status == FS_Complete; }, Generous));
    methods.add("FILE", file);
    methods.add("FILECONFIRM", confirmed);
}

// A relays a file to a receiver that reads slower than A sends (here: not
// at all for a while). The relay holds back reading A instead of letting its
// queue grow to the bound that closes the receiver's connection; the file,
// far larger than that bound, arrives whole once the receiver reads again.
TEST_F(TransferFaultTest, ARelayHoldsItsSenderBackInsteadOfDroppingASlowReceiver) {
    OutgoingBounds& bounds = library().outgoingBounds;
    bounds.maxQueuedBytes = 2 << 20;
    bounds.holdForwardedAtBytes = 256 << 10;
    const Peer a = addPeer("A", {}, true);
    const Peer relay = addPeer("B");
    link(*relay.node, *a.node);
    const std::string bytes = sharedFile("large.bin", 32 << 20);
    RawPeer receiver("RECEIVER");
    ASSERT_TRUE(receiver.connectTo(relay->port));
    const auto toReceiver = [&] { return getDirectSocket(*relay->session(), "RECEIVER"); };
    const auto fromA = [&] { return getDirectSocket(*relay->session(), a.id()); };

    receiver.control.setReadPaused(true);
    receiver.send("GET", "\\large.bin",
                  {{"ReqID", "LARGE"}, {"Destination", a.id()}, {"Route", "RECEIVER"}});
    int64_t mostQueued = 0;
    const auto watchQueue = [&] {
        if (const std::shared_ptr<clsSocket> out = toReceiver()) {
            mostQueued = std::max(mostQueued, out->queuedBytes());
        }
    };
    ASSERT_TRUE(waitUntil(
        [&] {
            watchQueue();
            return toReceiver() && fromA() && fromA()->readingHeld();
        },
        Generous));
    EXPECT_GT(toReceiver()->queuedBytes(), bounds.holdForwardedAtBytes);

    receiver.control.setReadPaused(false);
    std::vector<ReceivedFile> chunks;
    const auto arrived = [&] {
        watchQueue();
        for (clsPacket& packet : receiver.takeArrived()) {
            if (packet.Method == "FILE" && getText(packet, "ReqID") == "LARGE") {
                const std::string range = getText(packet, "Content-Range");
                chunks.push_back(
                    {"LARGE", packet.Data, range, std::stoi(getText(packet, "FileStatus")), ""});
            }
        }
        return !chunks.empty() && chunks.back().status != FS_Transferring;
    };
    ASSERT_TRUE(waitUntil(arrived, Generous));
    EXPECT_EQ(chunks.back().status, FS_Complete);
    EXPECT_TRUE(writeAtRanges(chunks, folder.file("large")) == bytes);
    EXPECT_TRUE(toReceiver() && toReceiver()->isConnected);
    EXPECT_LT(mostQueued, bounds.maxQueuedBytes);
    EXPECT_TRUE(waitUntil([&] { return upload(a, "LARGE")->Status == FS_Complete; }, Generous));
}

}  // namespace
}  // namespace qel::test
