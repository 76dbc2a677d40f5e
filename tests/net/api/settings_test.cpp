#include "qellib/settings.h"
#include "settings_text.h"
#include "support/file_contents.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <initializer_list>
#include <iterator>

using qel::cSettings;
using qel::StringArray;
using qel::Variant;
using tornel::test::readFile;
using tornel::test::writeFile;

namespace {

// Lines joined by CR LF, as the settings text joins them.
std::string lines(std::initializer_list<std::string> parts) {
    std::string text;
    for (const std::string& part : parts) {
        text += text.empty() ? part : "\r\n" + part;
    }
    return text;
}

cSettings reloaded(const cSettings& settings) {
    cSettings copy;
    EXPECT_TRUE(copy.LoadXML(settings.getXML()));
    return copy;
}

}  // namespace

TEST(SettingsText, IsWrittenByteForByte) {
    cSettings settings;
    EXPECT_EQ(settings.getXML(), "<Settings>\r\n</Settings>");
    EXPECT_EQ(settings.ListSections(), StringArray{""});

    settings.SaveSetting("Timeout", int64_t{1500});
    settings.SaveSetting("seeSelf", false);
    EXPECT_EQ(settings.getXML(),
              lines({"<Settings>", "  <Common>", "    <Timeout>1500</Timeout>",
                     "    <seeSelf>False</seeSelf>", "  </Common>", "</Settings>"}));
}

TEST(SettingsText, EveryStoredTextReadsBackExactly) {
    const std::string values[] = {
        "line1\r\nline2", "  leading and trailing  ",
        "a < b > c",      "x</b>y",
        "</Common>",      "<Settings>",
        "</Settings>",    "",
        "\xe9\t\\",
    };
    cSettings settings;
    for (size_t i = 0; i < std::size(values); ++i) {
        settings.SaveSetting("k" + std::to_string(i), values[i]);
    }
    settings.SaveSetting("Name", "x", "Section with spaces");
    settings.SaveSetting("Name", "y", "Settings");
    settings.SaveSetting("", "an empty key", "");

    const cSettings copy = reloaded(settings);
    for (size_t i = 0; i < std::size(values); ++i) {
        EXPECT_EQ(copy.GetSetting("k" + std::to_string(i)), Variant(values[i])) << values[i];
    }
    EXPECT_EQ(copy.GetSetting("", qel::Missing{}, ""), Variant("an empty key"));
    EXPECT_EQ(copy.getXML(), settings.getXML());
    EXPECT_EQ(copy.ListSections(), (StringArray{"", "Section with spaces", "Settings", ""}));
}

TEST(SettingsText, LookupsIgnoreCaseAndDefaultsApply) {
    cSettings settings;
    settings.SaveSetting("Timeout", int64_t{1500});
    EXPECT_EQ(settings.GetSetting("TIMEOUT", qel::Missing{}, "common"), Variant(int64_t{1500}));
    EXPECT_EQ(reloaded(settings).GetSetting("timeout"), Variant("1500"));
    EXPECT_EQ(settings.GetSetting("missing"), Variant(qel::Empty{}));
    EXPECT_EQ(settings.GetSetting("missing", "fallback"), Variant("fallback"));
    EXPECT_EQ(settings.GetSetting("Timeout", "fallback", "Other"), Variant("fallback"));
}

TEST(SettingsText, SavingAgainReplacesInPlaceUnlessEverySaveAdds) {
    cSettings settings;
    settings.SaveSetting("a", "1");
    settings.SaveSetting("b", "2");
    settings.SaveSetting("A", "3", "COMMON");
    EXPECT_EQ(settings.getXML(), lines({"<Settings>", "  <Common>", "    <a>3</a>", "    <b>2</b>",
                                        "  </Common>", "</Settings>"}));

    settings.ClearPrevOnSave(true);
    settings.SaveSetting("a", "4");
    EXPECT_EQ(settings.getXML(), lines({"<Settings>", "  <Common>", "    <a>3</a>", "    <b>2</b>",
                                        "    <a>4</a>", "  </Common>", "</Settings>"}));
    EXPECT_EQ(settings.GetSetting("a"), Variant("3"));
    EXPECT_EQ(reloaded(settings).GetSetting("a"), Variant("3"));
}

