#pragma once

#include "session.h"

#include "qellib/variant.h"

#include <string>

// Listings of shared folders for GETCONTENTS: element 0 empty, then the
// folders, then the files, each level in the order the folder search gives.
namespace qel {

// The entries of the local folder `folder`: without `subDirs` each entry is
// "\" + name (+ "\" for a folder); with it, `prefix` + its path relative to
// `folder` (+ "\"). Only folders and regular files are listed, and no link
// leading out of `folder`; a folder reached again by a link is listed but not
// walked twice. A missing folder lists as element 0 alone. A
// recursive listing lets events run as it goes.
StringArray listFolder(std::string folder, bool subDirs, const std::string& prefix = {});

// The listing of a wire path of the node's shares. Sharing nothing, or a
// path the resolver refuses or that is no folder, gives element 0 alone.
// Several shares: the root lists "\" + name + "\" per share, or with
// `subDirs` each share as name + "\" followed by its recursive entries under
// that prefix; a recursive listing below a share's root keeps the path from
// the root ("Music\Rock\Album\x").
StringArray getShareContents(const Session& own, const std::string& remotePath, bool subDirs);

}  // namespace qel
