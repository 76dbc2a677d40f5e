#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

// Helpers the benchmarks share: the best of a few timed runs, and the
// output of a reference command.
namespace bench {

// The best of three runs of `run`, in seconds; `result` holds what the last
// run gave.
template <class Result>
double bestSeconds(const std::function<Result()>& run, Result& result) {
    double best = 1e9;
    for (int round = 0; round < 3; ++round) {
        const auto start = std::chrono::steady_clock::now();
        result = run();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

// Everything the shell command prints on its standard output, read whole.
inline std::string commandOutput(const std::string& command) {
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return {};
    }
    std::string output;
    char buffer[65536];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        output.append(buffer, got);
    }
    ::pclose(pipe);
    return output;
}

// The number of lines the shell command prints.
inline size_t commandLines(const std::string& command) {
    const std::string output = commandOutput(command);
    return static_cast<size_t>(std::count(output.begin(), output.end(), '\n'));
}

}  // namespace bench
