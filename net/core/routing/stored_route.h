#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qel {

// One route of a node's route table: its text ("Route": node IDs separated
// by ",") and its items, split once when it is stored, so that looking a
// route up never splits it again. Empty items are left out.
class StoredRoute {
  public:
    StoredRoute() = default;
    StoredRoute(std::string text);  // NOLINT: a route is stored from its text

    const std::string& text() const { return text_; }
    operator const std::string&() const { return text_; }  // NOLINT: reads as its text
    const std::vector<std::string>& items() const { return items_; }
    bool empty() const { return text_.empty(); }

    friend bool operator==(const StoredRoute& route, std::string_view text) {
        return route.text_ == text;
    }

  private:
    std::string text_;
    std::vector<std::string> items_;
};

// The items of a route text, empty ones left out.
std::vector<std::string_view> splitRoute(std::string_view route);

}  // namespace qel
