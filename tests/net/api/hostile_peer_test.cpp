// A stranger on the network floods a node with packets that need no
// permission and no account, each of a kind whose handling once waited or
// did long work inside the handler: the node stays up, answers a PING within
// a second throughout, keeps its open files and memory bounded, and answers
// every request.
#include "node_fixture.h"

#include "input_limits.h"
#include "transforms.h"

#include "qellib/users.h"
#include "support/file_contents.h"
#include "support/packet_flood.h"
#include "support/process_resources.h"
#include "support/raw_peer.h"
#include "support/temp_folder.h"

#include <QCryptographicHash>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>

namespace qel::test {
namespace {

using tornel::test::PacketFlood;
using tornel::test::RawPeer;
using tornel::test::settingsBody;
using tornel::test::WirePacket;

constexpr const char* kNodeID = "FLOODED-NODE";
constexpr int kFloodSize = 5000;

// Memory the node may grow by while it takes a flood in: a small multiple of
// what the answers themselves take.
constexpr int64_t kMostGrowthKiB = 128 * 1024;

// The node under attack, sharing `share`, with a raw peer connected to it.
class HostilePeerTest : public ::testing::Test {
  protected:
    HostilePeerTest() {
        std::filesystem::create_directory(share());
        node->Initialise("Flooded", node.port, role_Peer, "TORNEL_NODE", share(),
                         advancedSettings({{"nodeID", kNodeID}, {"Timeout", "2000"}}));
        node->Listen();
        EXPECT_TRUE(peer.connect(node.port));
    }
    ~HostilePeerTest() override { node->shutDown(); }

    std::string share() const { return folder.file("share"); }

    // Whether the flood left the node's files and memory within bounds.
    static void expectBounded(const PacketFlood& flood, int extraFiles) {
        EXPECT_LE(flood.mostFiles - flood.baseFiles, extraFiles);
        EXPECT_LT(flood.mostKiB - flood.baseKiB, kMostGrowthKiB);
    }

    // The answers of `method` by ReqID; each ReqID must come once.
    std::map<std::string, const WirePacket*> answersByReqID(const std::string& method) {
        std::map<std::string, const WirePacket*> answers;
        for (const WirePacket& p : peer.received) {
            if (p.method == method) {
                EXPECT_TRUE(answers.emplace(p.field("ReqID"), &p).second) << p.field("ReqID");
            }
        }
        return answers;
    }

    bool errorLogged(const std::string& part) const {
        return std::any_of(node.events->errors.begin(), node.events->errors.end(),
                           [&](const std::string& e) { return e.find(part) != std::string::npos; });
    }

