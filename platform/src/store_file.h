#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The text files of the per-user stores: one record a line, its fields
// separated by tabs, with backslash, tab, CR and LF escaped so that any bytes
// survive.
namespace platform {

using StoreRecord = std::vector<std::string>;

// Every record of the file at `path`: none when the file does not exist,
// nothing when it exists but cannot be read (so that it is not overwritten).
std::optional<std::vector<StoreRecord>> readStoreFile(const std::string& path);

// One record as a line of the file, ending in LF.
std::string storeLine(std::initializer_list<std::string_view> fields);

}  // namespace platform
