#pragma once

#include "core/log/error_log.h"

#include <exception>
#include <string_view>
#include <utility>

namespace tornel {

// Writes the failure that `error` holds to the log under `source`: a runtime
// error with its number and description, anything else without a number.
void logFailure(const ErrorLog& log, std::string_view source, std::exception_ptr error);

// Runs `step` the way a procedure that traps its own errors does: a failure
// is written to the log under the procedure's name and goes no further.
// Returns whether the step ran without failing, so that a procedure can go on
// with its next step or leave, as it must.
template <class Step>
bool guarded(const ErrorLog& log, std::string_view source, Step&& step) noexcept {
    try {
        std::forward<Step>(step)();
        return true;
    } catch (...) {
        logFailure(log, source, std::current_exception());
        return false;
    }
}

// The same for a step with a result: `fallback` when it fails.
template <class Result, class Step>
Result guarded(const ErrorLog& log, std::string_view source, Result fallback,
               Step&& step) noexcept {
    try {
        return std::forward<Step>(step)();
    } catch (...) {
        logFailure(log, source, std::current_exception());
        return fallback;
    }
}

// Runs `step` and ignores any failure: for the steps that the program skips
// silently when they fail.
template <class Step>
void skipFailure(Step&& step) noexcept {
    try {
        std::forward<Step>(step)();
    } catch (...) {
    }
}

}  // namespace tornel
