#include "core/update/version_answer.h"

#include <string>

namespace tornel {

std::optional<int64_t> answeredRevision(const qel::Variant& answer) {
    const auto* text = std::get_if<std::string>(&answer);
    if (text == nullptr || text->empty()) {
        return std::nullopt;
    }
    int64_t value = 0;
    for (const char digit : *text) {
        if (digit < '0' || digit > '9') {
            return std::nullopt;
        }
        value = value * 10 + (digit - '0');
        if (value > MaxRevision) {
            return std::nullopt;
        }
    }
    return value;
}

bool offersNewerRevision(std::string_view descriptor, const qel::Variant& answer,
                         int64_t ownRevision) {
    if (descriptor != ProgramNodeKind) {
        return false;
    }
    const std::optional<int64_t> revision = answeredRevision(answer);
    return revision && *revision > ownRevision;
}

}  // namespace tornel
