#include "file_information.h"

#include "error_log.h"
#include "md5.h"

#include "platform/event_loop.h"
#include "platform/positioned_file.h"
#include "platform/runtime_error.h"

#include <chrono>
#include <cstdint>

namespace qel {
namespace {

constexpr int64_t HashBlockBytes = 1024 * 1024;

// How long hashing runs at most before it lets events run: well inside the
// 10 ms the node promises, with a block's read and digest on top.
constexpr std::chrono::milliseconds EventInterval{1};

// Lets pending events run whenever `EventInterval` has passed since they last ran.
class EventPacer {
  public:
    void letEventsRunWhenDue() {
        const auto now = std::chrono::steady_clock::now();
        if (now - lastRun_ < EventInterval) {
            return;
        }
        platform::doEvents();
        lastRun_ = std::chrono::steady_clock::now();
    }

  private:
    std::chrono::steady_clock::time_point lastRun_ = std::chrono::steady_clock::now();
};

void reportFileError(int error) {
    const platform::RuntimeError raised = platform::errorFromErrno(error);
    logError(raised.number(), raised.description());
}

}  // namespace

std::string fileNameFromPath(std::string_view path) {
    const size_t separator = path.rfind('\\');
    return std::string(separator == std::string_view::npos ? path : path.substr(separator + 1));
}

std::string hashFile(const std::string& localPath) {
    platform::PositionedFile file;
    if (const int error = file.open(localPath, platform::FileAccess::ReadOnly); error != 0) {
        reportFileError(error);
        return {};
    }
    cMD5 digest;
    EventPacer pacer;
    std::string block;
    int64_t offset = 0;
    for (;;) {
        if (const int error = file.read(offset, HashBlockBytes, block); error != 0) {
            reportFileError(error);
            return {};
        }
        if (block.empty()) {
            break;
        }
        digest.update(block);
        offset += static_cast<int64_t>(block.size());
        pacer.letEventsRunWhenDue();
    }
    return offset > 0 ? digest.final() : std::string();
}

}  // namespace qel
