#pragma once

#include <string>

namespace tornel {

// One listed node, kept in `users` under its node ID.
struct cUser {
    std::string nodeID;
    std::string Name;
};

}  // namespace tornel
