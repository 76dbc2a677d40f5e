#include "orvdll/search.h"

#include "find_api.h"
#include "support/temp_folder.h"

#include "platform/event_loop.h"
#include "platform/runtime_error.h"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

using Paths = std::vector<std::string>;

class SearchTest : public testing::Test {
  protected:
    // Makes the folders and files named, relative to the temporary folder;
    // a name ending in "/" is a folder.
    void make(const Paths& names) const {
        for (const std::string& name : names) {
            if (name.ends_with('/')) {
                ASSERT_EQ(::mkdir(at(name).c_str(), 0755), 0) << name;
            } else {
                std::ofstream(at(name)) << name;
            }
        }
    }
    void link(const std::string& target, const std::string& name) const {
        ASSERT_EQ(::symlink(target.c_str(), at(name).c_str()), 0) << name;
    }
    std::string at(const std::string& name) const { return root.file(name); }
    // Element 0 followed by each name under the temporary folder.
    Paths expected(const Paths& names) const {
        Paths paths{""};
        for (const std::string& name : names) {
            paths.push_back(at(name));
        }
        return paths;
    }

    tornel::test::TempFolder root;
    orv::cSearch search;
};

}  // namespace

TEST_F(SearchTest, PathGetsItsSeparatorAndPrefixesEveryResult) {
    make({"data/", "data/b.txt", "data/A.txt"});
    std::string path = at("data");
    EXPECT_EQ(search.FindFiles(path, "*.*", false), expected({"data/A.txt", "data/b.txt"}));
    EXPECT_EQ(path, at("data/"));
    EXPECT_EQ(search.FindFiles(path, "*.*", false).size(), 3U);
    EXPECT_EQ(path, at("data/"));  // already ending in "/": unchanged

    std::string top;
    const Paths atTop = search.FindFolders(top, false);
    EXPECT_EQ(top, "/");
    EXPECT_NE(std::find(atTop.begin(), atTop.end(), "/tmp"), atTop.end());
}

TEST_F(SearchTest, FoldersWithNothingToListGiveOnlyElementZero) {
    make({"empty/", "dots/", "dots/.hidden", "dots/.git/", "dots/.git/config", "locked/",
          "locked/inside/"});
    ::chmod(at("locked").c_str(), 0);
    search.setLastFindErr("earlier");
    for (const char* folder : {"empty", "dots", "missing", "locked"}) {
        if (std::string(folder) == "locked" && ::geteuid() == 0) {
            continue;  // mode 000 does not stop root
        }
        std::string path = at(folder);
        EXPECT_EQ(search.FindFiles(path, "*.*", true), Paths{""}) << folder;
        path = at(folder);
        EXPECT_EQ(search.FindFolders(path, true), Paths{""}) << folder;
    }
    ::chmod(at("locked").c_str(), 0755);
    EXPECT_EQ(search.LastFindErr(), "earlier");
}

TEST_F(SearchTest, RecursionIsDepthFirstAndSortedByFoldedName) {
    make({"A/", "A/D/", "A/b/", "A/b/C/", "A/b/a/", "A/B/", "A/1.txt", "A/b/2.txt", "A/D/3.txt"});
    std::string path = at("A");
    EXPECT_EQ(search.FindFolders(path, true), expected({"A/B", "A/b", "A/b/a", "A/b/C", "A/D"}));
    path = at("A");
    EXPECT_EQ(search.FindFolders(path, false), expected({"A/B", "A/b", "A/D"}));
    path = at("A");
    EXPECT_EQ(search.FindFiles(path, "*.*", true), expected({"A/1.txt", "A/b/2.txt", "A/D/3.txt"}));
}

TEST_F(SearchTest, RecursiveFileSearchEntersOnlyFoldersMatchingThePattern) {
    make({"t/", "t/a.TXT", "t/b.doc", "t/sub/", "t/sub/c.txt", "t/x.txt/", "t/x.txt/d.txt",
          "t/x.txt/e.doc"});
    std::string path = at("t");
    EXPECT_EQ(search.FindFiles(path, "*.txt", true), expected({"t/a.TXT", "t/x.txt/d.txt"}));
    path = at("t");
    EXPECT_EQ(search.FindFiles(path, "*.txt", false), expected({"t/a.TXT"}));
}

TEST_F(SearchTest, LinkCyclesEndAndOnlyFilesAndFoldersAreListed) {
    make({"A/", "A/sub/", "A/real.txt"});
    link(".", "A/self1");
    link(".", "A/self2");
    link("..", "A/sub/back");
    link("../real.txt", "A/sub/alias.txt");
    link("nowhere", "A/dangling");
    ASSERT_EQ(::mkfifo(at("A/pipe").c_str(), 0644), 0);
    std::string path = at("A");
    EXPECT_EQ(search.FindFolders(path, true),
              expected({"A/self1", "A/self2", "A/sub", "A/sub/back"}));
    path = at("A");
    EXPECT_EQ(search.FindFiles(path, "*.*", true), expected({"A/real.txt", "A/sub/alias.txt"}));
}

