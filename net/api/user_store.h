#pragma once

#include <string>

namespace qel {

class cSettings;

// Writes one account into a user store: section `user` with "Password",
// "Authority" and "Updated" (`updated`, or the current date and time when it
// is empty).
void saveUser(cSettings& store, const std::string& user, const std::string& password,
              const std::string& authority, const std::string& updated);

}  // namespace qel
