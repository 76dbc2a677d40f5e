// Opens arbitrary bytes as a package of either version and reads every member:
// nothing may crash, hang or allocate more than the members can hold.
#include "orvdll/stuf.h"
#include "orvdll/stuf20.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

// One scratch file for the whole run, removed at exit.
class ScratchFile {
  public:
    ScratchFile() {
        char pattern[] = "/tmp/fuzz_packages.XXXXXX";
        if (::mkdtemp(pattern) == nullptr) {
            std::abort();
        }
        folder_ = pattern;
        path_ = folder_ + "/package";
    }
    ~ScratchFile() {
        ::unlink(path_.c_str());
        ::rmdir(folder_.c_str());
    }
    const std::string& write(const uint8_t* data, size_t size) {
        std::ofstream(path_, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        return path_;
    }

  private:
    std::string folder_;
    std::string path_;
};

void readFirstVersion(const std::string& path) {
    orv::cSTUF package;
    if (package.StartSession(path) != 0) {
        return;
    }
    for (int32_t number = 1; number <= package.FileCount(); ++number) {
        package.GetFileData(package.GetFileName(number));
        package.GetFileSize(number);
    }
    package.DeleteDoubles();
    // Released without EndSession: the changes are discarded.
}

void readSecondVersion(const std::string& path) {
    orv::cSTUF20 package;
    if (package.StartSession(path) != 0) {
        return;
    }
    for (int32_t number = 0; number <= package.FileCount() + 1; ++number) {
        package.GetFileData(number);
        package.GetFileSize(number);
        package.GetCompressedSize(number);
        package.IsCompressed(number);
    }
    package.EndSession();  // unchanged, so nothing is written
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ScratchFile scratch;
    const std::string& path = scratch.write(data, size);
    readFirstVersion(path);
    readSecondVersion(path);
    return 0;
}
