#pragma once

#include <string>

namespace platform {

// The folder where this user's stores live (created on first use):
// $XDG_CONFIG_HOME/Tornel, or the test override while one is set.
std::string configFolder();

// While alive, configFolder() is `folder`, so tests never touch the user's
// own stores. Not nestable.
class ScopedConfigFolder {
  public:
    explicit ScopedConfigFolder(std::string folder);
    ~ScopedConfigFolder();
    ScopedConfigFolder(const ScopedConfigFolder&) = delete;
    ScopedConfigFolder& operator=(const ScopedConfigFolder&) = delete;
};

}  // namespace platform
