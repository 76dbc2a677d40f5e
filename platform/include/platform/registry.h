#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The stand-in for the system registry: keys named by "\"-separated paths
// under a root, each holding named, typed values ("" names a key's default
// value). Names match without regard to ASCII case and keep the case they
// were first written with. The whole store is one file in the user's
// configuration folder, replaced atomically on every change; key and value
// names are data in that file, never file-system paths.
namespace platform {

enum class RegistryRoot { ClassesRoot };

enum class RegistryType : uint32_t { Text = 1, Number32 = 4 };

struct RegistryValue {
    RegistryType type = RegistryType::Text;
    std::string data;  // a text without its terminating NUL
    bool operator==(const RegistryValue&) const = default;
};

// Creates the key and every missing key above it; an existing key is left as
// it is. False for a path with an empty name in it, or when the store cannot
// be read or written.
bool createRegistryKey(RegistryRoot root, const std::string& keyPath);

// Sets a value of an existing key, replacing one of the same name. False when
// the key does not exist, or when the store cannot be read or written.
bool setRegistryValue(RegistryRoot root, const std::string& keyPath, const std::string& valueName,
                      const RegistryValue& value);

bool registryKeyExists(RegistryRoot root, const std::string& keyPath);
std::optional<RegistryValue> getRegistryValue(RegistryRoot root, const std::string& keyPath,
                                              const std::string& valueName);

// The paths of every key under `root`, in the order they were created.
std::vector<std::string> registryKeyPaths(RegistryRoot root);

}  // namespace platform
