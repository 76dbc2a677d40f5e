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

// Whether `text` ends in "%" and two hex digits.
bool endsWithEscape(const std::string& text) {
    const size_t size = text.size();
    return size >= 3 && text[size - 3] == '%' && hexValue(text[size - 2]) >= 0 &&
           hexValue(text[size - 1]) >= 0;
}

}  // namespace

std::string decodePath(std::string& path) {
    // Escapes never overlap (a "%" is no hex digit), so decoding them in any
    // order ends in the same text: one pass that decodes each escape as soon
    // as it is complete, and again when a decoded byte completes another with
    // the two characters before it, gives it in linear time.
    std::string decoded;
    decoded.reserve(path.size());
    for (const char c : path) {
        decoded += c;
        while (endsWithEscape(decoded)) {
            const size_t at = decoded.size() - 3;
            const auto byte =
                static_cast<char>(hexValue(decoded[at + 1]) * 16 + hexValue(decoded[at + 2]));
            decoded.resize(at);
            decoded += byte;
        }
    }
    std::replace(decoded.begin(), decoded.end(), '/', '\\');
    path = std::move(decoded);
    return path;
}

}  // namespace qel
