#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace tornel {

// How the two file operations of the self-update wait for a file that an
// ending copy of the program may still hold.
inline constexpr int64_t RetryForMs = 10000;
inline constexpr int64_t RetryEveryMs = 500;

// Runs `operation` until it succeeds: again every RetryEveryMs, letting
// events run meanwhile, until RetryForMs have passed since the first try.
// Whether it succeeded; giving up is silent.
bool retryFileOperation(const std::function<bool()>& operation);

// Copies `source` over `target` with retries. The copy is written beside
// the target and renamed over it, so it works while the old program still
// runs, and the target keeps its mode (a new target takes the source's).
bool copyFile(const std::string& source, const std::string& target);

// Deletes the file at `path` with retries; a missing file is no failure.
bool deleteFile(const std::string& path);

}  // namespace tornel
