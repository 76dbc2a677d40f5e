#pragma once

#include <string>

namespace platform {

// The current local date and time in the system's short date format with the
// time to the second.
std::string currentDateTimeText();

}  // namespace platform
