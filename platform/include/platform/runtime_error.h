#pragma once

#include <stdexcept>
#include <string>

// The runtime-style errors of the desktop runtime the system was built on:
// numbered, with standard texts, shared by every layer so that logs and
// "last error" texts read the same everywhere.
namespace platform {

namespace rt {
inline constexpr int InvalidProcedureCall = 5;
inline constexpr int Overflow = 6;
inline constexpr int OutOfMemory = 7;
inline constexpr int SubscriptOutOfRange = 9;
inline constexpr int DivisionByZero = 11;
inline constexpr int TypeMismatch = 13;
inline constexpr int BadFileNameOrNumber = 52;
inline constexpr int FileNotFound = 53;
inline constexpr int BadFileMode = 54;
inline constexpr int FileAlreadyOpen = 55;
inline constexpr int DeviceIOError = 57;
inline constexpr int FileAlreadyExists = 58;
inline constexpr int DiskFull = 61;
inline constexpr int InputPastEndOfFile = 62;
inline constexpr int TooManyFiles = 67;
inline constexpr int PermissionDenied = 70;
inline constexpr int PathFileAccessError = 75;
inline constexpr int PathNotFound = 76;
inline constexpr int ObjectNotSet = 91;
inline constexpr int InvalidPropertyValue = 380;
inline constexpr int DuplicateKey = 457;
}  // namespace rt

// The standard text of an error number; "Application-defined or
// object-defined error" for numbers the table does not hold.
std::string errorText(int number);

// An error raised by an operation, caught by the procedure that traps it.
class RuntimeError : public std::runtime_error {
  public:
    RuntimeError(int number, std::string description, std::string source = {});
    explicit RuntimeError(int number);

    int number() const { return number_; }
    const std::string& description() const { return description_; }
    const std::string& source() const { return source_; }

  private:
    int number_;
    std::string description_;
    std::string source_;
};

// The runtime error that a failed system call with `errnoValue` stands for
// (ENOENT is 53 "File not found", EACCES 70 "Permission denied", …).
RuntimeError errorFromErrno(int errnoValue);

// Throws the runtime error of `errnoValue` unless it is 0 (success).
void throwIfErrno(int errnoValue);

}  // namespace platform
