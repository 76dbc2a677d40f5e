#pragma once

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tornel::test {

// Writes `bytes` as the whole file at `path`.
inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The whole file at `path`, or "" when it cannot be read.
inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Whether the files at `first` and `second` hold the same bytes, read a
// piece at a time (for files too large to hold twice).
inline bool sameContents(const std::string& first, const std::string& second) {
    std::ifstream a(first, std::ios::binary);
    std::ifstream b(second, std::ios::binary);
    if (!a || !b) {
        return false;
    }
    std::vector<char> left(1 << 20);
    std::vector<char> right(left.size());
    while (a && b) {
        a.read(left.data(), static_cast<std::streamsize>(left.size()));
        b.read(right.data(), static_cast<std::streamsize>(right.size()));
        if (a.gcount() != b.gcount() ||
            !std::equal(left.begin(), left.begin() + a.gcount(), right.begin())) {
            return false;
        }
    }
    return a.eof() && b.eof();
}

}  // namespace tornel::test
