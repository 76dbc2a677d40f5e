#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tornel {

// Starts `program` as a process of its own that outlives this one, with
// `arguments` handed over as they are (no shell) and `folder` as its working
// folder. Whether it started.
using ProgramStarter =
    std::function<bool(const std::string& program, const std::vector<std::string>& arguments,
                       const std::string& folder)>;

// The starter the program uses.
bool startDetached(const std::string& program, const std::vector<std::string>& arguments,
                   const std::string& folder);

}  // namespace tornel
