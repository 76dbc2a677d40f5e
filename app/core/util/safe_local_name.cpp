#include "core/util/safe_local_name.h"

namespace tornel {

std::string safeLocalName(std::string_view remoteName, std::string_view fallback) {
    const size_t separator = remoteName.find_last_of("\\/");
    const std::string_view last =
        separator == std::string_view::npos ? remoteName : remoteName.substr(separator + 1);
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

}  // namespace tornel
