#include "transfer_range.h"

#include <algorithm>

namespace qel {

std::optional<ByteSpan> servedSpan(const cXRange* requested, int64_t size) {
    const int64_t lastByte = size - 1;
    if (requested == nullptr || (requested->lngStart < 0 && requested->lngEnd < 0)) {
        return ByteSpan{0, lastByte};
    }
    ByteSpan span{std::max<int64_t>(requested->lngStart, 0), lastByte};
    if (requested->lngEnd >= 0) {
        span.last = std::min(requested->lngEnd, lastByte);
    }
    if (span.empty()) {
        return std::nullopt;
    }
    return span;
}

std::string rangeText(const cXRange& range) {
    std::string text = range.lngStart >= 0 ? std::to_string(range.lngStart) + "-" : "-";
    if (range.lngEnd >= 0) {
        text += std::to_string(range.lngEnd);
    }
    return text;
}

std::string contentRangeText(int64_t first, int64_t last, int64_t size) {
    return std::to_string(first) + "-" + std::to_string(last) + "/" + std::to_string(size);
}

int64_t chunkSizeFor(int64_t configured) {
    if (configured <= 0) {
        return DefaultChunkSize;
    }
    return std::clamp(configured, MinChunkSize, MaxChunkSize);
}

}  // namespace qel
