#pragma once

#include <string>

namespace orv {

// Registers a file extension (given without its dot) with the shell, so that
// opening such a file runs `filePath` with the file's path. Failed steps are
// not reported; the later ones still run.
class cUtils {
  public:
    void CreateAssociation(const std::string& extension, const std::string& appName,
                           const std::string& filePath);
};

}  // namespace orv