// Folders holding links to each of their siblings and to their parent: a
// walk that entered every link would go down every ordering of the siblings.
TEST_F(SearchTest, EachRealFolderIsWalkedOnceHoweverManyLinksLeadToIt) {
    constexpr int Siblings = 6;
    Paths folders;
    Paths files;
    make({"top/"});
    for (int i = 0; i < Siblings; ++i) {
        const std::string folder = "top/d" + std::to_string(i);
        make({folder + "/", folder + "/f" + std::to_string(i) + ".txt"});
        folders.push_back(folder);
        files.push_back(folder + "/f" + std::to_string(i) + ".txt");
    }
    for (int i = 0; i < Siblings; ++i) {
        const std::string folder = "top/d" + std::to_string(i);
        link("..", folder + "/up");
        for (int j = 0; j < Siblings; ++j) {
            if (j != i) {
                link("../d" + std::to_string(j), folder + "/link" + std::to_string(j));
            }
        }
    }
    std::string path = at("top");
    const Paths found = search.FindFiles(path, "*.*", true);
    EXPECT_EQ(found, expected(files));  // each where it really lies
    path = at("top");
    EXPECT_EQ(search.FindFolders(path, false), expected(folders));
    path = at("top");
    const Paths walk = search.FindFolders(path, true);
    // Each folder listed as met: the six, the links in the first, the links
    // seen in each folder reached through them, and the "up" links.
    EXPECT_EQ(walk.size(), 1U + Siblings + Siblings * Siblings);
}

TEST_F(SearchTest, AWalkHandsOnEachFileAsFoundWithinItsBounds) {
    make({"w/", "w/a.txt", "w/b/", "w/b/c.txt", "w/b/d.txt", "w/e/", "w/e/f.txt", "w/g.txt"});
    link("../b", "w/e/again");
    std::string path = at("w");
    const Paths listed = search.FindFiles(path, "*.*", true);
    ASSERT_EQ(listed.size(), 6U);

    Paths streamed{""};
    path = at("w");
    const orv::cSearch::WalkOutcome whole = search.WalkFiles(path, [&](const std::string& file) {
        streamed.push_back(file);
        return true;
    });
    EXPECT_EQ(path, at("w/"));
    EXPECT_EQ(streamed, listed);
    EXPECT_EQ(whole.end, orv::cSearch::WalkEnd::Complete);
    EXPECT_EQ(whole.entries, 8);  // "again" is met, and b not walked twice

    const auto walkWith = [&](const orv::cSearch::WalkBounds& bounds, int stopAfter) {
        Paths got;
        std::string from = at("w");
        const orv::cSearch::WalkOutcome outcome = search.WalkFiles(
            from,
            [&](const std::string& file) {
                got.push_back(file);
                return static_cast<int>(got.size()) < stopAfter;
            },
            bounds);
        return std::pair(outcome, got.size());
    };
    const int64_t now = platform::tickCount();
    const struct {
        const char* what;
        orv::cSearch::WalkBounds bounds;
        int stopAfter;
        orv::cSearch::WalkEnd end;
        int64_t entries;
        size_t files;
    } cases[] = {
        {"the sink stops it", {}, 2, orv::cSearch::WalkEnd::Stopped, 3, 2},
        {"entry bound", {3, INT64_MAX}, 100, orv::cSearch::WalkEnd::Bounded, 3, 2},
        {"entry bound at the end", {8, INT64_MAX}, 100, orv::cSearch::WalkEnd::Complete, 8, 5},
        {"deadline passed", {INT64_MAX, now}, 100, orv::cSearch::WalkEnd::Bounded, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto [outcome, files] = walkWith(c.bounds, c.stopAfter);
        EXPECT_EQ(outcome.end, c.end);
        EXPECT_EQ(outcome.entries, c.entries);
        EXPECT_EQ(files, c.files);
    }

    orv::ScopedFolderReader failing([](const std::string&) -> platform::FolderListing {
        throw platform::RuntimeError(platform::rt::PermissionDenied);
    });
    path = at("w");
    EXPECT_EQ(search.WalkFiles(path, [](const std::string&) { return true; }).end,
              orv::cSearch::WalkEnd::Failed);
    EXPECT_EQ(search.LastFindErr(), "Permission denied");
}

TEST_F(SearchTest, ConfinedSearchSkipsLinksLeadingOutOfItsFolder) {
    make({"share/", "share/in/", "share/in/a.txt", "outside/", "outside/secret.txt"});
    link("in", "share/inLink");
    link("in/a.txt", "share/fileLink");
    link("../outside", "share/outLink");
    link("../outside/secret.txt", "share/outFile");
    std::string path = at("share");
    // Every link followed; "in" is walked once, so not again as inLink.
    EXPECT_EQ(search.FindFiles(path, "*.*", true),
              expected({"share/fileLink", "share/in/a.txt", "share/outFile",
                        "share/outLink/secret.txt"}));
    search.setConfinedToPath(true);
    path = at("share");
    EXPECT_EQ(search.FindFiles(path, "*.*", true), expected({"share/fileLink", "share/in/a.txt"}));
    path = at("share");
    EXPECT_EQ(search.FindFolders(path, true), expected({"share/in", "share/inLink"}));
}

TEST_F(SearchTest, DeepTreeNeedsNoDescriptorPerLevel) {
    std::string relative;
    Paths levels;
    for (int i = 0; i < 300; ++i) {
        relative += "d/";
        make({relative});
        levels.push_back(relative.substr(0, relative.size() - 1));
    }
    rlimit limits{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limits), 0);
    rlimit few = limits;
    few.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &few), 0);
    std::string path = root.path();
    const Paths found = search.FindFolders(path, true);
    ::setrlimit(RLIMIT_NOFILE, &limits);
    EXPECT_EQ(found, expected(levels));
}

