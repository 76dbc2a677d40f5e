#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tornel {

// The switches of the command line.
inline constexpr std::string_view SwitchCopy = "-copy";
inline constexpr std::string_view SwitchDelete = "-delete";
inline constexpr std::string_view SwitchUpdate = "-update";
inline constexpr std::string_view SwitchDebug = "-debug";
inline constexpr std::string_view SwitchSeeSelf = "-seeself";

// The program's arguments after its own path, joined by spaces. A switch is
// on when it appears anywhere in that text, letter case as written; the
// program's own path never counts, so a folder named "x-copy" switches
// nothing on.
class CommandLine {
  public:
    CommandLine() = default;
    explicit CommandLine(const std::vector<std::string>& arguments);

    bool has(std::string_view switchText) const;
    const std::string& text() const { return text_; }

  private:
    std::string text_;
};

// True when the program was asked only for its version.
bool wantsVersionOnly(const std::vector<std::string>& arguments);

}  // namespace tornel
