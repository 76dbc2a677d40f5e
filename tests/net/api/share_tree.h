#pragma once

#include "support/file_contents.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace qel::test {

// A temporary folder holding a shared folder "share" and, beside it, what
// must never be reached through it:
//
//   share/song.mp3            "la la la"
//   share/b.txt               "b"
//   share/sub/inner.txt       "inner"
//   share/sub/deeper/x        "x"
//   share/inlink -> sub       a link that stays inside
//   share/out -> ../outside   a folder link leading out
//   share/outfile -> ../x     a file link leading out
//   share/pipe                a FIFO
//   outside/secret            "secret"
//   x                         "outside x"
class ShareTree {
  public:
    ShareTree() {
        makeFolder("share");
        makeFolder("share/sub");
        makeFolder("share/sub/deeper");
        makeFolder("outside");
        tornel::test::writeFile(path("share/song.mp3"), "la la la");
        tornel::test::writeFile(path("share/b.txt"), "b");
        tornel::test::writeFile(path("share/sub/inner.txt"), "inner");
        tornel::test::writeFile(path("share/sub/deeper/x"), "x");
        tornel::test::writeFile(path("outside/secret"), "secret");
        tornel::test::writeFile(path("x"), "outside x");
        link("sub", "share/inlink");
        link("../outside", "share/out");
        link("../x", "share/outfile");
        EXPECT_EQ(::mkfifo(path("share/pipe").c_str(), 0644), 0);
    }

    std::string path(const std::string& relative = {}) const {
        return relative.empty() ? folder_.path() : folder_.file(relative);
    }
    std::string share() const { return path("share"); }

    void makeFolder(const std::string& relative) const {
        EXPECT_EQ(::mkdir(path(relative).c_str(), 0755), 0) << relative;
    }
    void link(const std::string& target, const std::string& relative) const {
        EXPECT_EQ(::symlink(target.c_str(), path(relative).c_str()), 0) << relative;
    }

  private:
    tornel::test::TempFolder folder_;
};

}  // namespace qel::test