TEST_F(SearchTest, SearchStartedByAnEventHandlerMidSearchIsIndependent) {
    make({"x/", "x/1/", "x/1/f", "x/2/", "x/2/g", "y/", "y/h"});
    Paths nested;
    std::string outerPath = at("x");
    QTimer::singleShot(0, qApp, [&] {
        outerPath = "/changed/by/the/handler";
        std::string nestedPath = at("y");
        nested = search.FindFiles(nestedPath, "*.*", true);
    });
    const Paths outer = search.FindFiles(outerPath, "*.*", true);
    EXPECT_EQ(nested, expected({"y/h"}));
    EXPECT_EQ(outer, expected({"x/1/f", "x/2/g"}));
}

TEST_F(SearchTest, FailuresEndTheirLevelAndOnlyATopLevelOneIsReported) {
    make({"top/", "top/a/", "top/a/in_a", "top/b/", "top/b/in_b", "top/c"});
    const std::string failing = at("top/a/");
    orv::ScopedFolderReader reader([&](const std::string& folder) {
        if (folder == failing) {
            throw platform::RuntimeError(platform::rt::PermissionDenied);
        }
        return platform::readFolder(folder, platform::FolderDetail::Kinds);
    });
    std::string path = at("top");
    EXPECT_EQ(search.FindFiles(path, "*.*", true), expected({"top/b/in_b", "top/c"}));
    EXPECT_EQ(search.LastFindErr(), "");

    path = failing;
    EXPECT_TRUE(search.FindFiles(path, "*.*", false).empty());  // not even element 0
    EXPECT_EQ(search.LastFindErr(), "Permission denied");
    path = at("top");
    EXPECT_EQ(search.FindFolders(path, false), expected({"top/a", "top/b"}));
    EXPECT_EQ(search.LastFindErr(), "Permission denied");  // kept through a success
}

TEST_F(SearchTest, OneWalkGivesTheFoldersAndFilesOfTheTwoSearches) {
    make({"share/", "share/B/", "share/b/", "share/b/deep/", "share/b/deep/x.txt", "share/.dot/",
          "share/.dot/hidden", "share/a.txt", "share/b/c", "outside/", "outside/secret.txt"});
    link(".", "share/b/self");
    link("../outside", "share/outLink");
    link("../outside/secret.txt", "share/outFile");
    for (const bool confined : {false, true}) {
        for (const bool subDirs : {false, true}) {
            search.setConfinedToPath(confined);
            std::string path = at("share");
            const Paths folders = search.FindFolders(path, subDirs);
            path = at("share");
            const Paths files = search.FindFiles(path, "*.*", subDirs);
            path = at("share");
            const orv::cSearch::FolderWalk walk = search.FindFoldersAndFiles(path, subDirs);
            EXPECT_EQ(path, at("share/"));
            EXPECT_EQ(walk.folders, folders) << confined << subDirs;
            EXPECT_EQ(walk.files, files) << confined << subDirs;
            EXPECT_GT(files.size(), 1U);
        }
    }

    orv::ScopedFolderReader failing([](const std::string&) -> platform::FolderListing {
        throw platform::RuntimeError(platform::rt::PermissionDenied);
    });
    std::string path = at("share");
    const orv::cSearch::FolderWalk walk = search.FindFoldersAndFiles(path, true);
    EXPECT_TRUE(walk.folders.empty());
    EXPECT_TRUE(walk.files.empty());
    EXPECT_EQ(search.LastFindErr(), "Permission denied");
}
