#include "core/command_line.h"

#include <algorithm>

namespace tornel {

bool wantsVersionOnly(const std::vector<std::string>& arguments) {
    return std::find(arguments.begin(), arguments.end(), "--version") != arguments.end();
}

}  // namespace tornel
