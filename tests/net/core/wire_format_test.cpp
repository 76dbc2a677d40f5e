#include "core_fixture.h"

#include "fields.h"
#include "packet.h"
#include "stream_framing.h"
#include "wire_format.h"

#include <gtest/gtest.h>

namespace qel::test {
namespace {

using WireFormatTest = CoreTest;

clsPacket parsed(const std::string& header) {
    clsPacket packet;
    packet.Header = header;
    std::vector<WireError> refused;
    EXPECT_TRUE(parseHeader(packet, refused)) << header;
    EXPECT_TRUE(refused.empty()) << header;
    return packet;
}

TEST_F(WireFormatTest, ParsesTheMethodLine) {
    const std::vector<std::string>& errors = errorsOfNode();
    struct Case {
        const char* methodLine;
        const char* method;
        const char* resource;
    };
    const Case cases[] = {
        {"GET  QEL/2.1", "GET", ""},  // an empty resource is not made "\"
        {"GET x QEL/2.1", "GET", "\\x"},
        {"GET \\a%20b QEL/2.1", "GET", "\\a b"},
        {"GET a/b QEL/2.1", "GET", "\\a\\b"},
        {"GET x", "GET", ""},  // no version word: no resource
        {"ping  QEL/2.1", "PING", ""},
        {"GETCONTENTS %2F QEL/2.1", "GETCONTENTS", "\\"},
        {"FILEINFO f QEL/2.1", "FILEINFO", "\\f"},
        {"RPC GetVersion QEL/2.1", "RPC", "GetVersion"},  // not a path
        {"CONFIRM  QEL/2.1", "CONFIRM", ""},
        {"get\xE9 r QEL/2.1", "GET\xE9", "r"},  // bytes above 127 keep their case
    };
    for (const Case& c : cases) {
        const clsPacket packet = parsed(std::string(c.methodLine) + "\r\n\r\n");
        EXPECT_EQ(packet.Method, c.method) << c.methodLine;
        EXPECT_EQ(packet.Resource, c.resource) << c.methodLine;
    }
    EXPECT_TRUE(errors.empty());
}

TEST_F(WireFormatTest, ParsesHeaderLinesIntoFields) {
    const clsPacket packet = parsed(
        "MSG  QEL/2.1\r\nName: a: b\r\nTTL: 20\r\nttl: 19\r\nFlags: kE , z\r\nEmpty: \r\n\r\n"
        "Ignored: after the blank line\r\n");
    EXPECT_EQ(fieldTexts(packet),
              (std::vector<std::string>{"Name: a: b", "TTL: 19", "Flags: kE , z", "Empty: "}));
    EXPECT_TRUE(hasFlag(packet, "KE"));
    EXPECT_TRUE(hasFlag(packet, "Z"));
    EXPECT_FALSE(hasFlag(packet, "NE"));
}

// A repeated name (any case) gives the first field of that name its value,
// whether the header is short or long enough to be read differently.
TEST_F(WireFormatTest, ARepeatedNameReachesItsFirstFieldInShortAndLongHeaders) {
    for (const int distinct : {1, 2, 23, 24, 25, 26, 100}) {
        std::string header = "MSG  QEL/2.1\r\n";
        for (int i = 0; i < distinct; ++i) {
            header += "Field" + std::to_string(i) + ": v" + std::to_string(i) + "\r\n";
        }
        const std::string last = std::to_string(distinct - 1);
        header +=
            "FIELD0: first again\r\nfield" + last + ": last again\r\nField0: first once more\r\n";
        header += "Late: new\r\nLATE: late again\r\n\r\n";
        const clsPacket packet = parsed(header);
        ASSERT_EQ(packet.Fields.size(), static_cast<size_t>(distinct) + 1) << distinct;
        EXPECT_EQ(packet.Fields.front().Name, "Field0") << distinct;
        EXPECT_EQ(packet.Fields.front().Data, "first once more") << distinct;
        if (distinct > 1) {
            EXPECT_EQ(packet.Fields[static_cast<size_t>(distinct) - 1].Data, "last again")
                << distinct;
        }
        EXPECT_EQ(packet.Fields.back().Name, "Late") << distinct;
        EXPECT_EQ(packet.Fields.back().Data, "late again") << distinct;
    }
}

// A header as long as the limit allows, of many short lines: each line must
// not cost a scan of the fields read before it.
TEST_F(WireFormatTest, ReadsAHeaderOfManyFieldsInLinearTime) {
    std::string header = "MSG  QEL/2.1\r\n";
    constexpr int Distinct = 60000;
    for (int i = 0; i < Distinct; ++i) {
        header += "F" + std::to_string(i) + ": v\r\n";
    }
    for (int i = 0; i < Distinct; ++i) {
        header += "Same: " + std::to_string(i) + "\r\n";
    }
    header += "\r\n";
    const clsPacket packet = parsed(header);
    ASSERT_EQ(packet.Fields.size(), static_cast<size_t>(Distinct) + 1);
    EXPECT_EQ(getText(packet, "f59999"), "v");
    EXPECT_EQ(getText(packet, "same"), std::to_string(Distinct - 1));
}

TEST_F(WireFormatTest, MalformedHeadersFailWithOneReport) {
    for (const char* header : {"NOSPACE\r\n\r\n", "MSG  QEL/2.1\r\nNo colon here\r\n\r\n",
                               "MSG  QEL/2.1\r\nName:tight\r\n\r\n"}) {
        clsPacket packet;
        packet.Header = header;
        std::vector<WireError> refused;
        EXPECT_EQ(reportedLine(parseHeader(packet, refused)),
                  "Error 5: Invalid procedure call or argument")
            << header;
    }
    EXPECT_TRUE(errorsOfNode().empty());  // returned, never reported
}

TEST_F(WireFormatTest, WritesTheMethodLineFieldsInOrderAndTheBody) {
    clsPacket confirm;
    confirm.Method = "confirm";
    AddField(confirm, "Destination", "N1");
    AddField(confirm, "Source-Node", "P1");
    EXPECT_EQ(writePacket(confirm),
              "CONFIRM  QEL/2.1\r\nDestination: N1\r\nSource-Node: P1\r\n\r\n");

    clsPacket file;
    file.Method = "FILE";
    file.Resource = "\\My Music\\line\nbreak\r.mp3";
    file.Data = "ab\r\n\r\ncd";
    AddField(file, "Content-Length", "8");
    EXPECT_EQ(writePacket(file),
              "FILE \\My%20Music\\line%0Abreak%0D.mp3 QEL/2.1\r\nContent-Length: 8\r\n\r\n"
              "ab\r\n\r\ncd");
    // The header alone, for a write that gathers it with the body.
    EXPECT_EQ(writeHeader(file) + file.Data, writePacket(file));
    EXPECT_EQ(writeHeader(confirm), writePacket(confirm));
}

TEST_F(WireFormatTest, WhatIsWrittenReadsBackTheSame) {
    clsPacket sent;
    sent.Method = "GETCONTENTS";
    sent.Resource = "\\Share name\\odd\nfile\r name";
    sent.Data = std::string("\0\xFF\r\n\r\nGET x QEL/2.1\r\n", 22);
    AddField(sent, "ID", "0123456789ABCDEF0123456789ABCDEF");
    AddField(sent, "Route", "A,B");
    AddField(sent, "Content-Length", std::to_string(sent.Data.size()));
    const std::string text = writePacket(sent);

    PacketFramer framer;
    framer.append(text);
    clsPacket received;
    ASSERT_EQ(framer.next(received), PacketFramer::Cut::Packet);
    EXPECT_EQ(received.Method, sent.Method);
    EXPECT_EQ(received.Resource, sent.Resource);
    EXPECT_EQ(fieldTexts(received), fieldTexts(sent));
    EXPECT_EQ(received.Data, sent.Data);
    EXPECT_EQ(writePacket(received), text);
    EXPECT_EQ(framer.bufferedBytes(), 0);
}

}  // namespace
}  // namespace qel::test
