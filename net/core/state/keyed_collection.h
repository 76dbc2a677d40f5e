#pragma once

#include "platform/ascii.h"
#include "platform/runtime_error.h"

#include <cstddef>
#include <list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace qel {

// A collection of values under text keys, in insertion order. Keys match
// without regard to ASCII letter case; lookups and removals are O(1).
template <class T>
class KeyedCollection {
  public:
    struct Entry {
        std::string key;
        T value;
    };

    KeyedCollection() = default;
    // The index points into the entry list, so a copy would point into the original.
    KeyedCollection(const KeyedCollection&) = delete;
    KeyedCollection& operator=(const KeyedCollection&) = delete;
    KeyedCollection(KeyedCollection&&) noexcept = default;
    KeyedCollection& operator=(KeyedCollection&&) noexcept = default;

    // Throws RuntimeError 457 when the key is already present.
    void add(std::string key, T value) {
        std::string folded = platform::asciiLower(key);
        if (index_.contains(folded)) {
            throw platform::RuntimeError(platform::rt::DuplicateKey);
        }
        entries_.push_back({std::move(key), std::move(value)});
        index_.emplace(std::move(folded), std::prev(entries_.end()));
    }

    T* find(std::string_view key) {
        const auto found = index_.find(platform::asciiLower(key));
        return found != index_.end() ? &found->second->value : nullptr;
    }
    const T* find(std::string_view key) const {
        const auto found = index_.find(platform::asciiLower(key));
        return found != index_.end() ? &found->second->value : nullptr;
    }
    bool contains(std::string_view key) const { return find(key) != nullptr; }

    bool remove(std::string_view key) {
        const auto found = index_.find(platform::asciiLower(key));
        if (found == index_.end()) {
            return false;
        }
        entries_.erase(found->second);
        index_.erase(found);
        return true;
    }

    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }

    // The values in insertion order, copied, for walks during which handlers
    // may change the collection.
    std::vector<T> snapshot() const {
        std::vector<T> values;
        values.reserve(entries_.size());
        for (const Entry& entry : entries_) {
            values.push_back(entry.value);
        }
        return values;
    }

    auto begin() const { return entries_.cbegin(); }
    auto end() const { return entries_.cend(); }

  private:
    std::list<Entry> entries_;
    std::unordered_map<std::string, typename std::list<Entry>::iterator> index_;
};

}  // namespace qel
