#include "path_decoding.h"

#include <algorithm>

namespace qel {
namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

}  // namespace

std::string decodePath(std::string& path) {
    std::string decoded;
    decoded.reserve(path.size());
    for (size_t at = 0; at < path.size(); ++at) {
        const char c = path[at];
        const int high = c == '%' && at + 2 < path.size() ? hexValue(path[at + 1]) : -1;
        const int low = high >= 0 ? hexValue(path[at + 2]) : -1;
        if (low >= 0) {
            decoded += static_cast<char>(high * 16 + low);
            at += 2;
        } else {
            decoded += c;
        }
    }
    std::replace(decoded.begin(), decoded.end(), '/', '\\');
    path = std::move(decoded);
    return path;
}

}  // namespace qel
