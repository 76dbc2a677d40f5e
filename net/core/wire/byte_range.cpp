#include "byte_range.h"

#include "guarded.h"
#include "numbers.h"

#include "platform/runtime_error.h"

namespace qel {
namespace {

int64_t rangePart(std::string_view text) {
    if (text.empty()) {
        return -1;
    }
    const int64_t value = toInt64(text);
    if (value < 0) {
        throw platform::RuntimeError(platform::rt::InvalidProcedureCall);
    }
    return value;
}

}  // namespace

std::shared_ptr<cXRange> parseRange(std::string_view text) {
    return guarded("", std::shared_ptr<cXRange>(), [text]() -> std::shared_ptr<cXRange> {
        const size_t dash = text.find('-');
        const size_t slash = text.find('/');
        if (dash == std::string_view::npos || (slash != std::string_view::npos && dash > slash)) {
            throw platform::RuntimeError(platform::rt::InvalidProcedureCall);
        }
        const std::string_view start = trimBlanks(text.substr(0, dash));
        const std::string_view rest = text.substr(dash + 1);
        const size_t restSlash = rest.find('/');
        const std::string_view end = trimBlanks(rest.substr(0, restSlash));
        const std::string_view length = restSlash == std::string_view::npos
                                            ? std::string_view()
                                            : trimBlanks(rest.substr(restSlash + 1));
        if (start.empty() && end.empty() && length.empty()) {
            return nullptr;
        }
        auto range = std::make_shared<cXRange>();
        range->lngStart = rangePart(start);
        range->lngEnd = rangePart(end);
        range->lngLen = rangePart(length);
        return range;
    });
}

std::shared_ptr<cXRange> makeRange(int64_t lngStart, int64_t lngEnd, int64_t lngLen) {
    auto range = std::make_shared<cXRange>();
    range->lngStart = lngStart;
    range->lngEnd = lngEnd;
    range->lngLen = lngLen;
    return range;
}

}  // namespace qel
