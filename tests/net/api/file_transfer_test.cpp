#include "transfer_fixture.h"

#include "byte_range.h"
#include "dispatch_table.h"
#include "fields.h"
#include "library_state.h"
#include "node_connection_services.h"
#include "node_info.h"
#include "send_pipeline.h"

#include <sys/stat.h>

#include <filesystem>

namespace qel::test {
namespace {

using tornel::test::readFile;

TEST_F(TransferTest, AFileArrivesWholeAndInRangesByteIdentical) {
    const Peer a = addPeer("A", {}, true);
    const Peer b = addPeer("B");
    link(*b.node, *a.node);
    const std::string bytes = sharedFile("data.bin", 1000000);

    const std::vector<ReceivedFile> whole = fetch(b, a, "\\data.bin");
    EXPECT_EQ(rangesOf(whole),
              (std::vector<std::string>{"0-262143/1000000 1", "262144-524287/1000000 1",
                                        "524288-786431/1000000 1", "786432-999999/1000000 2"}));
    EXPECT_TRUE(writeAtRanges(whole, folder.file("whole")) == bytes);
    EXPECT_EQ(whole.front().metadata, "");

    // The serving node's record of it, once the last chunk has left the socket.
    const std::string reqID = whole.front().reqID;
    ASSERT_TRUE(waitFor([&] { return upload(a, reqID)->lngProgress == 999999; }));
    const std::shared_ptr<cXFile> record = upload(a, reqID);
    EXPECT_EQ(record->Mode, fm_Upload);
    EXPECT_EQ(record->Status, FS_Complete);
    EXPECT_EQ(record->lngSize, 1000000);
    EXPECT_EQ(record->Resource, "\\data.bin");
    EXPECT_EQ(record->fullPath, std::filesystem::canonical(shared("data.bin")).string());
    EXPECT_EQ(record->nodeID, b.id());
    EXPECT_EQ(record->extendedStatus, "");
    EXPECT_TRUE(a->session()->fileSends.empty());  // finished senders are let go

    // Three ranged requests, written where their chunks say, make the file.
    const std::string parts = folder.file("parts");
    for (const auto& range : {b.api().makeRange(666666, -1), b.api().makeRange(0, 333332),
                              b.api().makeRange(333333, 666665)}) {
        writeAtRanges(fetch(b, a, "\\data.bin", range), parts);
    }
    EXPECT_TRUE(readFile(parts) == bytes);
    ASSERT_EQ(a.events->requests.size(), 4U);
    EXPECT_EQ(a.events->requests[0].range, "");
    EXPECT_EQ(a.events->requests[1].range, "666666--1");
    EXPECT_EQ(a.events->requests[1].nodeID, b.id());
}

// The watch over running transfers wakes only while a sender runs (or a
// receiver is cut off from its sender), and sleeps again once none does.
TEST_F(TransferTest, TheTransferSettlerWakesOnlyWhileATransferRuns) {
    const Peer a = addPeer("A", {}, true);
    const Peer b = addPeer("B");
    link(*b.node, *a.node);
    const auto services =
        std::dynamic_pointer_cast<NodeConnectionServices>(library().connectionServices);
    ASSERT_TRUE(services);
    EXPECT_FALSE(services->watch().watching());

    sharedFile("data.bin", 8 * 1024 * 1024);
    std::vector<bool> watchedWhileArriving;
    b.events->onReceived = [&](const ReceivedFile& chunk) {
        if (chunk.status == FS_Transferring && watchedWhileArriving.empty()) {
            watchedWhileArriving.push_back(services->watch().watching());
        }
    };
    ASSERT_EQ(fetch(b, a, "\\data.bin").back().status, FS_Complete);
    EXPECT_EQ(watchedWhileArriving, std::vector<bool>{true});
    EXPECT_TRUE(waitFor([&] { return !services->watch().watching(); }));
}

TEST_F(TransferTest, ContentRangesFollowTheChunkSize) {
    const Peer a = addPeer("A", {}, true);
    const Peer b = addPeer("B");
    link(*b.node, *a.node);
    struct Case {
        size_t size;
        std::vector<std::string> ranges;
    };
    const Case cases[] = {
        {786432, {"0-262143/786432 1", "262144-524287/786432 1", "524288-786431/786432 2"}},
        {262145, {"0-262143/262145 1", "262144-262144/262145 2"}},
        {1, {"0-0/1 2"}},
        {0, {" 2"}},  // one FILE without a range or data
    };
    for (const Case& c : cases) {
        const std::string name = "f" + std::to_string(c.size);
        const std::string bytes = sharedFile(name, c.size);
        const std::vector<ReceivedFile> chunks = fetch(b, a, "\\" + name);
        EXPECT_EQ(rangesOf(chunks), c.ranges) << c.size;
        EXPECT_TRUE(writeAtRanges(chunks, folder.file("got" + name)) == bytes) << c.size;
    }
}

TEST_F(TransferTest, ARangeSelectsItsBytesOrIsRefused) {
    const Peer a = addPeer("A", {}, true);
    const Peer b = addPeer("B");
    link(*b.node, *a.node);
    const std::string bytes = sharedFile("r.bin", 1000);
    struct Case {
        int64_t start, end;
        std::string range;  // the one chunk's, "" for a refusal
        int status;
    };
    const Case cases[] = {
        {1, 99, "1-99/1000", 2},
        {0, 0, "0-0/1000", 2},
        {900, -1, "900-999/1000", 2},    // from 900 to the end
        {-1, 99, "0-99/1000", 2},        // from the start to 99
        {990, 5000, "990-999/1000", 2},  // the end is clamped
        {-1, -1, "0-999/1000", 2},       // a lone "-": the whole file
        {99, 1, "", 3},                  // inverted
        {1000, -1, "", 3},               // starts past the end
    };
    for (const Case& c : cases) {
        const std::vector<ReceivedFile> chunks =
            fetch(b, a, "\\r.bin", b.api().makeRange(c.start, c.end));
        ASSERT_EQ(chunks.size(), 1U) << c.start << "-" << c.end;
        EXPECT_EQ(chunks[0].range, c.range);
        EXPECT_EQ(chunks[0].status, c.status);
        if (c.status == FS_Complete) {
            const int64_t first = std::stoll(c.range);
            EXPECT_EQ(chunks[0].data, bytes.substr(first, chunks[0].data.size()));
        } else {
            EXPECT_EQ(chunks[0].data, "");
            EXPECT_EQ(upload(a, chunks[0].reqID)->Status, FS_Canceled);
        }
    }
}

// Names holding "%" (followed by hex digits or not) and spaces are asked for
// as they are listed, and arrive whole.
TEST_F(TransferTest, NamesHoldingEscapesAreFetchedWhole) {
    const Peer a = addPeer("A", {}, true);
    const Peer b = addPeer("B");
    link(*b.node, *a.node);
    for (const std::string name : {"50%41.txt", "100% sure.txt", "%25%20 x.bin", "%2e%2e"}) {
        SCOPED_TRACE(name);
        const std::string bytes = sharedFile(name, 3000 + name.size());
        std::string path = "\\" + name;
        EXPECT_EQ(b.api().getFileInfo(path, a.id(), true).lngSize,
                  static_cast<int64_t>(bytes.size()));
        std::string root = "\\";
        const StringArray listing = b.api().getContents(root, a.id());
        EXPECT_NE(std::find(listing.begin(), listing.end(), "\\" + name), listing.end());
        const std::vector<ReceivedFile> chunks = fetch(b, a, "\\" + name);
        ASSERT_FALSE(chunks.empty());
        EXPECT_EQ(chunks.back().status, FS_Complete);
        EXPECT_TRUE(writeAtRanges(chunks, folder.file("got" + std::to_string(name.size()))) ==
                    bytes);
        EXPECT_EQ(a.events->requests.back().resource, "\\" + name);
    }
}

TEST_F(TransferTest, ASparseFileIsServedBeyondTwoGibibytes) {
    const Peer a = addPeer("A", {}, true);
    const Peer b = addPeer("B");
    link(*b.node, *a.node);
    const int64_t size = int64_t{3} << 30;
    const int64_t start = 2147483600;
    const std::string pattern = tornel::test::patternBytes(100, 3);
    {
        const int fd = ::open(shared("big.bin").c_str(), O_RDWR | O_CREAT, 0644);
        ASSERT_EQ(::ftruncate(fd, size), 0);
        ASSERT_EQ(::pwrite(fd, pattern.data(), pattern.size(), start), 100);
        ::close(fd);
    }
    const std::vector<ReceivedFile> chunks =
        fetch(b, a, "\\big.bin", b.api().makeRange(start, start + 99));
    ASSERT_EQ(chunks.size(), 1U);
    EXPECT_EQ(chunks[0].range, "2147483600-2147483699/3221225472");
    EXPECT_EQ(chunks[0].status, FS_Complete);
    EXPECT_EQ(chunks[0].data, pattern);
    EXPECT_EQ(upload(a, chunks[0].reqID)->lngSize, size);
    ASSERT_TRUE(waitFor([&] { return upload(a, chunks[0].reqID)->lngProgress == start + 99; }));
}

TEST_F(TransferTest, RefusedRequestsGetOneCancelAndNoFileRequest) {
    const Peer a = addPeer("A", {}, true);
    const Peer b = addPeer("B");
    const Peer none = addPeer("N");  // shares nothing
    link(*b.node, *a.node);
    link(b.node[0], none.node[0]);
    sharedFile("here.bin", 10);
    tornel::test::writeFile(folder.file("secret"), "secret");
    std::filesystem::create_symlink(folder.file("secret"), shared("out"));
    ASSERT_EQ(::mkfifo(shared("fifo").c_str(), 0644), 0);
    struct Case {
        const Peer* server;
        const char* path;
    };
    const Case cases[] = {
        {&none, "\\here.bin"}, {&a, "\\missing.bin"}, {&a, "\\..\\secret"},
        {&a, "\\out"},         {&a, "\\fifo"},        {&a, "\\"},
    };
    for (const Case& c : cases) {
        const std::vector<ReceivedFile> chunks = fetch(b, *c.server, c.path);
        ASSERT_EQ(chunks.size(), 1U) << c.path;
        EXPECT_EQ(chunks[0].status, FS_Canceled) << c.path;
        EXPECT_EQ(chunks[0].data, "");
        EXPECT_EQ(chunks[0].range, "");
    }
    EXPECT_TRUE(a.events->requests.empty());
    EXPECT_TRUE(none.events->requests.empty());
    EXPECT_EQ(a.api().getUploads().size(), 1U);  // element 0 alone
}

TEST_F(TransferTest, TheApplicationMayTakeARequestOverOrServeAnotherFile) {
    const Peer a = addPeer("A", {}, true);
    const Peer b = addPeer("B");
    link(*b.node, *a.node);
    sharedFile("asked.bin", 50);
    const std::string other = folder.file("other.bin");
    tornel::test::writeFile(other, "the application's own choice");
    a.events->onRequest = [&](std::string& fullPath, std::shared_ptr<cXRange>& range,
                              bool& takeNoAction) {
        if (range) {
            takeNoAction = true;  // the first request: the application answers itself
        } else {
            fullPath = other;
        }
    };
    const std::string ignored = b.api().requestFile("\\asked.bin", a.id(), b.api().makeRange(0, 9));
    const std::vector<ReceivedFile> served = fetch(b, a, "\\asked.bin");
    ASSERT_EQ(served.size(), 1U);
    EXPECT_EQ(served[0].data, "the application's own choice");
    EXPECT_EQ(served[0].range, "0-27/28");
    EXPECT_TRUE(b.events->of(ignored).empty());  // the same connection: it would have come first
    EXPECT_EQ(upload(a, ignored), nullptr);
    EXPECT_EQ(upload(a, served[0].reqID)->fullPath, other);
}

// A request the application takes over is served later, as the node would
// have served it then: the asked range, under its request ID. During the
// event the node tells which connection the request came on; a file gone
// by the time of serving is refused.
TEST_F(TransferTest, ARequestTakenOverIsServedLaterAsAskedOrRefusedWhenItsFileHasGone) {
    const Peer a = addPeer("A", {}, true);
    const Peer b = addPeer("B");
    link(*b.node, *a.node);
    const std::string bytes = sharedFile("later.bin", 50);
    sharedFile("gone.bin", 5);
    struct Taken {
        std::string fullPath;
        std::shared_ptr<cXRange> range;
        std::optional<std::string> connection;
    };
    std::vector<Taken> taken;
    a.events->onRequest = [&](std::string& fullPath, std::shared_ptr<cXRange>& range,
                              bool& takeNoAction) {
        taken.push_back({fullPath, range, a.api().fileRequestConnection()});
        takeNoAction = true;
    };
    const std::string later =
        b.api().requestFile("\\later.bin", a.id(), b.api().makeRange(10, 19));
    const std::string gone = b.api().requestFile("\\gone.bin", a.id());
    ASSERT_TRUE(waitFor([&] { return taken.size() == 2; }));
    EXPECT_FALSE(a.api().fileRequestConnection());  // outside the event
    ASSERT_TRUE(taken[0].connection);
    EXPECT_EQ(taken[1].connection, taken[0].connection);
    EXPECT_TRUE(b.events->of(later).empty());

    a.api().serveFileRequest("\\later.bin", taken[0].fullPath, b.id(), later, taken[0].range);
    std::filesystem::remove(taken[1].fullPath);
    a.api().serveFileRequest("\\gone.bin", taken[1].fullPath, b.id(), gone, taken[1].range);
    ASSERT_TRUE(waitFor([&] { return b.events->ended(later) && b.events->ended(gone); }));
    const std::vector<ReceivedFile> served = b.events->of(later);
    ASSERT_EQ(served.size(), 1U);
    EXPECT_EQ(served[0].status, FS_Complete);
    EXPECT_EQ(served[0].data, bytes.substr(10, 10));
    EXPECT_EQ(served[0].range, "10-19/50");
    EXPECT_EQ(upload(a, later)->Resource, "\\later.bin");
    ASSERT_EQ(b.events->of(gone).size(), 1U);
    EXPECT_EQ(b.events->of(gone)[0].status, FS_Canceled);
    EXPECT_TRUE(a.api().disconnectByID(*taken[0].connection));  // the connection it named
}

// Route-file confirmation: every chunk flagged "RF", and each FILECONFIRM
// lets exactly one more chunk go.
TEST_F(TransferTest, RouteFileConfirmationSendsOneChunkPerConfirmation) {
    const Peer a = addPeer("A", {{"routeFiles", "True"}, {"filePacket", "1"}}, true);
    const Peer b = addPeer("B");
    link(*b.node, *a.node);
    const std::string bytes = sharedFile("paced.bin", 10 * 1024);
    DispatchTable& methods = library().methodHandlers;
    const MethodHandler file = *methods.find("FILE");
    const MethodHandler confirmed = *methods.find("FILECONFIRM");
    int flagged = 0;
    std::vector<int64_t> committedAtConfirm;
    methods.add("FILE", [&](clsPacket& pkt, const std::shared_ptr<clsSocket>& sock,
                            const std::string& source) {
        flagged += hasFlag(pkt, "RF") ? 1 : 0;
        file(pkt, sock, source);
    });
    methods.add("FILECONFIRM", [&](clsPacket& pkt, const std::shared_ptr<clsSocket>& sock,
                                   const std::string& source) {
        const std::shared_ptr<clsFileSend> sender =
            liveSender(*currentSession(), source, getText(pkt, "ReqID"));
        committedAtConfirm.push_back(sender ? sender->completedProgress + 1 : -1);
        confirmed(pkt, sock, source);
    });
    const std::vector<ReceivedFile> chunks = fetch(b, a, "\\paced.bin");
    EXPECT_EQ(chunks.size(), 10U);
    EXPECT_EQ(flagged, 10);
    EXPECT_TRUE(writeAtRanges(chunks, folder.file("paced")) == bytes);
    ASSERT_TRUE(waitFor([&] { return committedAtConfirm.size() == 10; }));
    for (size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(committedAtConfirm[i], static_cast<int64_t>(i + 1) * 1024) << i;
    }
    // The sender ends with its last chunk confirmed, not merely sent.
    EXPECT_EQ(upload(a, chunks.front().reqID)->Status, FS_Complete);
    EXPECT_TRUE(a->session()->fileSends.empty());
}

// A chunk is compressed ahead while the last one travels; once encryption
// is switched on meanwhile, it must not go out compressed alone.
TEST_F(TransferTest, AChunkCompressedAheadFollowsEncryptionSwitchedOn) {
    const Peer a = addPeer(
        "A",
        {{"routeFiles", "True"}, {"filePacket", "1"}, {"useComp", "True"}, {"netPass", "secret"}},
        true);
    const Peer b = addPeer("B", {{"netPass", "secret"}});
    link(*b.node, *a.node);
    std::string text;
    for (int line = 0; text.size() < 10 * 1024; ++line) {
        text += "line " + std::to_string(line) + " of a text that compresses well\n";
    }
    text.resize(10 * 1024);
    tornel::test::writeFile(shared("text.txt"), text);
    DispatchTable& methods = library().methodHandlers;
    const MethodHandler file = *methods.find("FILE");
    std::vector<std::string> flags;
    methods.add("FILE", [&](clsPacket& pkt, const std::shared_ptr<clsSocket>& sock,
                            const std::string& source) {
        flags.push_back(getText(pkt, "Flags"));
        if (flags.size() == 3) {
            a->session()->useEnc = true;  // the fourth chunk is compressed by now
        }
        file(pkt, sock, source);
    });
    const std::vector<ReceivedFile> chunks = fetch(b, a, "\\text.txt");
    EXPECT_TRUE(writeAtRanges(chunks, folder.file("text")) == text);
    ASSERT_EQ(flags.size(), 10U);
    for (size_t i = 0; i < flags.size(); ++i) {
        EXPECT_EQ(flags[i], i < 3 ? "RF,Z" : "RF,KE,Z") << i;
    }
}

// The serving node opened the connection: the requester's GET, and the
// chunks and confirmations after it, travel over that one connection, also
// when the serving node keeps no routes (it still knows who is at the other
// end of a connection it opened).
TEST_F(TransferTest, AFileArrivesOverTheConnectionTheServerOpened) {
    const struct {
        const char* tag;
        std::vector<std::pair<std::string, std::string>> settings;
    } cases[] = {
        {"drain", {{"routeFiles", "False"}}},
        {"RF", {{"routeFiles", "True"}}},
        {"noRoutes", {{"maxRoutes", "0"}}},
        {"noRoutesRF", {{"maxRoutes", "0"}, {"routeFiles", "True"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tag);
        const std::string tag = c.tag;
        const Peer a = addPeer("A" + tag, c.settings, true);
        const Peer b = addPeer("B" + tag);
        link(*a.node, *b.node);
        const std::string bytes = sharedFile(tag + ".bin", 700000);

        const std::vector<ReceivedFile> chunks = fetch(b, a, "\\" + tag + ".bin");
        EXPECT_EQ(rangesOf(chunks),
                  (std::vector<std::string>{"0-262143/700000 1", "262144-524287/700000 1",
                                            "524288-699999/700000 2"}));
        EXPECT_TRUE(writeAtRanges(chunks, folder.file(tag)) == bytes);
        ASSERT_FALSE(chunks.empty());
        const std::string reqID = chunks.front().reqID;
        ASSERT_TRUE(waitFor([&] { return upload(a, reqID)->Status == FS_Complete; }));
        EXPECT_EQ(upload(a, reqID)->lngProgress, 699999);
        EXPECT_EQ(upload(a, reqID)->extendedStatus, "");
    }
}

TEST_F(TransferTest, APushArrivesByteIdentical) {
    const Peer a = addPeer("A");
    const Peer b = addPeer("B");
    link(*b.node, *a.node);
    const std::string path = folder.file("pushed.bin");
    const std::string bytes = tornel::test::patternBytes(600000, 5);
    tornel::test::writeFile(path, bytes);
    auto record = std::make_shared<cXFile>();
    record->fullPath = path;
    a.api().sendFile(b.id(), "PUSH1", "", FS_Transferring, "", nullptr, record, std::string("m"));
    ASSERT_TRUE(waitFor([&] { return b.events->ended("PUSH1"); }));
    const std::vector<ReceivedFile> chunks = b.events->of("PUSH1");
    EXPECT_TRUE(writeAtRanges(chunks, folder.file("got")) == bytes);
    EXPECT_EQ(chunks.front().metadata, "m");
    // The call's own FILE follows the first chunk: no data, no range.
    ASSERT_EQ(chunks.size(), 4U);
    EXPECT_EQ(chunks[1].range + "|" + chunks[1].data + "|" + std::to_string(chunks[1].status),
              "||1");
    const std::shared_ptr<cXFile> pushed = upload(a, "PUSH1");
    EXPECT_EQ(pushed->Resource, "pushed.bin");
    EXPECT_EQ(pushed->nodeID, b.id());
    EXPECT_EQ(pushed->Status, FS_Complete);

    // A push needs a file.
    record->fullPath.clear();
    a.api().sendFile(b.id(), "PUSH2", "", FS_Transferring, "", nullptr, record);
    record->fullPath = folder.file("none");
    a.api().sendFile(b.id(), "PUSH3", "", FS_Transferring, "", nullptr, record);
    EXPECT_EQ(a->events->errors,
              (std::vector<std::string>{
                  "Error 6: No path specified for push file send. [sendFile]",
                  "Error 7: File not found: \"" + record->fullPath + "\" [sendFile]"}));
}

TEST_F(TransferTest, TheApplicationLearnsWhichNodeSentTheBlockItHandles) {
    const Peer a = addPeer("A");
    const Peer b = addPeer("B");
    link(*b.node, *a.node);
    learnPeer(a, b);
    std::vector<std::string> senders;
    b.events->onReceived = [&](const ReceivedFile&) {
        const std::optional<std::string> from = b.api().fileReceivedFrom();
        senders.push_back(from.value_or("none"));
    };
    a.api().sendFile(b.id(), "R1", "x", FS_Transferring);
    ASSERT_TRUE(waitFor([&] { return senders.size() == 1; }));
    EXPECT_EQ(senders, std::vector<std::string>{a.id()});
    EXPECT_FALSE(b.api().fileReceivedFrom()) << "outside the event";
    EXPECT_FALSE(b.api().hasUnsentPackets());

    // What the tables know, without asking anyone.
    EXPECT_EQ(b.api().knownNodeInfo("NOBODY").ID, "");
    learnPeer(b, a);
    EXPECT_EQ(b.api().knownNodeInfo(a.id()).ID, a.id());
    EXPECT_EQ(b.api().knownNodeInfo("").ID, "");
}

// A push given no request ID goes under one made for it: every chunk and the
// call's own FILE carry it, and the transfer is paced to its end.
TEST_F(TransferTest, APushWithoutARequestIDGoesUnderOneIDMadeForIt) {
    for (const bool routeFiles : {false, true}) {
        SCOPED_TRACE(routeFiles ? "route-file confirmation" : "drain pacing");
        const std::string tag = routeFiles ? "RF" : "drain";
        const Peer a = addPeer("A" + tag, {{"routeFiles", routeFiles ? "True" : "False"}});
        const Peer b = addPeer("B" + tag);
        link(*b.node, *a.node);
        const std::string path = folder.file("anonymous" + tag);
        const std::string bytes = tornel::test::patternBytes(900000, 9);
        tornel::test::writeFile(path, bytes);
        auto record = std::make_shared<cXFile>();
        record->fullPath = path;
        a.api().sendFile(b.id(), "", "", FS_Transferring, "", nullptr, record);
        ASSERT_TRUE(waitFor([&] { return !b.events->received.empty(); }));
        const std::string reqID = b.events->received.front().reqID;
        ASSERT_TRUE(tornel::test::waitUntil([&] { return b.events->ended(reqID); }, 20000));
        EXPECT_EQ(b.events->of(reqID).size(), b.events->received.size());
        EXPECT_EQ(b.events->of(reqID).back().status, FS_Complete);
        EXPECT_TRUE(writeAtRanges(b.events->of(reqID), folder.file("got" + tag)) == bytes);
        ASSERT_TRUE(upload(a, reqID));
        EXPECT_TRUE(waitFor([&] { return upload(a, reqID)->Status == FS_Complete; }));
        EXPECT_EQ(upload(a, reqID)->nodeID, b.id());
    }
}

// A slow transfer: 1 KiB chunks of a 4 MiB file.
class SlowTransferTest : public TransferTest {
  protected:
    SlowTransferTest() { sharedFile("slow.bin", 4 << 20); }
    Peer a = addPeer("A", {{"filePacket", "1"}}, true);
    Peer b = addPeer("B");
};

TEST_F(SlowTransferTest, OnlyTheReceiverCanCancel) {
    const Peer c = addPeer("C");
    link(*b.node, *a.node);
    link(*c.node, *a.node);
    learnPeer(b, a);
    learnPeer(c, a);
    std::string reqID;
    b.events->onReceived = [&](const ReceivedFile& chunk) {
        if (b.events->received.size() == 1) {
            c.api().sendFile(a.id(), chunk.reqID, "", FS_Canceled);  // not C's transfer
        }
    };
    bool runningAfterThirdParty = false;
    a.events->onReceived = [&](const ReceivedFile& notice) {
        EXPECT_EQ(notice.status, FS_Canceled);
        if (a.events->received.size() == 1) {
            runningAfterThirdParty = liveSender(*a->session(), b.id(), notice.reqID) != nullptr &&
                                     upload(a, notice.reqID)->Status == FS_Transferring;
            b.api().sendFile(a.id(), notice.reqID, "", FS_Canceled);
        }
    };
    reqID = b.api().requestFile("\\slow.bin", a.id());
    ASSERT_TRUE(waitFor([&] { return a.events->received.size() == 2; }));
    EXPECT_TRUE(runningAfterThirdParty);
    EXPECT_EQ(upload(a, reqID)->Status, FS_Canceled);
    EXPECT_TRUE(a->session()->fileSends.empty());
    // What was under way still arrives (before a message sent after it); then nothing more.
    const auto drained = [&] {
        const size_t before = b.events->messages.size();
        a.api().sendMessage("after", b.id());
        return waitFor([&] { return b.events->messages.size() == before + 1; });
    };
    ASSERT_TRUE(drained());
    const size_t got = b.events->of(reqID).size();
    ASSERT_TRUE(drained());
    EXPECT_EQ(b.events->of(reqID).size(), got);
    EXPECT_LT(got, 4096U);
    EXPECT_FALSE(b.events->ended(reqID));
}

TEST_F(SlowTransferTest, RemovingAnUploadCancelsOnlyARunningOne) {
    link(*b.node, *a.node);
    b.events->onReceived = [&](const ReceivedFile& chunk) {
        if (b.events->received.size() == 1) {
            a.api().removeUpload(chunk.reqID);
        }
    };
    const std::string running = b.api().requestFile("\\slow.bin", a.id());
    ASSERT_TRUE(waitFor([&] { return b.events->ended(running); }));
    EXPECT_EQ(b.events->of(running).back().status, FS_Canceled);
    EXPECT_EQ(upload(a, running), nullptr);
    EXPECT_TRUE(a->session()->fileSends.empty());

    b.events->onReceived = nullptr;
    sharedFile("small.bin", 10);
    const std::string finished = fetch(b, a, "\\small.bin").front().reqID;
    a.api().removeUpload(finished);
    EXPECT_EQ(upload(a, finished), nullptr);
    a.api().sendMessage("after", b.id());
    ASSERT_TRUE(waitFor([&] { return b.events->messages.size() == 1; }));
    EXPECT_EQ(b.events->of(finished).size(), 1U);  // nothing came after its last chunk
}

TEST_F(SlowTransferTest, ARequestUnderALiveIDReplacesItsTransferQuietly) {
    link(*b.node, *a.node);
    sharedFile("small.bin", 10);
    const auto get = [&](const std::string& path) {
        const CurrentSessionGuard restore;
        switchSession(sessionOf(b.api()));
        clsPacket request;
        request.Method = "GET";
        request.Resource = path;
        AddField(request, "ReqID", "SAME");
        AddField(request, "Destination", a.id());
        sendPacket(request);
    };
    b.events->onReceived = [&](const ReceivedFile&) {
        if (b.events->received.size() == 1) {
            get("\\small.bin");
        }
    };
    get("\\slow.bin");
    ASSERT_TRUE(waitFor([&] { return b.events->ended("SAME"); }));
    a.api().sendMessage("after", b.id());  // arrives after anything sent before it
    ASSERT_TRUE(waitFor([&] { return b.events->messages.size() == 1; }));
    const std::vector<ReceivedFile> chunks = b.events->of("SAME");
    EXPECT_EQ(chunks.back().range + " " + std::to_string(chunks.back().status), "0-9/10 2");
    for (const ReceivedFile& chunk : chunks) {
        EXPECT_NE(chunk.status, FS_Canceled);
    }
    const std::shared_ptr<cXFile> record = upload(a, "SAME");
    EXPECT_EQ(record->Status, FS_Complete);
    EXPECT_EQ(record->lngSize, 10);
    EXPECT_EQ(a.api().getUploads().size(), 2U);
    EXPECT_TRUE(a->session()->fileSends.empty());
}

TEST_F(SlowTransferTest, AFileThatShrinksCancelsTheTransfer) {
    link(*b.node, *a.node);
    b.events->onReceived = [&](const ReceivedFile&) {
        if (b.events->received.size() == 1) {
            std::filesystem::resize_file(shared("slow.bin"), 100000);
        }
    };
    const std::string reqID = b.api().requestFile("\\slow.bin", a.id());
    ASSERT_TRUE(waitFor([&] { return b.events->ended(reqID); }));
    EXPECT_EQ(b.events->of(reqID).back().status, FS_Canceled);
    EXPECT_EQ(upload(a, reqID)->Status, FS_Canceled);
    EXPECT_FALSE(a->events->errors.empty());  // the short read is reported
}

// The owner changes a shared file a third of the way through sending it: the
// transfer ends cancelled, never complete, and every byte that did arrive is
// the old version's at its place, so the partial can be continued.
TEST_F(TransferTest, AFileChangedWhileItIsSentNeverArrivesComplete) {
    constexpr size_t Size = 8 << 20;
    const std::string fresh = tornel::test::patternBytes(Size, 11);
    const auto writeInPlace = [](const std::string& path, const std::string& bytes) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(::pwrite(fd, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
        ::close(fd);
    };
    const struct {
        const char* how;
        std::function<void(const std::string& path)> change;
    } cases[] = {
        {"written over in place, same size",
         [&](const std::string& path) { writeInPlace(path, fresh); }},
        {"one byte written in place", [&](const std::string& path) { writeInPlace(path, "!"); }},
        {"emptied and written again",
         [&](const std::string& path) {
             tornel::test::writeFile(path, fresh.substr(0, Size / 2));
         }},
        {"another file renamed over it",
         [&](const std::string& path) {
             tornel::test::writeFile(path + ".new", fresh);
             ASSERT_EQ(std::rename((path + ".new").c_str(), path.c_str()), 0);
         }},
    };
    for (const std::string pacing :
         {"False", "True"}) {  // chunks paced by writes, or by confirmations
        const Peer a = addPeer("A" + pacing, {{"routeFiles", pacing}}, true);
        const Peer b = addPeer("B" + pacing);
        link(*b.node, *a.node);
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.how) + ", confirmation " + pacing);
            const std::string old = sharedFile("big.bin", Size);
            bool changed = false;
            b.events->onReceived = [&](const ReceivedFile& chunk) {
                if (!changed && chunk.status == FS_Transferring &&
                    b.events->received.size() * 262144 >= Size / 3) {
                    changed = true;
                    c.change(shared("big.bin"));
                }
            };
            b.events->received.clear();
            const std::string reqID = b.api().requestFile("\\big.bin", a.id());
            ASSERT_TRUE(waitFor([&] { return b.events->ended(reqID); }));
            const std::vector<ReceivedFile> chunks = b.events->of(reqID);
            EXPECT_TRUE(changed);
            EXPECT_EQ(chunks.back().status, FS_Canceled);
            for (const ReceivedFile& chunk : chunks) {
                EXPECT_NE(chunk.status, FS_Complete);
                if (!chunk.range.empty()) {
                    const size_t start = std::stoull(chunk.range.substr(0, chunk.range.find('-')));
                    EXPECT_TRUE(old.compare(start, chunk.data.size(), chunk.data) == 0)
                        << chunk.range;
                }
            }
            EXPECT_LT(chunks.size(), Size / 262144);
            EXPECT_TRUE(waitFor([&] { return upload(a, reqID)->Status == FS_Canceled; }));
            EXPECT_FALSE(a.events->errors.empty());  // the change is reported
            a.events->errors.clear();
        }
        b.events->onReceived = nullptr;
    }
}

// A node that does not know the way to its requester: routes are off and the
// requester never described itself.
class NoRouteTest : public TransferTest {
  protected:
    NoRouteTest() {
        EXPECT_FALSE(b.api().Connect(a->address()).empty());
        EXPECT_TRUE(waitFor([&] { return a->session()->connected; }));
        DispatchTable& methods = library().methodHandlers;
        const MethodHandler original = *methods.find("REQCONFIRM");
        methods.add("REQCONFIRM",
                    [this, original](clsPacket& pkt, const std::shared_ptr<clsSocket>& sock,
                                     const std::string& source) {
                        ++asked;
                        if (onAsked) {
                            onAsked(pkt, sock);
                        }
                        original(pkt, sock, source);
                    });
    }

