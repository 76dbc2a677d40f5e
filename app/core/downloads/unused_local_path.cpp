#include "core/downloads/unused_local_path.h"

#include "core/state/app_state.h"
#include "core/state/download.h"
#include "platform/files.h"

#include <algorithm>
#include <filesystem>

namespace tornel {
namespace {

bool taken(const AppState& state, const std::string& path, const cDownload* self,
           LeftPartial partials) {
    if (platform::fileStatus(path).has_value()) {
        return true;
    }
    if (partials == LeftPartial::Avoid && platform::fileStatus(partialPathOf(path)).has_value()) {
        return true;
    }
    return std::any_of(state.downloads.begin(), state.downloads.end(), [&](const auto& entry) {
        const cDownload& dl = *entry.item;
        return &dl != self && dl.Status <= DL_Downloading && dl.localPath == path;
    });
}

}  // namespace

std::string unusedLocalPath(const AppState& state, const std::string& path, const cDownload* self,
                            LeftPartial partials) {
    const std::filesystem::path original(path);
    std::string candidate = path;
    for (int n = 2; taken(state, candidate, self, partials); ++n) {
        const std::string name = original.stem().string() + " (" + std::to_string(n) + ")" +
                                 original.extension().string();
        candidate = (original.parent_path() / name).string();
    }
    return candidate;
}

std::string partialPathOf(const std::string& path) {
    return path + ".part";
}

}  // namespace tornel
