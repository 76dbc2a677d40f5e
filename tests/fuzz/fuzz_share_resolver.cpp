// Resolves arbitrary bytes as a wire resource against two fixed shares in a
// temporary folder: whatever the resolver returns must be a regular file or
// a folder inside the canonical root of the share it names, never anything
// beside the shares (reached through "..", links leading out or decoding).
#include "api/share_resolver.h"

#include "platform/files.h"

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;

// shares/one: a file, a folder, a link inside, links out, a link loop;
// shares/Two [x]: a file; outside/secret beside them.
class Shares {
  public:
    Shares() {
        std::string pattern = (fs::temp_directory_path() / "fuzz_share_resolverXXXXXX").string();
        base_ = ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
        if (base_.empty()) {
            std::abort();
        }
        fs::create_directories(base_ / "one" / "sub");
        fs::create_directories(base_ / "Two [x]");
        fs::create_directories(base_ / "outside");
        std::ofstream(base_ / "one" / "file") << "file";
        std::ofstream(base_ / "one" / "sub" / "inner") << "inner";
        std::ofstream(base_ / "Two [x]" / "track") << "track";
        std::ofstream(base_ / "outside" / "secret") << "secret";
        fs::create_directory_symlink("sub", base_ / "one" / "in");
        fs::create_directory_symlink("../outside", base_ / "one" / "out");
        fs::create_symlink("/etc/passwd", base_ / "one" / "passwd");
        fs::create_directory_symlink("..", base_ / "one" / "sub" / "up");
        several.shares = {qel::typShare{(base_ / "one").string(), "one"},
                          qel::typShare{(base_ / "Two [x]").string(), "Two [x]"}};
        several.sharing = true;
        single.shares = {several.shares.front()};
        single.sharing = true;
        for (const qel::typShare& share : several.shares) {
            roots_.push_back(platform::resolvedPath(share.localPath).value());
        }
    }
    ~Shares() { fs::remove_all(base_); }

    const std::string& rootOf(size_t share) const { return roots_.at(share); }

    qel::Session single;   // shares "one"
    qel::Session several;  // shares "one" and "Two [x]"

  private:
    fs::path base_;
    std::vector<std::string> roots_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Shares shares;
    const std::string_view resource(reinterpret_cast<const char*>(data), size);
    for (const qel::Session* own : {&shares.single, &shares.several}) {
        const std::optional<qel::SharedTarget> target = qel::resolveSharedPath(*own, resource);
        if (!target) {
            continue;
        }
        const std::string& root = shares.rootOf(target->shareIndex);
        if (!platform::liesWithin(target->localPath, root) ||
            target->kind == platform::EntryKind::Other ||
            platform::resolvedPath(target->localPath) != target->localPath) {
            std::abort();
        }
    }
    return 0;
}