    Peer a = addPeer("A", {{"maxRoutes", "0"}}, true);
    Peer b = addPeer("B", {{"announceSelf", "False"}});
    int asked = 0;
    std::function<void(const clsPacket&, const std::shared_ptr<clsSocket>&)> onAsked;
};

TEST_F(NoRouteTest, AHeldChunkGoesOnceTheRouteIsKnown) {
    const std::string bytes = sharedFile("late.bin", 700000);
    std::shared_ptr<cXFile> recordWhileHeld;
    onAsked = [&](const clsPacket& pkt, const std::shared_ptr<clsSocket>& sock) {
        const std::shared_ptr<cXFile> record = upload(a, getText(pkt, "ReqID"));
        recordWhileHeld = std::make_shared<cXFile>(*record);
        sendInfo("BROADCAST", sock);  // the requester describes itself at last
    };
    const std::vector<ReceivedFile> chunks = fetch(b, a, "\\late.bin");
    EXPECT_EQ(asked, 1);
    ASSERT_TRUE(recordWhileHeld);
    EXPECT_EQ(recordWhileHeld->Status, 0);
    EXPECT_EQ(recordWhileHeld->extendedStatus, "Re-routing");
    EXPECT_EQ(rangesOf(chunks),
              (std::vector<std::string>{"0-262143/700000 1", "262144-524287/700000 1",
                                        "524288-699999/700000 2"}));
    EXPECT_TRUE(writeAtRanges(chunks, folder.file("late")) == bytes);
    const std::string reqID = chunks.front().reqID;
    ASSERT_TRUE(waitFor([&] { return upload(a, reqID)->lngProgress == 699999; }));
    EXPECT_EQ(upload(a, reqID)->Status, FS_Complete);
    EXPECT_EQ(upload(a, reqID)->extendedStatus, "");
}

TEST_F(NoRouteTest, TheFifthFailureGivesUp) {
    sharedFile("never.bin", 1000);
    const std::vector<ReceivedFile> chunks = fetch(b, a, "\\never.bin");
    EXPECT_EQ(asked, 4);
    ASSERT_EQ(chunks.size(), 1U);  // the notice that it was given up
    EXPECT_EQ(chunks[0].status, FS_Canceled);
    const std::shared_ptr<cXFile> record = upload(a, chunks[0].reqID);
    EXPECT_EQ(record->Status, FS_Canceled);
    EXPECT_EQ(record->extendedStatus, "Routing failed");
    EXPECT_TRUE(a->session()->fileSends.empty());
}

}  // namespace
}  // namespace qel::test
