#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tornel {

// The display name of a path: "X Drive" for a short path holding ":" (such
// as "C:\"), else the text after the last "\" or "/" ("" when the path ends
// with one, the whole text when it holds none).
std::string getFileName(std::string_view path);

// A new identifier: 32 upper-case hexadecimal digits.
std::string GUID();

// A size for people: the value divided by `divisor` while it is at least
// `divisor`, up to gigabytes, rounded to `decimals` places (halves to even),
// without trailing zeros, with " bytes", " KB", " MB" or " GB". Numbers are
// written the same on every machine ("1.5 KB").
std::string getSize(int64_t value, int decimals = 1, int64_t divisor = 1024);

// `value` rounded to `decimals` places (halves to even) as plain decimal text
// with "." as the point and without trailing zeros ("1.5", "5"), the same on
// every machine.
std::string decimalText(double value, int decimals);

// Whether a file or folder name is one that listings hide as a system file
// (Thumbs.db, desktop.ini, RECYCLER, album art, …), any "\" removed, letter
// case ignored.
bool isSystem(std::string_view name);

}  // namespace tornel
