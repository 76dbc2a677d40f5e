#pragma once

#include "platform/runtime_error.h"

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tornel {

// An ordered collection whose items may carry a text key: insertion order is
// kept, items are found by key or by 1-based position, and adding a key that
// is already present fails (error 457). Keys compare exactly, so paths that
// differ only in case stay apart.
template <class T>
class KeyedCollection {
  public:
    struct Entry {
        std::optional<std::string> key;
        T item;
    };

    // Appends `item`; throws RuntimeError 457 when `key` is taken already.
    void add(T item, std::optional<std::string> key = std::nullopt) {
        if (key) {
            if (positions_.contains(*key)) {
                throw platform::RuntimeError(platform::rt::DuplicateKey);
            }
            positions_.emplace(*key, entries_.size());
        }
        entries_.push_back({std::move(key), std::move(item)});
    }

    bool exists(const std::string& key) const { return positions_.contains(key); }
    size_t count() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }

    // The item at `position` (1 = the first); throws RuntimeError 9 when there is none.
    T& item(size_t position) { return entries_.at(indexOf(position)).item; }
    const T& item(size_t position) const { return entries_.at(indexOf(position)).item; }
    // The item under `key`; throws RuntimeError 5 when there is none.
    T& item(const std::string& key) { return entries_[indexOf(key)].item; }
    const T& item(const std::string& key) const { return entries_[indexOf(key)].item; }
    // The item under `key`, or null.
    T* find(const std::string& key) {
        const auto found = positions_.find(key);
        return found != positions_.end() ? &entries_[found->second].item : nullptr;
    }
    const T* find(const std::string& key) const {
        const auto found = positions_.find(key);
        return found != positions_.end() ? &entries_[found->second].item : nullptr;
    }

    void remove(size_t position) { eraseAt(indexOf(position)); }
    void remove(const std::string& key) { eraseAt(indexOf(key)); }
    void clear() {
        entries_.clear();
        positions_.clear();
    }

    // Entries in order, for walks that do not change the collection.
    const std::vector<Entry>& entries() const { return entries_; }
    // A copy of the items in order, for walks whose steps may change it.
    std::vector<T> snapshot() const {
        std::vector<T> items;
        items.reserve(entries_.size());
        for (const Entry& entry : entries_) {
            items.push_back(entry.item);
        }
        return items;
    }

    auto begin() { return entries_.begin(); }
    auto end() { return entries_.end(); }
    auto begin() const { return entries_.begin(); }
    auto end() const { return entries_.end(); }

  private:
    size_t indexOf(size_t position) const {
        if (position < 1 || position > entries_.size()) {
            throw platform::RuntimeError(platform::rt::SubscriptOutOfRange);
        }
        return position - 1;
    }
    size_t indexOf(const std::string& key) const {
        const auto found = positions_.find(key);
        if (found == positions_.end()) {
            throw platform::RuntimeError(platform::rt::InvalidProcedureCall);
        }
        return found->second;
    }
    void eraseAt(size_t index) {
        if (entries_[index].key) {
            positions_.erase(*entries_[index].key);
        }
        entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
        for (auto& [key, at] : positions_) {
            if (at > index) {
                --at;
            }
        }
    }

    std::vector<Entry> entries_;
    std::unordered_map<std::string, size_t> positions_;
};

// Whether `container` holds an item under `key`.
template <class Container>
bool itemExists(const std::string& key, const Container& container) {
    return container.exists(key);
}

}  // namespace tornel
