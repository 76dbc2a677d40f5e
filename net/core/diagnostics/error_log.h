#pragma once

#include "wire_error.h"

#include <cstdint>
#include <string>
#include <string_view>

// The library's one error reporter, and its debug output.
namespace qel {

// "Error " + number in signed decimal + ": " + description, then
// " [" + source + "]" when there is a source.
std::string errorLine(int32_t number, std::string_view description, std::string_view source);

// Prints the error line in debug mode (with " [NodeID: …]" when a node ID is
// given) and raises the Error event of the current session's owner. Errors
// raised by Error handlers themselves are only printed beyond a few levels.
// Never fails.
void logError(int32_t number, std::string_view description, std::string_view source = {},
              std::string_view nodeID = {}) noexcept;

// Reports what a parse or transform returned.
inline void logError(const WireError& error) noexcept {
    logError(error.number, error.description);
}

// In debug mode, appends one line to the debug window, showing it first when
// hidden; outside debug mode prints nothing and shows nothing.
void debugPrint(std::string_view line) noexcept;

// Switches debug mode on, for the rest of the process, when this user's
// stored switch says so; a no-op once it is on.
void enterDebugMode() noexcept;

}  // namespace qel
