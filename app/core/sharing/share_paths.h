#pragma once

#include "core/state/keyed_collection.h"

#include <string>
#include <string_view>

namespace tornel {

// The working copy of the shared folders that the Sharing view edits: native
// paths, each kept under itself as key (exact, case-sensitive).
using ShareSet = KeyedCollection<std::string>;

// Whether `path` lies below `folder`, comparing whole components: "/a/b"
// lies inside "/a", "/ab" does not, and every other absolute path lies
// inside "/". A path never lies inside itself.
bool liesInside(std::string_view path, std::string_view folder);

// Removes every share that lies inside another, so that a share above
// others absorbs them.
void rationaliseShares(ShareSet& shares);

// Whether some share lies inside `path`: the folder holds shares.
bool partPath(const ShareSet& shares, std::string_view path);

// Whether `path` lies inside some share: the folder is shared through one
// above it.
bool coveredByShare(const ShareSet& shares, std::string_view path);

}  // namespace tornel