    tornel::test::TempFolder folder;
    TestNode node{"Flooded", kNodeID, tornel::test::freePort()};
    RawPeer peer;
};

std::string settingsValue(const std::string& body, const std::string& key) {
    const std::string open = "<" + key + ">";
    const size_t start = body.find(open);
    if (start == std::string::npos) {
        return {};
    }
    const size_t from = start + open.size();
    return body.substr(from, body.find("</" + key + ">", from) - from);
}

std::string accountsOf(cQEL& node) {
    return node.newUsersInstance()->getUserXML();
}

int64_t accountCount(const std::string& store) {
    int64_t count = 0;
    for (size_t at = store.find("<Password>"); at != std::string::npos;
         at = store.find("<Password>", at + 1)) {
        ++count;
    }
    return count;
}

TEST_F(HostilePeerTest, AccountsFromUnknownNodesNeverWaitForTheirNames) {
    PacketFlood flood(peer, kNodeID, kFloodSize, [this](int i) {
        const std::string user = "user" + std::to_string(i);
        return peer.packet(
            "UPDATEUSER", "BROADCAST", {{"Source", "STRANGER-" + std::to_string(i)}},
            settingsBody("Common", {{"Operation", "UPDATE"}, {"Name", user}, {"Password", "pw"}}));
    });
    ASSERT_TRUE(flood.run());
    EXPECT_LT(flood.slowestPong(), 1000);
    expectBounded(flood, 8);
    const std::string store = accountsOf(*node.node);
    EXPECT_EQ(accountCount(store), kFloodSize + 1);  // and the node's own user
    EXPECT_NE(
        store.find("<user4999>\r\n    <Password>pw</Password>\r\n    <Authority></Authority>"),
        std::string::npos);
}

// The name of a node that is not known yet is asked for without waiting, and
// the account gets it once the node's description comes.
TEST_F(HostilePeerTest, AnUnknownAuthorityIsFilledInWhenItsDescriptionComes) {
    peer.send(peer.packet(
        "UPDATEUSER", "BROADCAST", {{"Source", "LATE-NODE"}},
        settingsBody("Common", {{"Operation", "UPDATE"}, {"Name", "alice"}, {"Password", "a"}})));
    ASSERT_TRUE(tornel::test::waitUntil([&] {
        return std::any_of(peer.received.begin(), peer.received.end(), [](const WirePacket& p) {
            return p.method == "WHOIS" && p.field("Destination") == "LATE-NODE";
        });
    }));
    EXPECT_NE(accountsOf(*node.node)
                  .find("<alice>\r\n    <Password>a</Password>\r\n    "
                        "<Authority></Authority>"),
              std::string::npos);
    peer.send(peer.packet("INFO", kNodeID, {{"Source", "LATE-NODE"}},
                          settingsBody("Common", {{"Name", "Late Node"}, {"Role", "1"}})));
    EXPECT_TRUE(tornel::test::waitUntil([&] {
        return accountsOf(*node.node).find("<Authority>Late Node</Authority>") != std::string::npos;
    }));
}

TEST_F(HostilePeerTest, RecursiveListingsAreMadeOneAtATimeAndTheRestRefused) {
    for (int f = 0; f < 30; ++f) {
        const std::string sub = share() + "/folder" + std::to_string(f);
        std::filesystem::create_directory(sub);
        for (int i = 0; i < 100; ++i) {
            tornel::test::writeFile(sub + "/file" + std::to_string(i) + ".txt", "x");
        }
    }
    const std::string request = settingsBody("Common", {{"SearchSubDirs", "True"}});
    peer.keptBodyBytes = 256;  // the "Count" of the listing comes first
    PacketFlood flood(peer, kNodeID, kFloodSize, [&](int i) {
        return peer.packet("GETCONTENTS", kNodeID, {{"ReqID", "L" + std::to_string(i)}}, request,
                           "\\");
    });
    ASSERT_TRUE(flood.run());
    EXPECT_LT(flood.slowestPong(), 1000);
    expectBounded(flood, 8);
    ASSERT_TRUE(tornel::test::waitUntil([&] { return peer.count("CONTENTS") == kFloodSize; }));
    const auto answers = answersByReqID("CONTENTS");
    int listed = 0;
    int refused = 0;
    for (int i = 0; i < kFloodSize; ++i) {
        const auto found = answers.find("L" + std::to_string(i));
        ASSERT_NE(found, answers.end()) << i;
        const std::string count = settingsValue(found->second->body, "Count");
        if (count == "3030") {  // 30 folders and 3000 files
            ++listed;
        } else {
            ASSERT_EQ(count, "0") << i;  // refused: as for a path not shared
            ++refused;
        }
    }
    // The flood outran the listings, made one after another.
    EXPECT_GE(listed, 1);
    EXPECT_GE(refused, 1);
    EXPECT_TRUE(errorLogged("A recursive listing refused"));
}

TEST_F(HostilePeerTest, FileHashesAreMadeOneAtATimeAndTheRestRefused) {
    constexpr int64_t kSize = 32 * 1024 * 1024;
    {
        const int fd = ::open((share() + "/big.bin").c_str(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, kSize), 0);  // sparse: all zeros
        ::close(fd);
    }
    QCryptographicHash zeros(QCryptographicHash::Md5);
    const QByteArray block(1024 * 1024, '\0');
    for (int64_t done = 0; done < kSize; done += block.size()) {
        zeros.addData(block);
    }
    const std::string digest = zeros.result().toHex().toStdString();

    const std::string request = settingsBody("Common", {{"skipHash", "False"}});
    PacketFlood flood(peer, kNodeID, kFloodSize, [&](int i) {
        return peer.packet("GETFILEINFO", kNodeID, {{"ReqID", "H" + std::to_string(i)}}, request,
                           "\\big.bin");
    });
    ASSERT_TRUE(flood.run(120000));
    EXPECT_LT(flood.slowestPong(), 1000);
    expectBounded(flood, 4);
    ASSERT_TRUE(
        tornel::test::waitUntil([&] { return peer.count("FILEINFO") == kFloodSize; }, 120000));
    const auto answers = answersByReqID("FILEINFO");
    int hashed = 0;
    int refused = 0;
    for (int i = 0; i < kFloodSize; ++i) {
        const auto found = answers.find("H" + std::to_string(i));
        ASSERT_NE(found, answers.end()) << i;
        const std::string& body = found->second->body;
        if (settingsValue(body, "Hash") == digest) {
            ++hashed;
            EXPECT_EQ(settingsValue(body, "FileSize"), std::to_string(kSize));
        } else {
            ASSERT_EQ(settingsValue(body, "FileSize"), "-1")
                << i;  // refused: as for a missing file
            ++refused;
        }
    }
    // Hashed one after another, each holding one file open: the flood outran them.
    EXPECT_GE(hashed, 1);
    EXPECT_GE(refused, 1);
    EXPECT_TRUE(errorLogged("A file hash refused"));
}

TEST_F(HostilePeerTest, AHugeUserListIsRefusedPastTheBoundAndRemovalsStayQuick) {
    constexpr int kAccounts = 100000;
    std::string list = "<Settings>";
    for (int i = 0; i < kAccounts; ++i) {
        const std::string user = "u" + std::to_string(i);
        list += "\r\n  <" + user + ">\r\n    <Password>p</Password>\r\n    <Authority>A" +
                "</Authority>\r\n    <Updated>2024-05-01 10:00:00</Updated>\r\n  </" + user + ">";
    }
    list += "\r\n</Settings>";
    const tornel::test::MemoryPeak memory;
    peer.send(peer.packet("USERLIST", kNodeID, {}, list));
    ASSERT_TRUE(tornel::test::waitUntil([&] { return errorLogged("user store is full"); }, 30000));
    // Read one account at a time: the list passes through the framer and
    // its reading, never held as a hundred thousand accounts.
    EXPECT_LT(memory.growthMiB(), 96);
    EXPECT_TRUE(errorLogged(std::to_string(kAccounts + 1 - limits::MaxUserAccounts) +
                            " accounts from RAW-PEER refused"));
    EXPECT_EQ(accountCount(accountsOf(*node.node)), limits::MaxUserAccounts);

    std::string removals;
    for (int i = 0; i < 20; ++i) {
        removals += peer.packet(
            "UPDATEUSER", "BROADCAST", {},
            settingsBody("Common", {{"Operation", "REMOVE"}, {"Name", "u" + std::to_string(i)}}));
    }
    const int64_t sent = platform::tickCount();
    peer.send(removals + peer.packet("PING", kNodeID, {{"ReqID", "AFTER"}}));
    ASSERT_TRUE(tornel::test::waitUntil([&] { return peer.answer("PONG", "AFTER") != nullptr; }));
    EXPECT_LT(peer.answer("PONG", "AFTER")->arrivedAt - sent, 1000);
    const std::string store = accountsOf(*node.node);
    EXPECT_EQ(accountCount(store), limits::MaxUserAccounts - 20);
    EXPECT_EQ(store.find("<u19>"), std::string::npos);
    EXPECT_NE(store.find("<u20>"), std::string::npos);
}

// Settings texts of 16 MiB of tiny tags, a few KiB compressed, in the packets
// whose bodies are settings texts a user account travels in: reading stops at
// the bounds of what it builds, the node grows by little and answers a PING.
TEST_F(HostilePeerTest, SettingsTextBombsStopAtTheReadersBounds) {
    constexpr size_t kBombBytes = 16 * 1024 * 1024;
    const auto bomb = [&](const std::string& open, const std::string& piece,
                          const std::string& close) {
        std::string text = "<Settings>" + open;
        while (text.size() + piece.size() + close.size() + 11 <= kBombBytes) {
            text += piece;
        }
        return text + close + "</Settings>";
    };
    struct Row {
        std::string method;
        std::string text;
    };
    const Row rows[] = {
        {"UPDATEUSER", bomb("<Common>", "<a></a>", "</Common>")},
        {"UPDATEUSER", bomb("", "<s></s>", "")},
        {"USERLIST", bomb("", "<u></u>", "")},
        {"USERLIST", bomb("<u>", "<a></a>", "</u>")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.method + " " + row.text.substr(0, 24));
        std::string body = row.text;
        ASSERT_TRUE(compressData(body, 9));
        ASSERT_LT(body.size(), 64U * 1024);
        const tornel::test::MemoryPeak memory;
        const std::string reqID = "AFTER-" + std::to_string(peer.received.size());
        peer.send(
            peer.packet(row.method, kNodeID,
                        {{"Flags", "Z"}, {"Original-Length", std::to_string(row.text.size())}},
                        body) +
            peer.packet("PING", kNodeID, {{"ReqID", reqID}}));
        ASSERT_TRUE(
            tornel::test::waitUntil([&] { return peer.answer("PONG", reqID) != nullptr; }, 30000));
        EXPECT_LT(memory.growthMiB(), 96);
    }
}

// The events of a node that expects the FILEs of some transfers only.
class ExpectingEvents : public RecordedEvents {
  public:
    void FileExpected(std::string& reqID, std::string& nodeID, bool& Expected) override {
        asked.push_back(reqID + " " + nodeID);
        Expected = expected;
    }
    void FileReceived(std::string& reqID, std::string& strData, std::shared_ptr<cXRange>&,
                      enmFileStatus&, Variant&) override {
        received.push_back(reqID + " " + std::to_string(strData.size()));
    }

