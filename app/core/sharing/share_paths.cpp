#include "core/sharing/share_paths.h"

#include <algorithm>

namespace tornel {

bool liesInside(std::string_view path, std::string_view folder) {
    if (folder.empty() || path.size() <= folder.size() || !path.starts_with(folder)) {
        return false;
    }
    // "/" (and any folder written with its trailing "/") already ends at a
    // component boundary.
    return folder.back() == '/' || path[folder.size()] == '/';
}

void rationaliseShares(ShareSet& shares) {
    for (size_t x = shares.count(); x >= 1; --x) {
        const std::string& candidate = shares.item(x);
        const auto& entries = shares.entries();
        const bool inside = std::any_of(entries.begin(), entries.end(), [&](const auto& entry) {
            return liesInside(candidate, entry.item);
        });
        if (inside) {
            shares.remove(x);
        }
    }
}

bool partPath(const ShareSet& shares, std::string_view path) {
    const auto& entries = shares.entries();
    return std::any_of(entries.begin(), entries.end(),
                       [&](const auto& entry) { return liesInside(entry.item, path); });
}

bool coveredByShare(const ShareSet& shares, std::string_view path) {
    const auto& entries = shares.entries();
    return std::any_of(entries.begin(), entries.end(),
                       [&](const auto& entry) { return liesInside(path, entry.item); });
}

}  // namespace tornel
