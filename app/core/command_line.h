#pragma once

#include <string>
#include <vector>

namespace tornel {

// True when the program was asked only for its version.
bool wantsVersionOnly(const std::vector<std::string>& arguments);

}  // namespace tornel