    bool expected = true;
    std::vector<std::string> asked;
    std::vector<std::string> received;
};

// The application is asked about each FILE before its body is decoded: one
// it does not expect is dropped with its compressed body never inflated.
TEST(UnexpectedFiles, AFileTheApplicationDoesNotExpectIsNeverInflated) {
    ScopedLibraryState state;
    const auto events = std::make_shared<ExpectingEvents>();
    TestNode node{"Receiver", "RECEIVER", tornel::test::freePort(), events,
                  std::make_unique<cQEL>(events)};
    node->Initialise("Receiver", node.port, role_Peer, "TORNEL_NODE", "",
                     advancedSettings({{"nodeID", node.id}}));
    node->Listen();
    RawPeer peer;
    ASSERT_TRUE(peer.connect(node.port));
    const std::string plain(1024 * 1024, 'f');
    std::string body = plain;
    ASSERT_TRUE(compressData(body, 9));
    for (const bool expected : {false, true}) {
        SCOPED_TRACE(expected);
        events->expected = expected;
        const std::string reqID = expected ? "WANTED" : "NEVER-ASKED-FOR";
        const int64_t before = library().counters.compressionCount;
        peer.send(peer.packet("FILE", node.id,
                              {{"ReqID", reqID},
                               {"Content-Range", "0-1048575/1048576"},
                               {"FileStatus", "1"},
                               {"Flags", "Z"},
                               {"Original-Length", std::to_string(plain.size())}},
                              body) +
                  peer.packet("PING", node.id, {{"ReqID", "P-" + reqID}}));
        ASSERT_TRUE(
            tornel::test::waitUntil([&] { return peer.answer("PONG", "P-" + reqID) != nullptr; }));
        EXPECT_EQ(events->asked.back(), reqID + " RAW-PEER");
        EXPECT_EQ(library().counters.compressionCount - before, expected ? 1 : 0);
        EXPECT_EQ(events->received, expected ? std::vector<std::string>{"WANTED 1048576"}
                                             : std::vector<std::string>{});
    }
    node->shutDown();
}

}  // namespace
}  // namespace qel::test
