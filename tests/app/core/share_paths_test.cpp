#include "core/sharing/share_paths.h"

#include <gtest/gtest.h>

namespace tornel {
namespace {

TEST(SharePaths, LiesInsideComparesWholeComponents) {
    struct Case {
        const char* path;
        const char* folder;
        bool inside;
    };
    for (const Case& c : std::initializer_list<Case>{
             {"/home/a/b", "/home/a", true},
             {"/home/ab", "/home/a", false},
             {"/home/a", "/home/a", false},
             {"/b/a/c", "/a", false},
             {"/home/ann", "/", true},
             {"/", "/", false},
             {"/Home/a", "/home", false},
             {"/home", "/home/a", false},
             {"/x", "", false},
         }) {
        EXPECT_EQ(liesInside(c.path, c.folder), c.inside) << c.path << " in " << c.folder;
    }
}

ShareSet shares(std::initializer_list<const char*> paths) {
    ShareSet set;
    for (const char* path : paths) {
        set.add(path, path);
    }
    return set;
}

std::vector<std::string> items(const ShareSet& set) {
    return set.snapshot();
}

TEST(SharePaths, RationalisingKeepsOnlyTheOutermostShares) {
    ShareSet set = shares({"/m/jazz", "/b/a/c", "/m", "/a", "/m/rock/live"});
    rationaliseShares(set);
    EXPECT_EQ(items(set), (std::vector<std::string>{"/b/a/c", "/m", "/a"}));
    ShareSet everything = shares({"/home/ann", "/", "/srv"});
    rationaliseShares(everything);
    EXPECT_EQ(items(everything), std::vector<std::string>{"/"});
}

TEST(SharePaths, ParentsAndCoveredPathsFollowRealAncestry) {
    const ShareSet set = shares({"/home/ann/Music"});
    EXPECT_TRUE(partPath(set, "/home/ann"));
    EXPECT_TRUE(partPath(set, "/"));
    EXPECT_FALSE(partPath(set, "/home/an"));
    EXPECT_FALSE(partPath(set, "/home/ann/Music"));
    EXPECT_TRUE(coveredByShare(set, "/home/ann/Music/Jazz"));
    EXPECT_FALSE(coveredByShare(set, "/home/ann/Musical"));
}

}  // namespace
}  // namespace tornel
