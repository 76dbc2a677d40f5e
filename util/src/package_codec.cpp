#include "package_codec.h"

#include <algorithm>
#include <limits>

namespace orv::package {
namespace {

std::string readByteArray(ByteReader& in) {
    const uint16_t dimensions = in.u16();
    if (dimensions == 0) {
        return {};
    }
    if (dimensions != 1) {
        throw badFormat();
    }
    const uint32_t length = in.u32();
    // The writer gives an empty array no storage and only ever a lower bound of 0.
    if (in.i32() != 0 || length == 0) {
        throw badFormat();
    }
    return std::string(in.take(length));
}

void writeByteArray(ByteWriter& out, std::string_view data) {
    if (data.empty()) {
        out.u16(0);
        return;
    }
    if (static_cast<int64_t>(data.size()) > kMaxMemberBytes) {
        throw fileTooLarge();
    }
    out.u16(1);
    out.u32(static_cast<uint32_t>(data.size()));
    out.i32(0);
    out.raw(data);
}

void readEntry(ByteReader& in, PackageEntry18& entry) {
    entry.data = readByteArray(in);
    entry.fileName = in.text();
    entry.reserved1 = in.text();
    entry.reserved2 = in.text();
}

void writeEntry(ByteWriter& out, const PackageEntry18& entry) {
    writeByteArray(out, entry.data);
    out.text(entry.fileName);
    out.text(entry.reserved1);
    out.text(entry.reserved2);
}

void readEntry(ByteReader& in, PackageEntry20& entry) {
    entry.data = readByteArray(in);
    entry.fileName = in.text();
    entry.originalSize = in.i32();
    entry.isCompressed = in.i16();
    if (entry.isCompressed != 0 && entry.isCompressed != -1) {
        throw badFormat();
    }
    entry.reserved1 = in.text();
    entry.reserved2 = in.text();
    entry.spare1 = in.i32();
    entry.spare2 = in.i32();
}

void writeEntry(ByteWriter& out, const PackageEntry20& entry) {
    writeByteArray(out, entry.data);
    out.text(entry.fileName);
    out.i32(entry.originalSize);
    out.i16(entry.isCompressed);
    out.text(entry.reserved1);
    out.text(entry.reserved2);
    out.i32(entry.spare1);
    out.i32(entry.spare2);
}

}  // namespace

platform::RuntimeError badFormat() {
    return platform::RuntimeError(platform::rt::InvalidProcedureCall, "Bad file format");
}

platform::RuntimeError fileTooLarge() {
    return platform::RuntimeError(platform::rt::Overflow, "File too large");
}

std::string_view ByteReader::take(size_t length) {
    if (length > rest_.size()) {
        throw badFormat();
    }
    const std::string_view taken = rest_.substr(0, length);
    rest_.remove_prefix(length);
    return taken;
}

uint16_t ByteReader::u16() {
    const std::string_view bytes = take(2);
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes[0]) | static_cast<uint8_t>(bytes[1])
                                                                      << 8);
}

uint32_t ByteReader::u32() {
    const uint32_t low = u16();
    return low | static_cast<uint32_t>(u16()) << 16;
}

void ByteWriter::u16(uint16_t value) {
    out_.push_back(static_cast<char>(value & 0xFF));
    out_.push_back(static_cast<char>(value >> 8));
}

void ByteWriter::u32(uint32_t value) {
    u16(static_cast<uint16_t>(value & 0xFFFF));
    u16(static_cast<uint16_t>(value >> 16));
}

void ByteWriter::text(std::string_view value) {
    if (value.size() > kMaxTextLength) {
        throw platform::RuntimeError(platform::rt::Overflow);
    }
    u16(static_cast<uint16_t>(value.size()));
    raw(value);
}

template <class Version>
PackageHeader<typename Version::Entry> decodePackage(std::string_view bytes) {
    ByteReader in(bytes);
    PackageHeader<typename Version::Entry> header;
    header.description = in.text();
    if (in.u16() != 1) {
        throw badFormat();
    }
    const uint32_t elements = in.u32();
    if (in.i32() != 0 || elements == 0 || elements > in.remaining() / Version::emptyEntryBytes) {
        throw badFormat();
    }
    header.files.resize(elements);
    for (auto& entry : header.files) {
        readEntry(in, entry);
    }
    header.count = in.i32();
    if (header.count < 0 || static_cast<uint32_t>(header.count) > elements - 1) {
        throw badFormat();
    }
    header.format = in.text();
    if (header.format == Version::otherFormat) {
        throw badFormat();
    }
    header.reserved1 = in.text();
    header.reserved2 = in.text();
    if constexpr (Version::hasSpares) {
        header.spare1 = in.i32();
        header.spare2 = in.i32();
    }
    if (in.remaining() != 0) {
        throw badFormat();
    }
    return header;
}

template <class Version>
std::string encodePackage(const PackageHeader<typename Version::Entry>& header) {
    using Entry = typename Version::Entry;
    ByteWriter out;
    out.text(header.description);
    const size_t elements = std::max<size_t>(header.files.size(), 1);
    if (elements > std::numeric_limits<uint32_t>::max()) {
        throw platform::RuntimeError(platform::rt::Overflow);
    }
    out.u16(1);
    out.u32(static_cast<uint32_t>(elements));
    out.i32(0);
    if (header.files.empty()) {
        writeEntry(out, Entry{});
    }
    for (const Entry& entry : header.files) {
        writeEntry(out, entry);
    }
    out.i32(header.count);
    out.text(header.format);
    out.text(header.reserved1);
    out.text(header.reserved2);
    if constexpr (Version::hasSpares) {
        out.i32(header.spare1);
        out.i32(header.spare2);
    }
    return out.take();
}

template PackageHeader<PackageEntry18> decodePackage<FirstVersion>(std::string_view);
template PackageHeader<PackageEntry20> decodePackage<SecondVersion>(std::string_view);
template std::string encodePackage<FirstVersion>(const PackageHeader<PackageEntry18>&);
template std::string encodePackage<SecondVersion>(const PackageHeader<PackageEntry20>&);

}  // namespace orv::package
