#pragma once

#include <string>

namespace orv {

// Registers a file extension (given without its dot) with the shell as cUtils
// does, and the icon the shell shows for the type. Failed steps are not
// reported; the later ones still run.
class cAssociateType {
  public:
    // The icon is the program's first: `filePath` + ",0".
    void CreateAssociation(const std::string& extension, const std::string& appName,
                           const std::string& filePath);
    // An empty `fileIcon` is set to `filePath` + ",0" before it is registered.
    void CreateAssociation(const std::string& extension, const std::string& appName,
                           const std::string& filePath, std::string& fileIcon);
};

}  // namespace orv
