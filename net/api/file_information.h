#pragma once

#include <string>
#include <string_view>

// File information a node gives about its shared files.
namespace qel {

// The text after the last "\" of a wire path; all of it when there is none.
std::string fileNameFromPath(std::string_view path);

// The MD5 digest of the regular file's bytes as 32 lower-case hexadecimal
// digits, read in blocks and never held whole; "" for an empty file or when
// the file cannot be read (reported). Events run at least every 10 ms
// meanwhile, so the caller's session may no longer be current on return.
std::string hashFile(const std::string& localPath);

}  // namespace qel
