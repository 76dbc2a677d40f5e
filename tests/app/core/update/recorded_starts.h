#pragma once

#include "core/update/program_start.h"

#include <string>
#include <vector>

namespace tornel::test {

// The programs a self-update asks to start, recorded instead of started.
struct RecordedStarts {
    struct Start {
        std::string program;
        std::vector<std::string> arguments;
        std::string folder;
    };
    std::vector<Start> starts;
    bool succeed = true;

    ProgramStarter starter() {
        return [this](const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& folder) {
            starts.push_back({program, arguments, folder});
            return succeed;
        };
    }
};

}  // namespace tornel::test
