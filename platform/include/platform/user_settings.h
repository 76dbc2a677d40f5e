#pragma once

#include <string>
#include <utility>
#include <vector>

// The per-user settings store: text values under application, section and
// key, matched without regard to ASCII case. It lives in one file in the
// user's configuration folder; every write replaces that file atomically.
namespace platform {

std::string getSetting(const std::string& app, const std::string& section, const std::string& key,
                       const std::string& defaultValue = {});
void saveSetting(const std::string& app, const std::string& section, const std::string& key,
                 const std::string& value);
// Removes one key, or the whole section when `key` is empty.
void deleteSetting(const std::string& app, const std::string& section, const std::string& key = {});
// Every key of a section with its value, in the order they were first saved.
std::vector<std::pair<std::string, std::string>> getAllSettings(const std::string& app,
                                                                const std::string& section);

}  // namespace platform
