// Hashes a 1 GiB file with the FILEINFO hash (streamed MD5 that lets events
// run) beside `md5sum` over the same file, and prints both and the ratio of
// their speeds (goal: at least 0.9 of md5sum's).
#include "file_information.h"

#include "platform/positioned_file.h"
#include "timing.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <random>
#include <string>

namespace {

constexpr int64_t kFileBytes = int64_t{1} << 30;
constexpr int64_t kBlockBytes = int64_t{4} << 20;

bool writeNoise(const std::string& path) {
    platform::PositionedFile file;
    if (file.open(path, platform::FileAccess::ReadWriteCreate) != 0) {
        return false;
    }
    std::mt19937_64 noise(20240601);
    std::string block(kBlockBytes, '\0');
    for (int64_t offset = 0; offset < kFileBytes; offset += kBlockBytes) {
        for (size_t i = 0; i + 8 <= block.size(); i += 8) {
            const uint64_t word = noise();
            block.replace(i, 8, reinterpret_cast<const char*>(&word), 8);
        }
        if (file.write(offset, block) != 0) {
            return false;
        }
    }
    return true;
}

std::string md5sum(const std::string& path) {
    return bench::commandOutput("md5sum '" + path + "'").substr(0, 32);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);  // hashing lets events run
    QTemporaryDir folder;
    const std::string path = folder.path().toStdString() + "/noise.bin";
    if (!folder.isValid() || !writeNoise(path)) {
        std::fprintf(stderr, "could not write %s\n", path.c_str());
        return 1;
    }
    std::string ours;
    std::string theirs;
    const double ourSeconds =
        bench::bestSeconds<std::string>([&] { return qel::hashFile(path); }, ours);
    const double theirSeconds =
        bench::bestSeconds<std::string>([&] { return md5sum(path); }, theirs);
    const double gib = static_cast<double>(kFileBytes) / (1 << 30);
    std::printf("hashFile: %7.3f s  %7.1f MiB/s  %s\n", ourSeconds, gib * 1024 / ourSeconds,
                ours.c_str());
    std::printf("md5sum:   %7.3f s  %7.1f MiB/s  %s\n", theirSeconds, gib * 1024 / theirSeconds,
                theirs.c_str());
    std::printf("speed ratio hashFile / md5sum: %.2f (goal >= 0.9)\n", theirSeconds / ourSeconds);
    return ours == theirs ? 0 : 1;
}
