#pragma once

#include <string>
#include <string_view>

namespace platform {

// Replaces the file at `path` with `bytes`: writes a temporary file beside it,
// flushes it, then renames it over the target, so readers see either the old
// or the new contents. Returns 0, or the errno of the step that failed (the
// target is then untouched).
int writeFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace platform
