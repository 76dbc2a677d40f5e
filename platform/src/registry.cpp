#include "platform/registry.h"

#include "store_file.h"

#include "platform/ascii.h"
#include "platform/atomic_file.h"
#include "platform/config_folder.h"

#include <algorithm>
#include <charconv>

namespace platform {
namespace {

// Records of the store file: "key", path; "value", path, name, type, data.
// A path starts with its root's name.
constexpr std::string_view KeyRecord = "key";
constexpr std::string_view ValueRecord = "value";

struct StoredValue {
    std::string name;
    RegistryValue value;
};

struct StoredKey {
    std::string path;
    std::vector<StoredValue> values;
};

using Store = std::vector<StoredKey>;

std::string storePath() {
    return configFolder() + "/registry.txt";
}

std::string rootName(RegistryRoot root) {
    switch (root) {
        case RegistryRoot::ClassesRoot:
            return "HKEY_CLASSES_ROOT";
    }
    return {};
}

// The names of a key path, or nothing when one of them is empty.
std::optional<std::vector<std::string>> keyNames(std::string_view keyPath) {
    std::vector<std::string> names;
    for (;;) {
        const size_t separator = keyPath.find('\\');
        names.emplace_back(keyPath.substr(0, separator));
        if (names.back().empty()) {
            return std::nullopt;
        }
        if (separator == std::string_view::npos) {
            return names;
        }
        keyPath.remove_prefix(separator + 1);
    }
}

std::optional<std::string> fullPath(RegistryRoot root, const std::string& keyPath) {
    if (!keyNames(keyPath)) {
        return std::nullopt;
    }
    return rootName(root) + '\\' + keyPath;
}

StoredKey* findKey(Store& store, std::string_view path) {
    const auto found = std::find_if(store.begin(), store.end(), [&](const StoredKey& key) {
        return asciiEqualsIgnoreCase(key.path, path);
    });
    return found != store.end() ? &*found : nullptr;
}

StoredKey& keyFor(Store& store, std::string path) {
    if (StoredKey* key = findKey(store, path)) {
        return *key;
    }
    return store.emplace_back(StoredKey{std::move(path), {}});
}

std::optional<RegistryType> typeFrom(std::string_view text) {
    uint32_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return static_cast<RegistryType>(number);
}

std::optional<Store> load() {
    const auto records = readStoreFile(storePath());
    if (!records) {
        return std::nullopt;
    }
    Store store;
    for (const StoreRecord& fields : *records) {
        if (fields.size() == 2 && fields[0] == KeyRecord) {
            keyFor(store, fields[1]);
        } else if (fields.size() == 5 && fields[0] == ValueRecord) {
            if (const auto type = typeFrom(fields[3])) {
                keyFor(store, fields[1]).values.push_back({fields[2], {*type, fields[4]}});
            }
        }
    }
    return store;
}

bool save(const Store& store) {
    std::string text;
    for (const StoredKey& key : store) {
        text += storeLine({KeyRecord, key.path});
        for (const StoredValue& value : key.values) {
            text += storeLine({ValueRecord, key.path, value.name,
                               std::to_string(static_cast<uint32_t>(value.value.type)),
                               value.value.data});
        }
    }
    return writeFileAtomically(storePath(), text) == 0;
}

}  // namespace

bool createRegistryKey(RegistryRoot root, const std::string& keyPath) {
    const auto names = keyNames(keyPath);
    auto store = load();
    if (!names || !store) {
        return false;
    }
    // Each level keeps the spelling it was created with.
    std::string path = rootName(root);
    const size_t before = store->size();
    for (const std::string& name : *names) {
        path = keyFor(*store, path + '\\' + name).path;
    }
    return store->size() == before || save(*store);
}

bool setRegistryValue(RegistryRoot root, const std::string& keyPath, const std::string& valueName,
                      const RegistryValue& value) {
    const auto path = fullPath(root, keyPath);
    auto store = load();
    StoredKey* key = path && store ? findKey(*store, *path) : nullptr;
    if (key == nullptr) {
        return false;
    }
    const auto found = std::find_if(key->values.begin(), key->values.end(), [&](const auto& v) {
        return asciiEqualsIgnoreCase(v.name, valueName);
    });
    if (found != key->values.end()) {
        found->value = value;
    } else {
        key->values.push_back({valueName, value});
    }
    return save(*store);
}

bool registryKeyExists(RegistryRoot root, const std::string& keyPath) {
    const auto path = fullPath(root, keyPath);
    auto store = load();
    return path && store && findKey(*store, *path) != nullptr;
}

std::optional<RegistryValue> getRegistryValue(RegistryRoot root, const std::string& keyPath,
                                              const std::string& valueName) {
    const auto path = fullPath(root, keyPath);
    auto store = load();
    const StoredKey* key = path && store ? findKey(*store, *path) : nullptr;
    if (key != nullptr) {
        for (const StoredValue& value : key->values) {
            if (asciiEqualsIgnoreCase(value.name, valueName)) {
                return value.value;
            }
        }
    }
    return std::nullopt;
}

std::vector<std::string> registryKeyPaths(RegistryRoot root) {
    const std::string prefix = rootName(root) + '\\';
    std::vector<std::string> paths;
    for (const StoredKey& key : load().value_or(Store{})) {
        if (key.path.size() > prefix.size() &&
            asciiEqualsIgnoreCase(std::string_view(key.path).substr(0, prefix.size()), prefix)) {
            paths.push_back(key.path.substr(prefix.size()));
        }
    }
    return paths;
}

}  // namespace platform
