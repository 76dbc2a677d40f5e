#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace qel {

// What reading or transforming peer input failed with: a runtime-style error
// number and its text. The wire code returns it instead of reporting it, so
// no parse raises an event; whoever asked reports it once the parse is over.
struct WireError {
    int32_t number = 0;
    std::string description;
};

// The outcome of a wire step that can fail: true when it succeeded.
class [[nodiscard]] WireStatus {
  public:
    WireStatus() = default;
    WireStatus(WireError error) : error_(std::move(error)) {}  // NOLINT: a failure converts

    // A failure with the number's standard text.
    static WireStatus failure(int32_t number);
    static WireStatus failure(int32_t number, std::string description) {
        return WireError{number, std::move(description)};
    }

    bool ok() const { return !error_.has_value(); }
    explicit operator bool() const { return ok(); }
    // Only of a failure.
    const WireError& error() const { return *error_; }

  private:
    std::optional<WireError> error_;
};

}  // namespace qel