TEST(SettingsText, RefusedSavesLeaveTheStoreAlone) {
    const struct {
        std::string name;
        Variant value;
        std::string section;
    } refused[] = {
        {"has space", "v", "Common"},
        {"a<b", "v", "Common"},
        {"a>b", "v", "Common"},
        {"a\rb", "v", "Common"},
        {"a\nb", "v", "Common"},
        {"k", "v", "S<"},
        {"k", "v", "S>"},
        {"k", "v", "S\r\n"},
        {"Key", "x</key>y", "Common"},
        {"Key", "</KEY>", "Common"},
        {"k", StringArray{"a"}, "Common"},
        {"k", qel::Missing{}, "Common"},
        {"/Common", "v", "Common"},
        {"/common", "v", "COMMON"},
    };
    cSettings settings;
    settings.SaveSetting("Key", "kept");
    const std::string before = settings.getXML();
    for (const auto& r : refused) {
        settings.SaveSetting(r.name, r.value, r.section);
        EXPECT_EQ(settings.getXML(), before) << r.name << " in " << r.section;
    }
    settings.SaveSetting("k", "v", "Section name with spaces");
    EXPECT_NE(settings.getXML(), before);
}

TEST(SettingsText, ReaderRules) {
    const struct {
        std::string text;
        bool complete;
        std::string store;  // getXML of what was read
    } cases[] = {
        // An end tag in another case leaves the section open and reads as a blank entry.
        {"<Settings><Common><a>1</a></common></Settings>", true,
         lines({"<Settings>", "  <Common>", "    <a>1</a>", "    <></>", "  </Common>",
                "</Settings>"})},
        // An entry without an end tag stops the read; what came before stays.
        {"<Settings><Common><a>1</a><b>2", false,
         lines({"<Settings>", "  <Common>", "    <a>1</a>", "  </Common>", "</Settings>"})},
        {"<Common><a>1</a><b", false,
         lines({"<Settings>", "  <Common>", "    <a>1</a>", "  </Common>", "</Settings>"})},
        {"<Common", false, "<Settings>\r\n</Settings>"},
        // An element outside a section is an empty section named by its key.
        {"<Settings><a>1</a></Settings>", true,
         lines({"<Settings>", "  <a>", "  </a>", "</Settings>"})},
        // A section that never closes runs to the end.
        {"<A><k>v</k>", true,
         lines({"<Settings>", "  <A>", "    <k>v</k>", "  </A>", "</Settings>"})},
        // A value holding "</b>" reads whole; a tag with no end of its own reads as blank.
        {"<A><k>x</b>y</K></A><B><k>v</j></B>", true,
         lines({"<Settings>", "  <A>", "    <k>x</b>y</k>", "  </A>", "  <B>", "    <></>",
                "  </B>", "</Settings>"})},
        // Only the outermost root tags are markup.
        {"<Settings><A><k><Settings></k></A></Settings>", true,
         lines({"<Settings>", "  <A>", "    <k><Settings></k>", "  </A>", "</Settings>"})},
        {"", true, "<Settings>\r\n</Settings>"},
        {"no tags at all", true, "<Settings>\r\n</Settings>"},
    };
    for (const auto& c : cases) {
        cSettings settings;
        settings.SaveSetting("old", "gone");
        EXPECT_EQ(settings.LoadXML(c.text), c.complete) << c.text;
        EXPECT_EQ(settings.getXML(), c.store) << c.text;
    }
}

