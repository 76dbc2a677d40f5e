#pragma once

#include "session.h"

#include "platform/files.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The one way from a path a peer sends (GETCONTENTS, GETFILEINFO, GET,
// SEARCH) to a local file or folder. Nothing outside a share is ever named.
namespace qel {

// What a wire resource names inside one of the node's shares.
struct SharedTarget {
    std::string localPath;  // canonical: the share's canonical root or below it
    platform::EntryKind kind = platform::EntryKind::Other;  // File (regular) or Folder
    int64_t size = 0;                                       // of a file, in bytes
    size_t shareIndex = 0;                                  // in the session's share table
    // The path below the share's root in wire form: names joined by "\", no
    // leading or trailing "\"; empty for the root itself.
    std::string pathInShare;
};

// Resolves a wire resource, as the packet's reading decoded it, against the
// session's shares; "/" counts as "\\". With several shares, "\" + share name + "\"
// in front picks that share (names match exactly, the first share wins);
// otherwise the path lies in share 0. Refused (nullopt): a node that shares
// nothing, a NUL, CR or LF, any ".." component, a path that does not exist,
// one whose canonical form leaves the share's canonical root (a link leading
// out), and anything but a regular file or a folder. Empty and "."
// components are dropped. Only status calls are made: nothing is opened.
std::optional<SharedTarget> resolveSharedPath(const Session& own, std::string_view resource);

// The same, refusing anything but a regular file.
std::optional<SharedTarget> resolveSharedFile(const Session& own, std::string_view resource);

// The same, refusing anything but a folder.
std::optional<SharedTarget> resolveSharedFolder(const Session& own, std::string_view resource);

}  // namespace qel
