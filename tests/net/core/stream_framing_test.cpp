#include "core_fixture.h"

#include "fields.h"
#include "input_limits.h"
#include "stream_framing.h"
#include "support/socket_recorder.h"
#include "wire_format.h"

#include <gtest/gtest.h>

#include <random>

namespace qel::test {
namespace {

using FramingTest = CoreTest;

// What the receive pipeline is handed of one packet.
std::string summary(const clsPacket& packet) {
    std::string text = packet.Method + "|" + packet.Resource;
    for (const clsField& field : packet.Fields) {
        text += "|" + field.Name + "=" + field.Data;
    }
    return text + "|" + packet.Data;
}

clsPacket makePacket(const std::string& method, const std::string& resource,
                     const std::string& body) {
    clsPacket packet;
    packet.Method = method;
    packet.Resource = resource;
    packet.Data = body;
    AddField(packet, "ID", method + "-id");
    if (!body.empty()) {
        AddField(packet, "Content-Length", std::to_string(body.size()));
    }
    return packet;
}

// The error lines the connection reports for what the framer returned.
std::vector<std::string> reportedLines(PacketFramer& framer) {
    std::vector<std::string> lines;
    for (const WireError& error : framer.takeErrors()) {
        lines.push_back(errorLine(error.number, error.description, {}));
    }
    return lines;
}

// Feeds `arrivals` in order and collects every packet cut, and the lines of
// the errors found into `errors` when given.
std::vector<std::string> frame(const std::vector<std::string>& arrivals,
                               std::vector<std::string>* errors = nullptr) {
    PacketFramer framer;
    std::vector<std::string> packets;
    for (const std::string& arrival : arrivals) {
        framer.append(arrival);
        clsPacket packet;
        PacketFramer::Cut cut;
        while ((cut = framer.next(packet)) == PacketFramer::Cut::Packet) {
            packets.push_back(summary(packet));
        }
        EXPECT_EQ(cut, PacketFramer::Cut::NeedMore);
        const std::vector<std::string> found = reportedLines(framer);
        if (errors != nullptr) {
            errors->insert(errors->end(), found.begin(), found.end());
        } else {
            EXPECT_TRUE(found.empty());
        }
    }
    return packets;
}

TEST_F(FramingTest, AnyChunkingOfAStreamYieldsTheSamePackets) {
    const std::vector<std::string>& errors = errorsOfNode();
    std::vector<clsPacket> sent = {
        makePacket("MSG", "", "a body with\r\n\r\nGET \\x QEL/2.1\r\n\r\ninside"),
        makePacket("PING", "", ""),
        makePacket("INFO", "", ""),
        makePacket("FILE", "\\share\\a b", tornel::test::patternBytes(3000)),
        makePacket("CONFIRM", "", ""),
    };
    AddField(sent[2], "Content-Length", "0");
    std::string stream;
    std::vector<std::string> expected;
    for (const clsPacket& packet : sent) {
        stream += writePacket(packet);
        expected.push_back(summary(packet));
    }

    EXPECT_EQ(frame({stream}), expected);
    for (size_t cut = 1; cut < stream.size(); ++cut) {
        ASSERT_EQ(frame({stream.substr(0, cut), stream.substr(cut)}), expected) << cut;
    }
    std::vector<std::string> bytes;
    for (const char c : stream) {
        bytes.emplace_back(1, c);
    }
    EXPECT_EQ(frame(bytes), expected);
    std::mt19937 random(20210);
    for (int run = 0; run < 200; ++run) {
        std::vector<std::string> arrivals;
        for (size_t at = 0; at < stream.size();) {
            const size_t size = std::uniform_int_distribution<size_t>(1, 40)(random);
            arrivals.push_back(stream.substr(at, size));
            at += size;
        }
        ASSERT_EQ(frame(arrivals), expected) << run;
    }
    EXPECT_TRUE(errors.empty());
}

// A caller that trades buffers with the framer fills the one it gets back
// with the next arrival: the packets come out as from fresh buffers, and
// those cut before stay as they were while traded buffers are written again.
TEST_F(FramingTest, TradedBuffersCarryTheStreamUnchanged) {
    std::string stream;
    std::vector<std::string> expected;
    for (int i = 0; i < 20; ++i) {
        const clsPacket packet =
            makePacket(i % 3 == 0 ? "PING" : "FILE", "\\f", tornel::test::patternBytes(i * 97, i));
        stream += writePacket(packet);
        expected.push_back(summary(packet));
    }
    std::mt19937 random(7);
    for (int run = 0; run < 50; ++run) {
        PacketFramer framer;
        std::string buffer;
        std::vector<clsPacket> packets;
        for (size_t at = 0; at < stream.size();) {
            const size_t size = std::uniform_int_distribution<size_t>(1, 700)(random);
            buffer.assign(stream, at, size);
            at += size;
            framer.appendTrading(buffer);
            EXPECT_TRUE(buffer.empty());
            clsPacket packet;
            while (framer.next(packet) == PacketFramer::Cut::Packet) {
                packets.push_back(std::move(packet));
                packet = clsPacket();
            }
        }
        std::vector<std::string> summaries;
        for (const clsPacket& packet : packets) {
            summaries.push_back(summary(packet));
        }
        ASSERT_EQ(summaries, expected) << run;
        EXPECT_EQ(framer.bufferedBytes(), 0);
    }
}

TEST_F(FramingTest, AContentLengthThatIsNoCountWithinTheLimitBreaksTheStream) {
    const std::pair<std::string, std::string> cases[] = {
        {"abc", "Error 13: Type mismatch"},
        {"-5", "Error 13: Type mismatch"},
        {"+5", "Error 13: Type mismatch"},
        {"1e3", "Error 13: Type mismatch"},
        {"0x10", "Error 13: Type mismatch"},
        {"1.5", "Error 13: Type mismatch"},
        {"  ", "Error 13: Type mismatch"},
        {std::to_string(limits::MaxBodyBytes + 1), "Error 7: Out of memory"},
        {"99999999999999999999999999", "Error 7: Out of memory"},
    };
    for (const auto& [length, error] : cases) {
        PacketFramer framer;
        framer.append("MSG  QEL/2.1\r\nContent-Length: " + length + "\r\n\r\nbody");
        clsPacket packet;
        EXPECT_EQ(framer.next(packet), PacketFramer::Cut::Broken) << length;
        EXPECT_EQ(reportedLines(framer), std::vector<std::string>{error}) << length;
        EXPECT_EQ(framer.bufferedBytes(), 0) << length;
    }
    EXPECT_TRUE(errorsOfNode().empty());  // the framer reports nothing itself

    // Lengths within the limit, with blanks and leading zeros, are accepted;
    // nothing is allocated for a body before it arrives.
    for (const std::string& length : {std::string(" 004 "), std::to_string(limits::MaxBodyBytes)}) {
        PacketFramer framer;
        framer.append("MSG  QEL/2.1\r\nContent-Length: " + length + "\r\n\r\nbody");
        clsPacket packet;
        const PacketFramer::Cut cut = framer.next(packet);
        EXPECT_NE(cut, PacketFramer::Cut::Broken) << length;
        EXPECT_LT(std::max(packet.Data.capacity(), framer.packetIn().Data.capacity()), 4096U);
    }
}

// A body longer than its method allows is skipped as it arrives: nothing of
// it is held, whichever way it comes (with its header, in pieces fed by copy
// or handed over), and the packet behind it is cut as usual.
TEST_F(FramingTest, ABodyBeyondItsMethodsBoundIsSkippedAsItArrivesAndTheStreamGoesOn) {
    struct Row {
        std::string method;
        int64_t length;
    };
    const Row rows[] = {
        {"GET", limits::maxRawBody("GET") + 1},
        {"UPDATE", limits::maxRawBody("UPDATE") + 1},  // nothing handles it
        {"INFO", 64 * 1024 * 1024},
        {"FILE", limits::maxRawBody("FILE") + 1},
    };
    const std::string next = writePacket(makePacket("PING", "", ""));
    for (const Row& row : rows) {
        for (const bool trading : {false, true}) {
            SCOPED_TRACE(row.method + (trading ? " handed over" : " copied"));
            PacketFramer framer;
            const std::string header = row.method + "  QEL/2.1\r\nID: big\r\nContent-Length: " +
                                       std::to_string(row.length) + "\r\n\r\n";
            // The stream: header, `length` bytes of body, then a PING.
            const auto headerSize = static_cast<int64_t>(header.size());
            const int64_t total = headerSize + row.length + static_cast<int64_t>(next.size());
            const auto byteAt = [&](int64_t at) {
                return at < headerSize ? header[static_cast<size_t>(at)]
                       : at < headerSize + row.length
                           ? 'b'
                           : next[static_cast<size_t>(at - headerSize - row.length)];
            };
            constexpr int64_t chunk = 1024 * 1024;
            int64_t mostHeld = 0;
            std::vector<std::string> cut;
            for (int64_t at = 0; at < total; at += chunk) {
                std::string arrival;
                for (int64_t i = at; i < std::min(total, at + chunk); ++i) {
                    arrival += byteAt(i);
                }
                if (trading) {
                    framer.appendTrading(arrival);
                } else {
                    framer.append(arrival);
                }
                clsPacket packet;
                while (framer.next(packet) == PacketFramer::Cut::Packet) {
                    cut.push_back(packet.Method);
                }
                mostHeld = std::max({mostHeld, framer.heldBytes(),
                                     static_cast<int64_t>(framer.packetIn().Data.capacity())});
            }
            EXPECT_EQ(cut, std::vector<std::string>{"PING"});
            EXPECT_LE(mostHeld, chunk);
            EXPECT_EQ(
                reportedLines(framer),
                std::vector<std::string>{"Error 7: Packet dropped: a " + row.method + " body of " +
                                         std::to_string(row.length) + " bytes is skipped"});
            EXPECT_EQ(framer.bufferedBytes(), 0);
        }
    }
}

// Up to its method's bound a body is taken in whole; the bound covers what
// the decoded body may be and what compression could add to it.
TEST_F(FramingTest, ABodyWithinItsMethodsBoundIsKept) {
    for (const std::string method : {"GET", "MSG", "CONTENTS", "SOMETHINGNEW"}) {
        SCOPED_TRACE(method);
        EXPECT_GT(limits::maxRawBody(method), limits::maxInflatedBody(method));
        const std::string body(static_cast<size_t>(limits::maxRawBody(method)), 'x');
        EXPECT_EQ(frame({writePacket(makePacket(method, "", body))}).size(), 1U);
    }
    EXPECT_EQ(limits::maxRawBody("SOMETHINGNEW"), limits::maxRawBody("MSG"));
    EXPECT_GT(limits::maxRawBody("FILE"), limits::MaxFileChunkBytes);
}

TEST_F(FramingTest, AHeaderLongerThanTheLimitBreaksTheStream) {
    const std::string methodLine = "MSG  QEL/2.1\r\nPad: ";
    // A header of exactly the limit, blank line included, still reads.
    std::string header = methodLine;
    header.resize(static_cast<size_t>(limits::MaxHeaderBytes) - 4, 'p');
    EXPECT_EQ(frame({header + "\r\n\r\n"}).size(), 1U);

    PacketFramer framer;
    framer.append(methodLine);
    const std::string chunk(4096, 'a');
    PacketFramer::Cut cut = PacketFramer::Cut::NeedMore;
    int64_t fed = static_cast<int64_t>(methodLine.size());
    while (cut == PacketFramer::Cut::NeedMore && fed <= 2 * limits::MaxHeaderBytes) {
        framer.append(chunk);
        fed += static_cast<int64_t>(chunk.size());
        clsPacket packet;
        cut = framer.next(packet);
        EXPECT_LT(framer.bufferedBytes(), limits::MaxHeaderBytes);
    }
    EXPECT_EQ(cut, PacketFramer::Cut::Broken);
    EXPECT_LT(fed, limits::MaxHeaderBytes + static_cast<int64_t>(chunk.size()));
    EXPECT_EQ(reportedLines(framer), std::vector<std::string>{"Error 7: Out of memory"});
}

TEST_F(FramingTest, AMalformedHeaderIsDroppedWithTheTextBehindIt) {
    std::vector<std::string> errors;
    const std::string ping = writePacket(makePacket("PING", "", ""));
    EXPECT_EQ(frame({"NOSPACE\r\n\r\n" + ping, ping}, &errors),
              std::vector<std::string>{summary(makePacket("PING", "", ""))});
    EXPECT_EQ(errors, std::vector<std::string>{"Error 5: Invalid procedure call or argument"});
}

// A reader held back (a relay whose next hop is slow, a bounded nesting)
// cuts fewer packets than arrive and never runs out of them: the text it has
// cut is let go all the same, so what the framer keeps follows the text not
// cut yet, not everything that ever passed.
TEST_F(FramingTest, AReaderThatNeverRunsOutOfPacketsKeepsOnlyWhatIsNotCutYet) {
    const std::string packet = writePacket(makePacket("FILE", "\\f", std::string(4096, 'd')));
    const auto packetBytes = static_cast<int64_t>(packet.size());
    constexpr int kBacklog = 8;  // packets always waiting behind the reader
    PacketFramer framer;
    for (int i = 0; i < kBacklog; ++i) {
        framer.append(std::string_view(packet));
    }
    int64_t mostHeld = 0;
    for (int i = 0; i < 4000; ++i) {
        framer.append(std::string(packet));
        clsPacket cut;
        ASSERT_EQ(framer.next(cut), PacketFramer::Cut::Packet) << i;
        ASSERT_EQ(cut.Data, std::string(4096, 'd')) << i;
        mostHeld = std::max(mostHeld, framer.heldBytes());
    }
    EXPECT_EQ(framer.bufferedBytes(), kBacklog * packetBytes);
    EXPECT_LE(mostHeld, (2 * kBacklog + 2) * packetBytes);
}

}  // namespace
}  // namespace qel::test
