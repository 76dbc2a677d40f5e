#pragma once

#include "platform/runtime_error.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The record encoding of package files: little-endian fields in declaration
// order, no padding. A text is a 16-bit length and its bytes; a dynamic array
// is a 16-bit dimension count (0 when it has no storage), then a 32-bit element
// count and a 32-bit lower bound, then the elements.
namespace orv::package {

// The longest text and the largest member the stored 16-bit and 32-bit fields hold.
inline constexpr size_t kMaxTextLength = 0xFFFF;
inline constexpr int64_t kMaxMemberBytes = 0x7FFFFFFF;

// The failure for bytes that are not a package of the expected version.
platform::RuntimeError badFormat();
// The failure for a member too large for the 32-bit fields that describe it.
platform::RuntimeError fileTooLarge();

// Reads fields from the front of a byte range; running out is a format failure,
// so nothing is ever read past the end.
class ByteReader {
  public:
    explicit ByteReader(std::string_view bytes) : rest_(bytes) {}

    size_t remaining() const { return rest_.size(); }
    std::string_view take(size_t length);
    uint16_t u16();
    uint32_t u32();
    int16_t i16() { return static_cast<int16_t>(u16()); }
    int32_t i32() { return static_cast<int32_t>(u32()); }
    std::string text() { return std::string(take(u16())); }

  private:
    std::string_view rest_;
};

class ByteWriter {
  public:
    void u16(uint16_t value);
    void u32(uint32_t value);
    void i16(int16_t value) { u16(static_cast<uint16_t>(value)); }
    void i32(int32_t value) { u32(static_cast<uint32_t>(value)); }
    // Fails rather than wrap a length over 65535.
    void text(std::string_view value);
    void raw(std::string_view bytes) { out_.append(bytes); }
    std::string take() { return std::move(out_); }

  private:
    std::string out_;
};

// A member of a first-version package.
struct PackageEntry18 {
    std::string data;
    std::string fileName;
    std::string reserved1;
    std::string reserved2;
};

// A member of a second-version package: `data` is a zlib stream when
// `isCompressed` is -1, and `originalSize` is the uncompressed length minus one.
struct PackageEntry20 {
    std::string data;
    std::string fileName;
    int32_t originalSize = 0;
    int16_t isCompressed = 0;
    std::string reserved1;
    std::string reserved2;
    int32_t spare1 = 0;
    int32_t spare2 = 0;
};

// The whole package. `files[0]` is never a member; members are 1..count, and
// the table may hold further empty elements beyond them.
template <class Entry>
struct PackageHeader {
    std::string description;
    std::vector<Entry> files;
    int32_t count = 0;
    std::string format;
    std::string reserved1;
    std::string reserved2;
    int32_t spare1 = 0;  // stored by the second version only
    int32_t spare2 = 0;
};

struct FirstVersion {
    using Entry = PackageEntry18;
    static constexpr std::string_view format = "STUF18";
    static constexpr std::string_view otherFormat = "STUF20";
    static constexpr size_t emptyEntryBytes = 8;
    static constexpr bool hasSpares = false;
    static constexpr bool rewritesUnchanged = true;
};

struct SecondVersion {
    using Entry = PackageEntry20;
    static constexpr std::string_view format = "STUF20";
    static constexpr std::string_view otherFormat = "STUF18";
    static constexpr size_t emptyEntryBytes = 22;
    static constexpr bool hasSpares = true;
    static constexpr bool rewritesUnchanged = false;
};

// Parses a whole package file. Every count is checked against the bytes left
// before anything is allocated, and nothing may follow the record; any breach
// (or a file of the other version) fails with badFormat().
template <class Version>
PackageHeader<typename Version::Entry> decodePackage(std::string_view bytes);

// The file bytes of a package; a table without elements is written as one
// empty element 0, so every written file reads back.
template <class Version>
std::string encodePackage(const PackageHeader<typename Version::Entry>& header);

}  // namespace orv::package
