#include "identifiers.h"

namespace qel {

std::string formatGuid(const platform::Guid& guid) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(guid.size() * 2);
    for (const uint8_t byte : guid) {
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
    }
    return text;
}

std::string newID() {
    return formatGuid(platform::newGuid());
}

}  // namespace qel