// A text of tiny tags builds no more than a store can hold: reading stops at
// the first section, entry or byte beyond the bounds, as at a tag that never
// closes (the load fails, what was read before stays).
TEST(SettingsText, ReadingStopsAtTheBoundsOfWhatItBuilds) {
    namespace st = qel::settings_text;
    const auto repeat = [](const std::string& piece, size_t times) {
        std::string text;
        text.reserve(piece.size() * times);
        for (size_t i = 0; i < times; ++i) {
            text += piece;
        }
        return text;
    };
    struct Row {
        std::string name;
        std::string text;
        size_t sections;
        size_t entries;
    };
    const Row rows[] = {
        {"sections", repeat("<s></s>", st::MaxSections + 10), st::MaxSections, 0},
        {"entries", "<s>" + repeat("<a>1</a>", st::MaxEntries + 10) + "</s>", 1, st::MaxEntries},
        {"entries across sections", repeat("<s><a>1</a><b>2</b><c>3</c></s>", st::MaxEntries),
         st::MaxEntries / 3 + 1, st::MaxEntries},  // the last one cut short
        {"bytes", "<s>" + repeat("<a>" + std::string(1024 * 1024, 'v') + "</a>", 40) + "</s>", 1,
         st::MaxReadBytes / (1024 * 1024 + 1)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const st::ReadResult read = st::readSettingsText(row.text);
        EXPECT_FALSE(read.complete);
        size_t entries = 0;
        for (const st::TextSection& section : read.sections) {
            entries += section.entries.size();
        }
        EXPECT_EQ(read.sections.size(), row.sections);
        EXPECT_EQ(entries, row.entries);
        cSettings store;
        EXPECT_FALSE(store.LoadXML(row.text));
    }

    // Within the bounds the same texts read whole.
    const st::ReadResult within = st::readSettingsText(repeat("<s><a>1</a></s>", 100));
    EXPECT_TRUE(within.complete);
    EXPECT_EQ(within.sections.size(), 100U);

    // A visit counts over the whole text, whatever the visitor lets go.
    size_t visited = 0;
    st::ReadBounds few;
    few.sections = 5;
    EXPECT_FALSE(st::visitSettingsSections(
        repeat("<s></s>", 10), [&](st::TextSection&&) { ++visited; }, few));
    EXPECT_EQ(visited, 5U);
}

TEST(SettingsText, RepeatedSectionsStayTwoAndLookupsUseTheFirst) {
    cSettings settings;
    ASSERT_TRUE(settings.LoadXML("<S><a>1</a></S><s><a>2</a><b>3</b></s>"));
    EXPECT_EQ(settings.ListSections(), (StringArray{"", "S", "s"}));
    EXPECT_EQ(settings.GetSetting("a", qel::Missing{}, "S"), Variant("1"));
    EXPECT_EQ(settings.GetSetting("b", qel::Missing{}, "S"), Variant("3"));
    settings.SaveSetting("c", "4", "s");
    EXPECT_EQ(settings.getXML(),
              lines({"<Settings>", "  <S>", "    <a>1</a>", "    <c>4</c>", "  </S>", "  <s>",
                     "    <a>2</a>", "    <b>3</b>", "  </s>", "</Settings>"}));
}

TEST(SettingsText, ListSectionsLeavesOutCommonInAnySpelling) {
    cSettings settings;
    ASSERT_TRUE(settings.LoadXML("<Common></Common><common></common><X></X><COMMON></COMMON>"));
    EXPECT_EQ(settings.ListSections(), (StringArray{"", "X"}));
    EXPECT_EQ(settings.ListSections(true), (StringArray{"", "Common", "common", "X", "COMMON"}));
}

TEST(SettingsArrays, RoundTripWithCountAsUpperBound) {
    cSettings settings;
    settings.SaveSettingArray("Contents", {"a\\", "b", "c"});
    EXPECT_EQ(settings.getXML(),
              lines({"<Settings>", "  <Contents>", "    <Count>2</Count>", "    <0>a\\</0>",
                     "    <1>b</1>", "    <2>c</2>", "  </Contents>", "</Settings>"}));
    EXPECT_EQ(reloaded(settings).GetSettingArray("contents"), (StringArray{"a\\", "b", "c"}));

    settings.SaveSettingArray("Empty", {});
    EXPECT_EQ(reloaded(settings).GetSettingArray("Empty", StringArray{"default"}), StringArray{});

    StringArray large;
    for (int i = 0; i < 40000; ++i) {
        large.push_back("entry " + std::to_string(i));
    }
    settings.SaveSettingArray("Large", large);
    EXPECT_EQ(reloaded(settings).GetSettingArray("Large"), large);
}

TEST(SettingsArrays, MissingArraysGiveTheDefaultOrNothing) {
    cSettings settings;
    settings.SaveSetting("Other", "x", "NoCount");
    EXPECT_EQ(settings.GetSettingArray("Absent"), StringArray{});
    EXPECT_EQ(settings.GetSettingArray("NoCount"), StringArray{});
    EXPECT_EQ(settings.GetSettingArray("Absent", StringArray{"d"}), StringArray{"d"});
    EXPECT_EQ(settings.GetSettingArray("Absent", "not an array"), StringArray{});
}

TEST(SettingsArrays, CountFromATextIsBoundedByWhatIsThere) {
    const struct {
        std::string section;
        StringArray expected;
    } cases[] = {
        {"<Count>2000000000</Count><0>a</0><1>b</1>", {"a", "b", ""}},
        {"<Count>9223372036854775807</Count><0>a</0>", {"a", ""}},
        {"<Count>2</Count><0>a</0><2>c</2>", {"a", "", "c"}},  // a lost element reads as ""
        {"<Count>0</Count><0>a</0><1>b</1>", {"a"}},
        {"<Count>-5</Count><0>a</0>", {}},
        {"<Count>many</Count><0>a</0>", {}},
        {"<Count>99999999999999999999</Count><0>a</0>", {}},
    };
    for (const auto& c : cases) {
        cSettings settings;
        ASSERT_TRUE(settings.LoadXML("<Settings><A>" + c.section + "</A></Settings>"));
        EXPECT_EQ(settings.GetSettingArray("A"), c.expected) << c.section;
    }
}

// The array text written and read without a store is the store's own: the
// same bytes as SaveSettingArray and getXML, the same elements as LoadXML
// and GetSettingArray, and any text of another shape is left to the store.
TEST(SettingsArrays, ArrayTextIsTheStoresTextWrittenAndReadDirectly) {
    StringArray large{""};
    for (int i = 0; i < 3000; ++i) {
        large.push_back("Album " + std::to_string(i) + "\\track <b>.mp3");
    }
    const struct {
        std::string key;
        StringArray values;
    } arrays[] = {
        {"Contents", {""}},
        {"Contents", {"", "a\\", "<Settings>", "x</1>y", "</Contents>", "\r\n"}},
        {"Contents", {"", "own end tag </1> is refused", "b"}},
        {"Contents", {}},
        {"Con<tents", {"", "a"}},
        {"Contents", large},
    };
    for (const auto& array : arrays) {
        cSettings settings;
        settings.SaveSettingArray(array.key, array.values);
        const std::string text = qel::settings_text::arrayText(array.key, array.values);
        EXPECT_EQ(text, settings.getXML()) << array.key << " " << array.values.size();

        cSettings loaded;
        loaded.LoadXML(text);
        const StringArray stored = loaded.GetSettingArray(array.key, StringArray(1));
        if (const auto read = qel::settings_text::readArrayText(text, array.key)) {
            EXPECT_EQ(*read, stored);
        }
    }
    EXPECT_EQ(qel::settings_text::readArrayText(qel::settings_text::arrayText("Contents", large),
                                                "Contents"),
              large);

    // Texts the direct reader leaves to the store, and what the store reads.
    const std::string canonical =
        lines({"<Settings>", "  <Contents>", "    <Count>1</Count>", "    <0></0>", "    <1>a</1>",
               "  </Contents>", "</Settings>"});
    const auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = canonical;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    ASSERT_EQ(qel::settings_text::readArrayText(canonical, "Contents"), (StringArray{"", "a"}));
    for (const std::string& text :
         {replaced("<Count>1", "<Count>01"), replaced("<Count>1", "<Count>2"),
          replaced("<Count>1", "<Count>0"), replaced("<1>a</1>", "<2>a</2>"),
          replaced("<1>a</1>", "<1>a</1><1>b</1>"), replaced("<Contents>", "<contents>"),
          replaced("</Settings>", "</Settings> "), replaced("<0></0>", "<0>a</0 >"),
          replaced("  </Contents>", "  </Contents>\r\n  <Contents>"),
          replaced("<Count>1</Count>", "<COUNT>1</count>")}) {
        EXPECT_FALSE(qel::settings_text::readArrayText(text, "Contents").has_value()) << text;
    }
}

TEST(SettingsDelete, RenumbersEntriesAndDropsEmptySections) {
    cSettings settings;
    settings.SaveSetting("a", "1");
    settings.SaveSetting("b", "2");
    settings.SaveSetting("only", "x", "Lonely");
    settings.SaveSetting("c", "3");
    settings.DeleteSetting("B");
    settings.DeleteSetting("missing");
    settings.DeleteSetting("a", "Lonely");
    EXPECT_EQ(settings.getXML(),
              lines({"<Settings>", "  <Common>", "    <a>1</a>", "    <c>3</c>", "  </Common>",
                     "  <Lonely>", "    <only>x</only>", "  </Lonely>", "</Settings>"}));

    settings.DeleteSetting("only", "LONELY");
    settings.SaveSetting("c", "4");
    settings.SaveSetting("d", "5");
    EXPECT_EQ(settings.ListSections(true), (StringArray{"", "Common"}));
    EXPECT_EQ(settings.getXML(), lines({"<Settings>", "  <Common>", "    <a>1</a>", "    <c>4</c>",
                                        "    <d>5</d>", "  </Common>", "</Settings>"}));
}

TEST(SettingsDelete, AnEntryListedTwiceLeavesBothSections) {
    cSettings settings;
    ASSERT_TRUE(settings.LoadXML("<S><a>1</a></S><S><b>2</b><c>3</c></S>"));
    settings.SaveSetting("b", "4", "S");  // b is now listed in the first S too
    settings.DeleteSetting("b", "S");
    EXPECT_EQ(settings.getXML(), lines({"<Settings>", "  <S>", "    <a>1</a>", "  </S>", "  <S>",
                                        "    <c>3</c>", "  </S>", "</Settings>"}));
}

TEST(SettingsFile, SaveReplacesALongerFileAndLoadsBack) {
    tornel::test::TempFolder folder;
    const std::string path = folder.file("Settings.xml");
    writeFile(path, std::string(100000, 'x'));

    cSettings settings;
    settings.SaveSetting("Timeout", int64_t{1500});
    settings.SaveSettings(path);
    EXPECT_EQ(readFile(path), settings.getXML());
    EXPECT_EQ(settings.ListSections(), (StringArray{"", "FileInfo"}));

    cSettings loaded;
    ASSERT_TRUE(loaded.LoadSettings(path));
    EXPECT_EQ(loaded.getXML(), settings.getXML());
    EXPECT_EQ(loaded.GetSetting("XMLSettingsVer", qel::Missing{}, "FileInfo"), Variant("2.4"));
    EXPECT_EQ(loaded.GetSetting("AppBuild", qel::Missing{}, "FileInfo"), Variant("246"));
    EXPECT_EQ(loaded.GetSetting("AppName", qel::Missing{}, "FileInfo"), Variant("QEL"));
    const Variant lastSaved = loaded.GetSetting("LastSaved", qel::Missing{}, "FileInfo");
    EXPECT_TRUE(qel::parseDate(std::get<std::string>(lastSaved)))
        << std::get<std::string>(lastSaved);
}

TEST(SettingsFile, FailedLoadsAndSavesKeepTheStore) {
    tornel::test::TempFolder folder;
    cSettings settings;
    settings.SaveSetting("kept", "yes");
    EXPECT_FALSE(settings.LoadSettings(folder.file("missing.xml")));
    EXPECT_FALSE(settings.LoadSettings(folder.path()));
    EXPECT_EQ(settings.GetSetting("kept"), Variant("yes"));

    settings.SaveSettings(folder.file("no/such/folder/Settings.xml"));
    EXPECT_EQ(settings.ListSections(), (StringArray{"", "FileInfo"}));

    writeFile(folder.file("empty.xml"), "");
    EXPECT_TRUE(settings.LoadSettings(folder.file("empty.xml")));
    EXPECT_EQ(settings.getXML(), "<Settings>\r\n</Settings>");
}
