#include "stored_route.h"

#include <algorithm>
#include <utility>

namespace qel {

std::vector<std::string_view> splitRoute(std::string_view route) {
    std::vector<std::string_view> items;
    size_t from = 0;
    while (from <= route.size()) {
        const size_t end = std::min(route.find(',', from), route.size());
        if (end > from) {
            items.push_back(route.substr(from, end - from));
        }
        from = end + 1;
    }
    return items;
}

StoredRoute::StoredRoute(std::string text) : text_(std::move(text)) {
    for (const std::string_view item : splitRoute(text_)) {
        items_.emplace_back(item);
    }
}

}  // namespace qel
