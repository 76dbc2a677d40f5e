#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <utility>

namespace platform {

// A control array: elements are loaded by index, grow the array, and never
// move once loaded, so references to them stay valid. Elements are never
// unloaded; they are reused.
template <class Control>
class ControlArray {
  public:
    // Loads element `index` (== count()) and returns it.
    template <class... Args>
    Control& load(Args&&... args) {
        elements_.push_back(std::make_unique<Control>(std::forward<Args>(args)...));
        return *elements_.back();
    }

    Control& operator[](std::size_t index) { return *elements_.at(index); }
    const Control& operator[](std::size_t index) const { return *elements_.at(index); }
    std::size_t count() const { return elements_.size(); }
    bool contains(std::size_t index) const { return index < elements_.size(); }

  private:
    std::deque<std::unique_ptr<Control>> elements_;
};

}  // namespace platform
