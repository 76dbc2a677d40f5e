// Times a recursive cSearch listing of a generated tree of 100 000 files
// beside `find` over the same tree, and prints both and their ratio.
#include "orvdll/search.h"
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
#include <string>

namespace {

constexpr int kTopFolders = 100;
constexpr int kSubfolders = 10;
constexpr int kFilesPerFolder = 100;

bool generateTree(const std::string& root) {
    for (int top = 0; top < kTopFolders; ++top) {
        const std::string topPath = root + "/top" + std::to_string(top);
        if (::mkdir(topPath.c_str(), 0755) != 0) {
            return false;
        }
        for (int sub = 0; sub < kSubfolders; ++sub) {
            const std::string subPath = topPath + "/Sub" + std::to_string(sub);
            if (::mkdir(subPath.c_str(), 0755) != 0) {
                return false;
            }
            for (int file = 0; file < kFilesPerFolder; ++file) {
                const std::string filePath = subPath + "/file" + std::to_string(file) + ".dat";
                const int fd = ::open(filePath.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
                if (fd < 0) {
                    return false;
                }
                ::close(fd);
            }
        }
    }
    return true;
}

size_t listWithSearch(const std::string& root) {
    orv::cSearch search;
    std::string path = root;
    return search.FindFiles(path, "*.*", true).size() - 1;  // element 0 is empty
}

// `find` following links and keeping only regular files, as cSearch does;
// its output is read whole, as cSearch keeps every path.
size_t listWithFind(const std::string& root) {
    return bench::commandLines("find -L '" + root + "' -type f");
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);  // the recursive search lets events run
    QTemporaryDir folder;
    const std::string root = folder.path().toStdString();
    if (!folder.isValid() || !generateTree(root)) {
        std::fprintf(stderr, "could not generate the tree in %s\n", root.c_str());
        return 1;
    }
    size_t searchFound = 0;
    size_t findFound = 0;
    const double searchSeconds =
        bench::bestSeconds<size_t>([&] { return listWithSearch(root); }, searchFound);
    const double findSeconds =
        bench::bestSeconds<size_t>([&] { return listWithFind(root); }, findFound);
    std::printf("tree: %d files in %d folders\n", kTopFolders * kSubfolders * kFilesPerFolder,
                kTopFolders * (kSubfolders + 1));
    std::printf("cSearch FindFiles(\"*.*\", recursive): %8.3f s  %zu files\n", searchSeconds,
                searchFound);
    std::printf("find -L -type f:                     %8.3f s  %zu files\n", findSeconds,
                findFound);
    std::printf("ratio cSearch / find:                %8.2f\n", searchSeconds / findSeconds);
    return searchFound == findFound ? 0 : 1;
}
