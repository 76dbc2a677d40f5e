#pragma once

#include "session.h"

#include <string>

// The folders a node shares.
namespace qel {

// Adds the folder at `path` to the session's shares, named after its last
// component: "/" is "Root", and a drive ("C:") is "C Drive". A trailing "/"
// is removed, in `path` too. A path that is blank, missing or not a folder
// is ignored; a folder whose name holds "\" cannot be named on the wire and
// is refused (RuntimeError 52).
void shareFolder(Session& own, std::string& path);

// Forgets every share.
void stopSharing(Session& own);

}  // namespace qel
