#include "platform/runtime_error.h"

#include <cerrno>
#include <unordered_map>

namespace platform {

std::string errorText(int number) {
    static const std::unordered_map<int, const char*> texts = {
        {rt::InvalidProcedureCall, "Invalid procedure call or argument"},
        {rt::Overflow, "Overflow"},
        {rt::OutOfMemory, "Out of memory"},
        {rt::SubscriptOutOfRange, "Subscript out of range"},
        {rt::DivisionByZero, "Division by zero"},
        {rt::TypeMismatch, "Type mismatch"},
        {rt::BadFileNameOrNumber, "Bad file name or number"},
        {rt::FileNotFound, "File not found"},
        {rt::BadFileMode, "Bad file mode"},
        {rt::FileAlreadyOpen, "File already open"},
        {rt::DeviceIOError, "Device I/O error"},
        {rt::FileAlreadyExists, "File already exists"},
        {rt::DiskFull, "Disk full"},
        {rt::InputPastEndOfFile, "Input past end of file"},
        {rt::TooManyFiles, "Too many files"},
        {rt::PermissionDenied, "Permission denied"},
        {rt::PathFileAccessError, "Path/File access error"},
        {rt::PathNotFound, "Path not found"},
        {rt::ObjectNotSet, "Object variable or With block variable not set"},
        {rt::InvalidPropertyValue, "Invalid property value"},
        {rt::DuplicateKey, "This key is already associated with an element of this collection"},
    };
    const auto found = texts.find(number);
    return found != texts.end() ? found->second : "Application-defined or object-defined error";
}

RuntimeError::RuntimeError(int number, std::string description, std::string source)
    : std::runtime_error(description),
      number_(number),
      description_(std::move(description)),
      source_(std::move(source)) {}

RuntimeError::RuntimeError(int number) : RuntimeError(number, errorText(number)) {}

void throwIfErrno(int errnoValue) {
    if (errnoValue != 0) {
        throw errorFromErrno(errnoValue);
    }
}

RuntimeError errorFromErrno(int errnoValue) {
    switch (errnoValue) {
        case ENOENT:
            return RuntimeError(rt::FileNotFound);
        case ENOTDIR:
            return RuntimeError(rt::PathNotFound);
        case EACCES:
        case EPERM:
        case EROFS:
            return RuntimeError(rt::PermissionDenied);
        case EEXIST:
            return RuntimeError(rt::FileAlreadyExists);
        case ENOSPC:
        case EDQUOT:
            return RuntimeError(rt::DiskFull);
        case EMFILE:
        case ENFILE:
            return RuntimeError(rt::TooManyFiles);
        case EIO:
            return RuntimeError(rt::DeviceIOError);
        case ENOMEM:
            return RuntimeError(rt::OutOfMemory);
        case EBADF:
            return RuntimeError(rt::BadFileNameOrNumber);
        default:
            return RuntimeError(rt::PathFileAccessError);
    }
}

}  // namespace platform
