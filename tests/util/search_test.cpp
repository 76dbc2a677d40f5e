#include "orvdll/search.h"

#include "find_api.h"
#include "support/temp_folder.h"

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

TEST_F(SearchTest, ConfinedSearchSkipsLinksLeadingOutOfItsFolder) {
    make({"share/", "share/in/", "share/in/a.txt", "outside/", "outside/secret.txt"});
    link("in", "share/inLink");
    link("in/a.txt", "share/fileLink");
    link("../outside", "share/outLink");
    link("../outside/secret.txt", "share/outFile");
    std::string path = at("share");
    EXPECT_EQ(search.FindFiles(path, "*.*", true).size(), 6U);  // every link followed
    search.setConfinedToPath(true);
    path = at("share");
    EXPECT_EQ(search.FindFiles(path, "*.*", true),
              expected({"share/fileLink", "share/in/a.txt", "share/inLink/a.txt"}));
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
