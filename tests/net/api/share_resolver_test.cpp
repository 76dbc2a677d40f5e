#include "share_resolver.h"
#include "share_tree.h"

#include "platform/files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using platform::EntryKind;
using qel::resolveSharedFile;
using qel::resolveSharedFolder;
using qel::resolveSharedPath;
using qel::Session;
using qel::SharedTarget;
using qel::typShare;

class ShareResolver : public ::testing::Test {
  protected:
    ShareResolver() {
        own.shares = {typShare{tree.share(), "share"}};
        own.sharing = true;
    }

    // The canonical local path the tree's relative path stands for.
    std::string canonical(const std::string& relative) const {
        return platform::resolvedPath(tree.path(relative)).value_or("?");
    }

    qel::test::ShareTree tree;
    Session own;
};

TEST_F(ShareResolver, ResolvesPathsInsideTheShare) {
    struct Case {
        const char* resource;
        const char* local;
        const char* pathInShare;
        EntryKind kind;
    };
    const std::vector<Case> cases = {
        {"\\song.mp3", "share/song.mp3", "song.mp3", EntryKind::File},
        {"\\", "share", "", EntryKind::Folder},
        {"", "share", "", EntryKind::Folder},
        {"\\sub\\", "share/sub", "sub", EntryKind::Folder},
        {"\\sub\\.\\inner.txt", "share/sub/inner.txt", "sub\\inner.txt", EntryKind::File},
        {"\\\\sub\\\\inner.txt", "share/sub/inner.txt", "sub\\inner.txt", EntryKind::File},
        {"/sub/deeper/x", "share/sub/deeper/x", "sub\\deeper\\x", EntryKind::File},
        {"\\inlink\\inner.txt", "share/sub/inner.txt", "inlink\\inner.txt", EntryKind::File},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.resource);
        const std::optional<SharedTarget> target = resolveSharedPath(own, c.resource);
        ASSERT_TRUE(target.has_value());
        EXPECT_EQ(target->localPath, canonical(c.local));
        EXPECT_EQ(target->pathInShare, c.pathInShare);
        EXPECT_EQ(target->kind, c.kind);
        EXPECT_EQ(target->shareIndex, 0U);
    }
    EXPECT_EQ(resolveSharedFile(own, "\\song.mp3")->size, 8);
}

TEST_F(ShareResolver, RefusesEverythingThatLeavesTheShareOrIsNoFileOrFolder) {
    for (const char* resource :
         {"\\..\\x", "\\a\\..\\..\\x", "%2e%2e%5cx", "%252e%252e\\x", "\\..", "..",
          "\\sub\\..\\song.mp3",  // ".." is refused even when it stays inside
          "\\x%00y", "\\song.mp3%00", "\\song.mp3%0D", "\\song.mp3\n", "/etc/passwd",
          "\\out\\secret", "\\out\\", "\\outfile", "\\pipe", "\\missing"}) {
        SCOPED_TRACE(resource);
        EXPECT_FALSE(resolveSharedPath(own, resource).has_value());
    }
}

TEST_F(ShareResolver, KindsAreChecked) {
    EXPECT_TRUE(resolveSharedFile(own, "\\b.txt").has_value());
    EXPECT_FALSE(resolveSharedFolder(own, "\\b.txt").has_value());
    EXPECT_TRUE(resolveSharedFolder(own, "\\sub").has_value());
    EXPECT_FALSE(resolveSharedFile(own, "\\sub").has_value());
}

TEST_F(ShareResolver, ANodeThatSharesNothingResolvesNothing) {
    own.sharing = false;
    EXPECT_FALSE(resolveSharedPath(own, "\\song.mp3").has_value());
    own.shares = {typShare()};  // the blank record of an emptied table
    own.sharing = true;
    EXPECT_FALSE(resolveSharedPath(own, "\\song.mp3").has_value());
    EXPECT_FALSE(resolveSharedPath(own, "\\etc\\passwd").has_value());
}

TEST_F(ShareResolver, SeveralSharesAreChosenByTheirExactName) {
    tree.makeFolder("Music [2020]");
    tornel::test::writeFile(tree.path("Music [2020]/track"), "t");
    own.shares.push_back(typShare{tree.path("Music [2020]"), "Music [2020]"});

    const auto track = resolveSharedFile(own, "\\Music [2020]\\track");
    ASSERT_TRUE(track.has_value());
    EXPECT_EQ(track->shareIndex, 1U);
    EXPECT_EQ(track->pathInShare, "track");
    const auto inner = resolveSharedFile(own, "\\share\\sub\\inner.txt");
    ASSERT_TRUE(inner.has_value());
    EXPECT_EQ(inner->shareIndex, 0U);
    EXPECT_EQ(inner->pathInShare, "sub\\inner.txt");

    // No share matches: the path lies in share 0 as it is.
    EXPECT_EQ(resolveSharedFile(own, "\\song.mp3")->shareIndex, 0U);
    EXPECT_FALSE(resolveSharedPath(own, "\\music [2020]\\track").has_value());
    EXPECT_FALSE(resolveSharedPath(own, "\\Music [2020]\\..\\share\\b.txt").has_value());
}

}  // namespace
