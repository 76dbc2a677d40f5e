#include "core/program/command_line.h"

#include <algorithm>

namespace tornel {

CommandLine::CommandLine(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (!text_.empty()) {
            text_ += ' ';
        }
        text_ += argument;
    }
}

bool CommandLine::has(std::string_view switchText) const {
    return text_.find(switchText) != std::string::npos;
}

bool wantsVersionOnly(const std::vector<std::string>& arguments) {
    return std::find(arguments.begin(), arguments.end(), "--version") != arguments.end();
}

}  // namespace tornel
