#include "core/util/safe_local_name.h"

namespace tornel {

std::string_view lastPathComponent(std::string_view path) {
    const size_t separator = path.find_last_of("\\/");
    return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

std::string safeLocalName(std::string_view remoteName, std::string_view fallback) {
    const std::string_view last = lastPathComponent(remoteName);
    std::string name;
    name.reserve(last.size());
    for (const char c : last) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            name += c;
        }
    }
    if (name.empty() || name == "." || name == "..") {
        return std::string(fallback);
    }
    return name;
}

std::optional<std::string> localNameOf(std::string_view remotePath) {
    const std::string_view last = lastPathComponent(remotePath);
    if (last.empty() || safeLocalName(last, "") != last) {
        return std::nullopt;
    }
    return std::string(last);
}

}  // namespace tornel
