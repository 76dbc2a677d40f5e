#include "orvdll/associate_type.h"

#include "association.h"

namespace orv {

void cAssociateType::CreateAssociation(const std::string& extension, const std::string& appName,
                                       const std::string& filePath) {
    std::string fileIcon;
    CreateAssociation(extension, appName, filePath, fileIcon);
}

void cAssociateType::CreateAssociation(const std::string& extension, const std::string& appName,
                                       const std::string& filePath, std::string& fileIcon) {
    association::registerDocumentType(extension, appName);
    if (fileIcon.empty()) {
        fileIcon = filePath + ",0";
    }
    association::registerDefaultIcon(appName, fileIcon);
    association::registerOpenCommand(appName, filePath);
}

}  // namespace orv
