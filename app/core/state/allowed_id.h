#pragma once

#include <cstdint>
#include <string>

namespace tornel {

// One access grant: the node `id` may download from this node's shares
// until the tick count passes `Expires`, or always when `NeverExpires`.
struct cAllowedID {
    std::string id;
    int64_t Expires = 0;
    bool NeverExpires = false;
    std::string Name;
};

}  // namespace tornel
