#include "core_fixture.h"

#include "fields.h"
#include "packet.h"

#include <gtest/gtest.h>

namespace qel::test {
namespace {

using FieldsTest = CoreTest;

TEST_F(FieldsTest, NamesMatchWithoutCaseAndTheFirstFieldWins) {
    clsPacket packet;
    AddField(packet, "Flags", "NE");
    AddField(packet, "TTL", "20");
    AddField(packet, "ttl", "7");
    EXPECT_EQ(std::get<std::string>(GetField(packet, "flags", std::string())), "NE");
    EXPECT_EQ(getText(packet, "TTL"), "20");
    EXPECT_EQ(std::get<std::string>(GetField(packet, "Absent", std::string("dflt"))), "dflt");

    SetField(packet, "TTL", "19");
    EXPECT_EQ(fieldTexts(packet), (std::vector<std::string>{"Flags: NE", "TTL: 19", "ttl: 7"}));
    EXPECT_TRUE(errorsOfNode().empty());
}

TEST_F(FieldsTest, SettingAFieldThatIsPresentButEmptyChangesItInPlace) {
    clsPacket packet;
    AddField(packet, "Destination", "");
    AddField(packet, "Source", "S");
    EXPECT_EQ(getText(packet, "Destination", "none"), "none");  // empty counts as absent
    SetField(packet, "Destination", "D");
    SetField(packet, "Route", "R");
    EXPECT_EQ(fieldTexts(packet),
              (std::vector<std::string>{"Destination: D", "Source: S", "Route: R"}));
}

TEST_F(FieldsTest, StringArraysAreStoredAsBoundsAndElements) {
    clsPacket packet;
    AddField(packet, "Params", StringArray{"a", "b"});
    EXPECT_EQ(fieldTexts(packet), (std::vector<std::string>{"Params-Min: 0", "Params-Max: 1",
                                                            "Params0: a", "Params1: b"}));
    EXPECT_EQ(GetField(packet, "params", std::string()), Variant(StringArray{"a", "b"}));
    EXPECT_EQ(getText(packet, "Params", "text"), "text");  // text readers ignore the array rule

    std::vector<std::string>& errors = errorsOfNode();
    SetField(packet, "Params", "c");  // a field holding an array cannot change
    SetField(packet, "Params0", StringArray{"x"});
    EXPECT_EQ(errors,
              (std::vector<std::string>{"Error 13: Type mismatch",
                                        "Error -2147220990: Cannot update string array field"}));
    EXPECT_EQ(packet.Fields.size(), 4U);
}

TEST_F(FieldsTest, HostileArrayBoundsGiveEmptyWithoutAllocating) {
    const std::pair<const char*, const char*> bounds[] = {
        {"0", "2000000000"},  // far beyond the fields present
        {"0", "99"},          // beyond the fields present
        {"-5", "1"},         {"3", "1"}, {"x", "1"}, {"0", "9999999999"},
    };
    std::vector<std::string>& errors = errorsOfNode();
    for (const auto& [low, high] : bounds) {
        clsPacket packet;
        AddField(packet, "Params-Min", low);
        AddField(packet, "Params-Max", high);
        AddField(packet, "Params0", "a");
        errors.clear();
        EXPECT_TRUE(isEmpty(GetField(packet, "Params", std::string("dflt")))) << low << " " << high;
        EXPECT_EQ(errors.size(), 1U) << low << " " << high;
    }
    EXPECT_EQ(errors.back(), "Error 6: Overflow");
}

TEST_F(FieldsTest, LineBreaksAreRefusedAndLeaveThePacketAsItWas) {
    struct Case {
        void (*change)(clsPacket&);
        const char* error;
    };
    const Case cases[] = {
        {[](clsPacket& p) { AddField(p, "New", "a\r\nb"); },
         "Error -2147220991: New line characters illegal in header fields"},
        {[](clsPacket& p) { SetField(p, "Type", "a\r\nb"); },
         "Error -2147220991: New line characters not allowed in header fields"},
        {[](clsPacket& p) { AddField(p, "Bad\r\nName", "v"); },
         "Error -2147220991: New line characters illegal in header fields"},
        {[](clsPacket& p) { AddField(p, "Bad\nName", "v"); },
         "Error -2147220991: New line characters illegal in header fields"},
    };
    std::vector<std::string>& errors = errorsOfNode();
    for (const Case& c : cases) {
        clsPacket packet;
        AddField(packet, "Type", "chat");
        errors.clear();
        c.change(packet);
        EXPECT_EQ(errors, std::vector<std::string>{c.error});
        EXPECT_EQ(fieldTexts(packet), std::vector<std::string>{"Type: chat"});
    }

    clsPacket packet;  // a lone CR or LF is allowed in values
    AddField(packet, "Type", "a\rb\nc");
    EXPECT_EQ(getText(packet, "Type"), "a\rb\nc");

    // Only the bad element of an array is missing.
    AddField(packet, "P", StringArray{"ok", "bad\r\n"});
    EXPECT_EQ(packet.Fields.size(), 4U);
}

TEST_F(FieldsTest, AppendingBuildsACommaList) {
    clsPacket packet;
    AppendField(packet, "Flags", "C", ",");
    EXPECT_EQ(getText(packet, "Flags"), "C");
    AppendField(packet, "Flags", "RF", ",");
    EXPECT_EQ(getText(packet, "Flags"), "C,RF");
}

TEST_F(FieldsTest, FlagTests) {
    clsPacket packet;
    AddField(packet, "Flags", "NE, Z");
    EXPECT_TRUE(hasFlag(packet, "z"));
    EXPECT_TRUE(hasFlag(packet, "NE"));
    EXPECT_FALSE(hasFlag(packet, "Z "));  // the flag word is not trimmed
    EXPECT_FALSE(hasFlag(packet, "C"));
    EXPECT_FALSE(hasFlag(clsPacket(), ""));

    AddField(packet, "Flags-Max", "1");  // a peer cannot turn Flags into an array
    EXPECT_TRUE(hasFlag(packet, "Z"));
}

}  // namespace
}  // namespace qel::test
