#include "orvdll/utils.h"

#include "association.h"

namespace orv {

void cUtils::CreateAssociation(const std::string& extension, const std::string& appName,
                               const std::string& filePath) {
    association::registerDocumentType(extension, appName);
    association::registerOpenCommand(appName, filePath);
}

}  // namespace orv
