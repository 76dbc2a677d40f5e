#pragma once

#include <string>

namespace tornel {

// Moves the settings of the older product, "Kesto.xml" in the program folder
// (found whatever the case of its name), over "Settings.xml": the file found
// is deleted only once the copy has succeeded, so the move happens once and
// never loses it. Raises an error when the copy or the delete fails.
void migrateKesto(const std::string& programFolder);

}  // namespace tornel
