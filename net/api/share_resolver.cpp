#include "share_resolver.h"

#include "lookups.h"

#include <algorithm>
#include <vector>

namespace qel {
namespace {

bool holdsForbiddenByte(std::string_view path) {
    return path.find_first_of(std::string_view("\0\r\n", 3)) != std::string_view::npos;
}

// The names of a wire path below its share, empty and "." ones dropped;
// nullopt when one is "..".
std::optional<std::vector<std::string_view>> namesOf(std::string_view path) {
    std::vector<std::string_view> names;
    size_t start = 0;
    while (start <= path.size()) {
        const size_t end = std::min(path.find('\\', start), path.size());
        const std::string_view name = path.substr(start, end - start);
        if (name == "..") {
            return std::nullopt;
        }
        if (!name.empty() && name != ".") {
            names.push_back(name);
        }
        start = end + 1;
    }
    return names;
}

std::string joined(const std::vector<std::string_view>& names, char separator) {
    std::string path;
    for (const std::string_view name : names) {
        if (!path.empty()) {
            path += separator;
        }
        path.append(name);
    }
    return path;
}

std::optional<SharedTarget> resolveKind(const Session& own, std::string_view resource,
                                        platform::EntryKind wanted) {
    std::optional<SharedTarget> target = resolveSharedPath(own, resource);
    if (!target || target->kind != wanted) {
        return std::nullopt;
    }
    return target;
}

}  // namespace

std::optional<SharedTarget> resolveSharedPath(const Session& own, std::string_view resource) {
    if (!own.sharing || own.shares.empty()) {
        return std::nullopt;
    }
    // Decoded once already, as the packet was read: a "%" here is the name's.
    std::string path(resource);
    std::replace(path.begin(), path.end(), '/', '\\');
    if (holdsForbiddenByte(path)) {
        return std::nullopt;
    }
    int32_t shareIndex = 0;
    if (own.shares.size() > 1) {
        resolveSharePath(own, path, shareIndex);
    }
    const typShare& share = own.shares[static_cast<size_t>(shareIndex)];
    const std::optional<std::vector<std::string_view>> names = namesOf(path);
    if (!names || share.localPath.empty()) {
        return std::nullopt;
    }
    const std::optional<std::string> root = platform::resolvedPath(share.localPath);
    const std::optional<std::string> local =
        platform::resolvedPath(share.localPath + "/" + joined(*names, '/'));
    if (!root || !local || !platform::liesWithin(*local, *root)) {
        return std::nullopt;
    }
    const std::optional<platform::FileStatus> status = platform::fileStatus(*local);
    if (!status || status->kind == platform::EntryKind::Other) {
        return std::nullopt;
    }
    SharedTarget target;
    target.localPath = *local;
    target.kind = status->kind;
    target.size = status->size;
    target.shareIndex = static_cast<size_t>(shareIndex);
    target.pathInShare = joined(*names, '\\');
    return target;
}

std::optional<SharedTarget> resolveSharedFile(const Session& own, std::string_view resource) {
    return resolveKind(own, resource, platform::EntryKind::File);
}

std::optional<SharedTarget> resolveSharedFolder(const Session& own, std::string_view resource) {
    return resolveKind(own, resource, platform::EntryKind::Folder);
}

}  // namespace qel
