#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tornel {

// What a program image must be before this machine runs it: an ELF
// executable (or position-independent executable) of the running program's
// class, byte order and machine, of a plausible size.
namespace program_image {

// The leading bytes that tell all of that: e_ident, e_type and e_machine.
inline constexpr size_t HeadBytes = 20;
// Smaller files are no program; larger ones are refused before they are
// stored (a program of ours is a few megabytes).
inline constexpr int64_t MinBytes = 4096;
inline constexpr int64_t MaxBytes = int64_t{128} * 1024 * 1024;

// Why an image of `size` bytes starting with `head` cannot run where the
// program starting with `ownHead` runs; none when it can. Only the first
// HeadBytes of each are read.
std::optional<std::string> fault(std::string_view head, int64_t size, std::string_view ownHead);

// The first HeadBytes of the file at `path` ("" when it cannot be read).
std::string headOf(const std::string& path);

// The first HeadBytes of the running program.
std::string ownHead();

}  // namespace program_image

}  // namespace tornel
