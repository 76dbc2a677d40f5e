#include "core/util/utilities.h"
#include "core/state/keyed_collection.h"
#include "core/util/safe_local_name.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>

namespace tornel {
namespace {

TEST(UtilitiesTest, GetFileName) {
    const std::pair<const char*, const char*> cases[] = {
        {"D:", "D Drive"},        {"C:\\", "C Drive"},         {"\\share\\folder\\", ""},
        {"name.txt", "name.txt"}, {"\\a\\b.txt", "b.txt"},     {"/a/b.txt", "b.txt"},
        {"/home/u/", ""},         {"mixed/a\\b.txt", "b.txt"}, {"", ""},
        {"abc:def\\x", "x"},
    };
    for (const auto& [path, name] : cases) {
        EXPECT_EQ(getFileName(path), name) << path;
    }
}

TEST(UtilitiesTest, IsSystem) {
    const std::pair<const char*, bool> cases[] = {
        {"Thumbs.db", true},
        {"THUMBS.DB", true},
        {"thumbs.DB", true},
        {"\\RECYCLER\\", true},
        {"Recycled", true},
        {"AlbumArt_{1-2-3-4}_Large.jpg", true},
        {"AlbumArtSmall.jpg", false},
        {"desktop.ini", true},
        {"desktop.ini.bak", false},
        {"_RESTORE", true},
        {"System Volume Information", true},
        {"My Thumbs.db", false},
        {"", false},
    };
    for (const auto& [name, system] : cases) {
        EXPECT_EQ(isSystem(name), system) << name;
    }
}

TEST(UtilitiesTest, GuidsAre32UpperCaseHexDigits) {
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        const std::string id = GUID();
        ASSERT_EQ(id.size(), 32U) << id;
        for (const char c : id) {
            EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(c)) || (c >= 'A' && c <= 'F'))
                << id;
        }
        seen.insert(id);
    }
    EXPECT_EQ(seen.size(), 200U);
}

TEST(UtilitiesTest, GetSize) {
    struct Case {
        int64_t value;
        int64_t divisor;
        const char* text;
    };
    const Case cases[] = {
        {1536, 1024, "1.5 KB"},
        {1000, 1024, "1000 bytes"},
        {-1, 1024, "-1 bytes"},
        {0, 1024, "0 bytes"},
        {1023, 1024, "1023 bytes"},
        {1024, 1024, "1 KB"},
        {2147483647, 1024, "2 GB"},
        {2147483647, 1000, "2.1 GB"},
        {1280, 1024, "1.2 KB"},  // 1.25: the half goes to the even neighbour
        {1331, 1024, "1.3 KB"},
        {5LL * 1024 * 1024 * 1024 * 1024, 1024, "5120 GB"},  // no unit beyond GB
        {1500, 1000, "1.5 KB"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(getSize(c.value, 1, c.divisor), c.text) << c.value << " / " << c.divisor;
    }
}

TEST(UtilitiesTest, SafeLocalName) {
    const std::pair<std::string, std::string> cases[] = {
        {"report.txt", "report.txt"},
        {"\\UPLOAD\\report.txt", "report.txt"},
        {"../../etc/passwd", "passwd"},
        {"..", "Unnamed"},
        {".", "Unnamed"},
        {"", "Unnamed"},
        {"folder\\", "Unnamed"},
        {std::string("a\0b\r\n\x1f\x7f"
                     "c",
                     8),
         "abc"},
        {"\x01\x02", "Unnamed"},
        {"Grüße.txt", "Grüße.txt"},
    };
    for (const auto& [remote, local] : cases) {
        EXPECT_EQ(safeLocalName(remote), local) << remote;
    }
    EXPECT_EQ(safeLocalName("..", "file"), "file");
}

TEST(OrderedCollectionTest, KeepsOrderFindsByKeyAndPositionAndRefusesDuplicateKeys) {
    KeyedCollection<std::string> items;
    items.add("a", "A");
    items.add("unkeyed");
    items.add("b", "B");
    items.add("lower b", "b");  // keys compare exactly
    EXPECT_THROW(items.add("again", "A"), platform::RuntimeError);
    EXPECT_EQ(items.count(), 4U);
    EXPECT_EQ(items.item(1), "a");
    EXPECT_EQ(items.item("B"), "b");
    EXPECT_TRUE(itemExists("b", items));
    EXPECT_FALSE(itemExists("C", items));
    EXPECT_THROW(items.item(0), platform::RuntimeError);
    EXPECT_THROW(items.item(5), platform::RuntimeError);
    EXPECT_THROW(items.item("C"), platform::RuntimeError);

    items.remove("A");
    EXPECT_EQ(items.item("B"), "b");
    EXPECT_EQ(items.item(1), "unkeyed");
    items.remove(1);
    EXPECT_EQ(items.item("b"), "lower b");
    EXPECT_EQ(items.snapshot(), (std::vector<std::string>{"b", "lower b"}));
    items.add("a again", "A");
    EXPECT_EQ(items.item(3), "a again");
    items.clear();
    EXPECT_FALSE(items.exists("B"));
    EXPECT_EQ(items.count(), 0U);
}

}  // namespace
}  // namespace tornel
