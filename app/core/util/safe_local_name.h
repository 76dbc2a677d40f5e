#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tornel {

// The text after the last "/" or "\\" of a path (the whole path when it holds
// neither).
std::string_view lastPathComponent(std::string_view path);

// A name from a peer (a pushed file, a remote entry) made safe to use as one
// local file name: its last component over "/" and "\", without NUL or other
// control characters; `fallback` when nothing usable is left ("", "." or "..").
std::string safeLocalName(std::string_view remoteName, std::string_view fallback = "Unnamed");

// The last component (over "/" and "\") of a remote path, when it can be
// used unchanged as one local file name; nothing when it is "", "." or
// "..", or holds NUL or another control character.
std::optional<std::string> localNameOf(std::string_view remotePath);

}  // namespace tornel
