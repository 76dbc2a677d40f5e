#pragma once

#include <utility>

namespace platform {

// Gives `target` a value for the life of the guard and then restores the one
// it had: a flag held while work runs, a depth counted while nested.
template <class T>
class ScopedAssignment {
  public:
    ScopedAssignment(T& target, T value)
        : target_(target), previous_(std::exchange(target, std::move(value))) {}
    ~ScopedAssignment() { target_ = std::move(previous_); }
    ScopedAssignment(const ScopedAssignment&) = delete;
    ScopedAssignment& operator=(const ScopedAssignment&) = delete;

  private:
    T& target_;
    T previous_;
};

}  // namespace platform
