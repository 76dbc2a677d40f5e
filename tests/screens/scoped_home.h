#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace tornel::screens {

// HOME points at `folder` while alive, so the drive list shows a fixture
// home instead of the user's own; the previous value comes back at the end.
class ScopedHome {
  public:
    explicit ScopedHome(const std::string& folder) {
        if (const char* previous = std::getenv("HOME")) {
            previous_ = previous;
        }
        ::setenv("HOME", folder.c_str(), 1);
    }
    ~ScopedHome() {
        if (previous_) {
            ::setenv("HOME", previous_->c_str(), 1);
        } else {
            ::unsetenv("HOME");
        }
    }
    ScopedHome(const ScopedHome&) = delete;
    ScopedHome& operator=(const ScopedHome&) = delete;

  private:
    std::optional<std::string> previous_;
};

}  // namespace tornel::screens
