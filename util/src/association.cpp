#include "association.h"

#include "platform/registry.h"

namespace orv::association {
namespace {

constexpr auto Root = platform::RegistryRoot::ClassesRoot;

std::string documentKey(const std::string& appName) {
    return appName + ".Document";
}

std::string openCommandKey(const std::string& appName) {
    return documentKey(appName) + "\\shell\\open\\command";
}

void createRegKey(const std::string& subKey) {
    platform::createRegistryKey(Root, subKey);
}

// Sets the key's default value to a text.
void setRegKeyValue(const std::string& subKey, const std::string& newValue) {
    platform::setRegistryValue(Root, subKey, "", {platform::RegistryType::Text, newValue});
}

}  // namespace

void registerDocumentType(const std::string& extension, const std::string& appName) {
    const std::string extensionKey = "." + extension;
    createRegKey(extensionKey);
    setRegKeyValue(extensionKey, documentKey(appName));
    createRegKey(openCommandKey(appName));
    setRegKeyValue(documentKey(appName), appName);
}

void registerDefaultIcon(const std::string& appName, const std::string& icon) {
    const std::string iconKey = documentKey(appName) + "\\DefaultIcon";
    createRegKey(iconKey);
    setRegKeyValue(iconKey, icon);
}

void registerOpenCommand(const std::string& appName, const std::string& filePath) {
    setRegKeyValue(openCommandKey(appName), filePath + " %1");
}

}  // namespace orv::association
