#pragma once

#include <fstream>
#include <iterator>
#include <string>

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

}  // namespace tornel::test
