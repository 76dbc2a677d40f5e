#include "share_contents.h"

#include "share_resolver.h"
#include "wire_entries.h"

#include "orvdll/search.h"

#include <algorithm>
#include <vector>

namespace qel {
namespace {

using platform::EntryKind;

StringArray elementZeroOnly() {
    return StringArray(1);
}

// Every share as a folder entry ("\" + name + "\"), or with `subDirs` each
// share's name + "\" followed by everything below it under that prefix. The
// shares are a copy: handlers running during a listing may change the table.
StringArray listShares(std::vector<typShare> shares, bool subDirs) {
    StringArray listing = elementZeroOnly();
    for (const typShare& share : shares) {
        const std::optional<std::string> entry =
            toWireEntry(share.shareName, EntryKind::Folder, subDirs ? "" : "\\");
        if (!entry) {
            continue;
        }
        listing.push_back(*entry);
        if (subDirs) {
            const StringArray below = listFolder(share.localPath, true, *entry);
            listing.insert(listing.end(), below.begin() + 1, below.end());
        }
    }
    return listing;
}

// The prefix of recursive entries below `target` when several folders are
// shared: the share's name and the path from its root, each ending in "\".
std::string pathFromRoot(const Session& own, const SharedTarget& target) {
    std::string prefix = own.shares[target.shareIndex].shareName + "\\";
    if (!target.pathInShare.empty()) {
        prefix += target.pathInShare + "\\";
    }
    return prefix;
}

}  // namespace

StringArray listFolder(std::string folder, bool subDirs, const std::string& prefix) {
    orv::cSearch search;
    search.setConfinedToPath(true);
    orv::cSearch::FolderWalk walk = search.FindFoldersAndFiles(folder, subDirs);
    const std::string entryPrefix = subDirs ? prefix : "\\";
    StringArray listing = elementZeroOnly();
    listing.reserve(walk.folders.size() + walk.files.size() + 1);
    appendWireEntries(listing, walk.folders, folder, EntryKind::Folder, entryPrefix);
    walk.folders = {};
    appendWireEntries(listing, walk.files, folder, EntryKind::File, entryPrefix);
    return listing;
}

StringArray getShareContents(const Session& own, const std::string& remotePath, bool subDirs) {
    if (!own.sharing) {
        return elementZeroOnly();
    }
    // Decoded once already, as the packet was read: a "%" here is the name's.
    std::string path = remotePath;
    std::replace(path.begin(), path.end(), '/', '\\');
    if (own.shares.size() > 1 && path == "\\") {
        return listShares(own.shares, subDirs);
    }
    const std::optional<SharedTarget> target = resolveSharedFolder(own, path);
    if (!target) {
        return elementZeroOnly();
    }
    const std::string prefix = own.shares.size() > 1 ? pathFromRoot(own, *target) : "";
    return listFolder(target->localPath, subDirs, prefix);
}

}  // namespace qel
