#include "core/update/program_image.h"

#include "platform/files.h"

#include <cstring>

namespace tornel::program_image {
namespace {

constexpr std::string_view Magic =
    "\x7f"
    "ELF";
constexpr size_t ClassAt = 4;  // 1: 32-bit, 2: 64-bit
constexpr size_t DataAt = 5;   // 1: little-endian, 2: big-endian
constexpr size_t TypeAt = 16;
constexpr size_t MachineAt = 18;
constexpr uint16_t TypeExecutable = 2;
constexpr uint16_t TypeSharedObject = 3;  // position-independent executables

// A 16-bit field in the byte order both headers share, which is this machine's.
uint16_t field16(std::string_view head, size_t at) {
    uint16_t value = 0;
    std::memcpy(&value, head.data() + at, sizeof(value));
    return value;
}

}  // namespace

std::optional<std::string> fault(std::string_view head, int64_t size, std::string_view ownHead) {
    if (size < MinBytes || size > MaxBytes) {
        return "The program image has an implausible size of " + std::to_string(size) + " bytes";
    }
    if (head.size() < HeadBytes || !head.starts_with(Magic)) {
        return std::string("The program image is not an ELF program");
    }
    if (ownHead.size() < HeadBytes || !ownHead.starts_with(Magic)) {
        return std::string("The running program's own format is unknown");
    }
    if (head[ClassAt] != ownHead[ClassAt] || head[DataAt] != ownHead[DataAt] ||
        field16(head, MachineAt) != field16(ownHead, MachineAt)) {
        return std::string("The program image is for another machine");
    }
    const uint16_t type = field16(head, TypeAt);
    if (type != TypeExecutable && type != TypeSharedObject) {
        return std::string("The program image is not an executable");
    }
    return std::nullopt;
}

std::string headOf(const std::string& path) {
    int error = 0;
    const platform::File file = platform::File::openForReading(path, &error);
    std::string head;
    if (error != 0 || file.readAt(0, HeadBytes, head) != 0) {
        return {};
    }
    return head;
}

std::string ownHead() {
    return headOf("/proc/self/exe");
}

}  // namespace tornel::program_image
