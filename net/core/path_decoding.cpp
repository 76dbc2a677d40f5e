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

// The first "%" at or after `from` that two hex digits follow.
size_t findEscape(const std::string& text, size_t from) {
    for (size_t at = text.find('%', from); at != std::string::npos && at + 2 < text.size();
         at = text.find('%', at + 1)) {
        if (hexValue(text[at + 1]) >= 0 && hexValue(text[at + 2]) >= 0) {
            return at;
        }
    }
    return std::string::npos;
}

// Replaces every occurrence of the escape found at `at` (none comes earlier).
void replaceEscape(std::string& text, size_t at) {
    const std::string escape = text.substr(at, 3);
    const auto byte = static_cast<char>(hexValue(escape[1]) * 16 + hexValue(escape[2]));
    std::string decoded = text.substr(0, at);
    for (size_t i = at; i < text.size();) {
        if (text.compare(i, 3, escape) == 0) {
            decoded += byte;
            i += 3;
        } else {
            decoded += text[i++];
        }
    }
    text = std::move(decoded);
}

}  // namespace

std::string decodePath(std::string& path) {
    // A "%" kept before the decoded byte may now start an escape with it.
    for (size_t at = findEscape(path, 0); at != std::string::npos;
         at = findEscape(path, at >= 2 ? at - 2 : 0)) {
        replaceEscape(path, at);
    }
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

}  // namespace qel
