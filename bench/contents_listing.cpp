// Lists a shared tree of 100 000 entries recursively from another node of the
// same process (GETCONTENTS answered with one CONTENTS), beside `find` over
// the same tree, and prints both and their ratio (goal: within 2x, under 1 s).
#include "platform/event_loop.h"
#include "platform/socket_control.h"
#include "qellib/qel.h"
#include "qellib/settings.h"
#include "support/free_port.h"
#include "timing.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace {

constexpr int kFolders = 100;
constexpr int kFilesPerFolder = 999;  // with the folders, 100 000 entries

bool makeTree(const std::string& root) {
    for (int f = 0; f < kFolders; ++f) {
        const std::string folder = root + "/album " + std::to_string(f);
        if (::mkdir(folder.c_str(), 0755) != 0) {
            return false;
        }
        for (int i = 0; i < kFilesPerFolder; ++i) {
            const std::string file = folder + "/track " + std::to_string(i) + ".mp3";
            const int fd = ::open(file.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
            if (fd < 0) {
                return false;
            }
            ::close(fd);
        }
    }
    return true;
}

// Every entry below the root, as `find` prints them (read whole).
size_t listWithFind(const std::string& root) {
    return bench::commandLines("find -L '" + root + "' -mindepth 1");
}

std::string settings(const std::string& nodeID) {
    qel::cSettings s;
    s.SaveSetting("nodeID", nodeID);
    s.SaveSetting("Timeout", int64_t{60000});
    return s.getXML();
}

}  // namespace

int main(int argc, char** argv) {
    platform::preferPlainEventDispatcher();  // as the program and the test node run
    QCoreApplication application(argc, argv);
    platform::setBindAddress("127.0.0.1");
    QTemporaryDir folder;
    std::string root = folder.path().toStdString();
    if (!folder.isValid() || !makeTree(root)) {
        std::fprintf(stderr, "could not make the tree in %s\n", root.c_str());
        return 1;
    }
    qel::cQEL a;
    qel::cQEL b;
    const int port = tornel::test::freePort();
    a.Initialise("A", port, qel::role_Peer, "BENCH", root, settings("NODE-A"));
    b.Initialise("B", tornel::test::freePort(), qel::role_Peer, "BENCH", {}, settings("NODE-B"));
    if (!a.Listen() || b.Connect("127.0.0.1:" + std::to_string(port)).empty()) {
        std::fprintf(stderr, "the two nodes could not connect\n");
        return 1;
    }
    size_t listed = 0;
    size_t found = 0;
    const double listSeconds = bench::bestSeconds<size_t>(
        [&] {
            std::string path = "\\";
            return b.getContents(path, "NODE-A", true).size() - 1;
        },
        listed);
    const double findSeconds =
        bench::bestSeconds<size_t>([&] { return listWithFind(root); }, found);
    std::printf("tree: %d entries\n", kFolders * (kFilesPerFolder + 1));
    std::printf("getContents(\"\\\", recursive): %7.3f s  %zu entries\n", listSeconds, listed);
    std::printf("find -L -mindepth 1:          %7.3f s  %zu entries\n", findSeconds, found);
    std::printf("getContents / find (goal <= 2, under 1 s) ratio %.2f\n",
                listSeconds / findSeconds);
    return listed == found ? 0 : 1;
}
