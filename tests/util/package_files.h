#pragma once

#include "support/file_contents.h"
#include "support/temp_folder.h"

#include <sys/stat.h>
#include <sys/time.h>

#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

// File helpers for the package and skin tests.
namespace tornel::test {

// Bytes from hex digits; spaces are ignored.
inline std::string fromHex(std::string_view hex) {
    std::string bytes;
    int pending = -1;
    for (const char c : hex) {
        if (c == ' ') {
            continue;
        }
        const int digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
        if (pending < 0) {
            pending = digit;
        } else {
            bytes.push_back(static_cast<char>(pending << 4 | digit));
            pending = -1;
        }
    }
    return bytes;
}

// Byte-exact package files: new packages with an empty description, empty or
// holding one member a.txt = "abc" (stored raw in the second version).
inline const std::string kFirstVersionEmpty =
    fromHex("0000 0100 01000000 00000000 0000000000000000 00000000 0600 535455463138 0000 0000");
inline const std::string kFirstVersionOneMember = fromHex(
    "0000 0100 02000000 00000000 0000000000000000"
    " 0100 03000000 00000000 616263 0500 612e747874 0000 0000"
    " 01000000 0600 535455463138 0000 0000");
inline const std::string kSecondVersionEmpty = fromHex(
    "0000 0100 01000000 00000000 00000000000000000000000000000000000000000000"
    " 00000000 0600 535455463230 0000 0000 00000000 00000000");
inline const std::string kSecondVersionOneMember = fromHex(
    "0000 0100 02000000 00000000 00000000000000000000000000000000000000000000"
    " 0100 03000000 00000000 616263 0500 612e747874 02000000 0000 0000 0000 00000000 00000000"
    " 01000000 0600 535455463230 0000 0000 00000000 00000000");

inline bool exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// Sets the file's modification time far in the past, so a rewrite shows.
inline void ageFile(const std::string& path) {
    const timeval times[2] = {{1000, 0}, {1000, 0}};
    ::utimes(path.c_str(), times);
}

inline bool isAged(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && info.st_mtime == 1000;
}

}  // namespace tornel::test
