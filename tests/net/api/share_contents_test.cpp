#include "share_contents.h"
#include "share_tree.h"
#include "wire_entries.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using platform::EntryKind;
using qel::getShareContents;
using qel::listFolder;
using qel::Session;
using qel::StringArray;
using qel::toWireEntry;
using qel::typShare;
using tornel::test::writeFile;

TEST(WireEntries, JoinNamesWithBackslashesAndLeaveOutNamesThatCannotTravel) {
    struct Case {
        const char* relative;
        EntryKind kind;
        const char* prefix;
        std::optional<std::string> entry;
    };
    const std::vector<Case> cases = {
        {"a", EntryKind::File, "\\", "\\a"},
        {"a", EntryKind::Folder, "\\", "\\a\\"},
        {"a/b/c", EntryKind::File, "", "a\\b\\c"},
        {"Album/x", EntryKind::File, "Music\\Rock\\", "Music\\Rock\\Album\\x"},
        {"a<b>/50% off", EntryKind::File, "", "a<b>\\50% off"},
        {"x\\y", EntryKind::File, "", std::nullopt},
        {"dir/x\\y", EntryKind::Folder, "", std::nullopt},
        {"c\rd", EntryKind::File, "", std::nullopt},
        {"c\nd", EntryKind::File, "", std::nullopt},
        {"dir/e</Contents>", EntryKind::File, "", "dir\\e<\\Contents>"},  // "/" separates names
        {"<settings>", EntryKind::Folder, "\\", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.relative);
        EXPECT_EQ(toWireEntry(c.relative, c.kind, c.prefix), c.entry);
    }
}

TEST(ShareListing, FoldersFirstThenFilesWithoutLinksOutOrSpecialFiles) {
    const qel::test::ShareTree tree;
    EXPECT_EQ(listFolder(tree.share(), false),
              (StringArray{"", "\\inlink\\", "\\sub\\", "\\b.txt", "\\song.mp3"}));
    EXPECT_EQ(listFolder(tree.path("share/sub"), false),
              (StringArray{"", "\\deeper\\", "\\inner.txt"}));
    EXPECT_EQ(listFolder(tree.path("missing"), false), StringArray{""});
}

TEST(ShareListing, RecursiveEntriesArePathsBelowTheFolder) {
    const qel::test::ShareTree tree;
    // inlink leads to sub, which is listed once, where it really lies.
    EXPECT_EQ(listFolder(tree.share(), true),
              (StringArray{"", "inlink\\", "sub\\", "sub\\deeper\\", "b.txt", "song.mp3",
                           "sub\\deeper\\x", "sub\\inner.txt"}));
    EXPECT_EQ(listFolder(tree.path("share/sub"), true, "P\\"),
              (StringArray{"", "P\\deeper\\", "P\\deeper\\x", "P\\inner.txt"}));
}

TEST(ShareListing, NamesThatCannotTravelAreLeftOutWithEverythingBelowThem) {
    const qel::test::ShareTree tree;
    tree.makeFolder("share/sub/bad\\dir");
    for (const char* name : {"a\\b", "c\nd", "<Settings>", "sub/bad\\dir/hidden"}) {
        writeFile(tree.path(std::string("share/") + name), "?");
    }
    EXPECT_EQ(listFolder(tree.share(), false),
              (StringArray{"", "\\inlink\\", "\\sub\\", "\\b.txt", "\\song.mp3"}));
    EXPECT_EQ(listFolder(tree.path("share/sub"), true),
              (StringArray{"", "deeper\\", "deeper\\x", "inner.txt"}));
}

TEST(ShareListing, ALinkLoopIsListedButNotEntered) {
    const qel::test::ShareTree tree;
    tree.link("..", "share/sub/deeper/up");
    const StringArray listing = listFolder(tree.path("share/sub"), true);
    EXPECT_EQ(listing, (StringArray{"", "deeper\\", "deeper\\up\\", "deeper\\x", "inner.txt"}));
}

class SeveralShares : public ::testing::Test {
  protected:
    SeveralShares() {
        tree.makeFolder("Music [2020]");
        tree.makeFolder("Music [2020]/Rock");
        tree.makeFolder("Music [2020]/Rock/Album");
        writeFile(tree.path("Music [2020]/Rock/Album/x"), "x");
        own.shares = {typShare{tree.path("share/sub"), "sub"},
                      typShare{tree.path("Music [2020]"), "Music [2020]"}};
        own.sharing = true;
    }

    qel::test::ShareTree tree;
    Session own;
};

TEST_F(SeveralShares, TheRootListsTheShares) {
    EXPECT_EQ(getShareContents(own, "\\", false), (StringArray{"", "\\sub\\", "\\Music [2020]\\"}));
    EXPECT_EQ(getShareContents(own, "\\", true),
              (StringArray{"", "sub\\", "sub\\deeper\\", "sub\\deeper\\x", "sub\\inner.txt",
                           "Music [2020]\\", "Music [2020]\\Rock\\", "Music [2020]\\Rock\\Album\\",
                           "Music [2020]\\Rock\\Album\\x"}));
}

TEST_F(SeveralShares, ListingsBelowAShareKeepThePathFromTheRoot) {
    EXPECT_EQ(getShareContents(own, "\\Music [2020]\\Rock\\", false),
              (StringArray{"", "\\Album\\"}));
    EXPECT_EQ(getShareContents(own, "/Music [2020]/Rock/", true),
              (StringArray{"", "Music [2020]\\Rock\\Album\\", "Music [2020]\\Rock\\Album\\x"}));
    EXPECT_EQ(getShareContents(own, "\\Music [2020]\\", true),
              (StringArray{"", "Music [2020]\\Rock\\", "Music [2020]\\Rock\\Album\\",
                           "Music [2020]\\Rock\\Album\\x"}));
}

TEST_F(SeveralShares, RefusedPathsAndANodeSharingNothingListElementZeroOnly) {
    for (const char* path : {"\\..\\", "\\sub\\..\\..\\", "\\sub\\inner.txt", "\\nothing\\"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(getShareContents(own, path, false), StringArray{""});
    }
    own.sharing = false;
    EXPECT_EQ(getShareContents(own, "\\", true), StringArray{""});
}

}  // namespace
