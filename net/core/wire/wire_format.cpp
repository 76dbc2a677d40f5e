#include "wire_format.h"

#include "fields.h"
#include "input_limits.h"
#include "numbers.h"
#include "path_decoding.h"

#include "platform/ascii.h"
#include "platform/runtime_error.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string>
#include <unordered_map>

namespace qel {
namespace {

constexpr std::string_view LineEnd = "\r\n";
constexpr std::string_view NameSeparator = ": ";

// Methods whose resource is a shared path, which always starts with "\".
constexpr std::array<std::string_view, 6> PathMethods = {
    "GETFILEINFO", "FILE", "FILEINFO", "GETCONTENTS", "CONTENTS", "GET",
};

bool isPathMethod(std::string_view method) {
    return std::find(PathMethods.begin(), PathMethods.end(), method) != PathMethods.end();
}

WireStatus malformedHeader() {
    return WireStatus::failure(platform::rt::InvalidProcedureCall);
}

// The line starting at `from`, without its CR LF; `from` moves past it.
std::string_view nextLine(std::string_view text, size_t& from) {
    const size_t end = text.find(LineEnd, from);
    const size_t stop = end == std::string_view::npos ? text.size() : end;
    const std::string_view line = text.substr(from, stop - from);
    from = end == std::string_view::npos ? text.size() : end + LineEnd.size();
    return line;
}

WireStatus readMethodLine(clsPacket& packet, std::string_view line) {
    const size_t methodEnd = line.find(' ');
    if (methodEnd == std::string_view::npos) {
        return malformedHeader();
    }
    packet.Method = platform::asciiUpper(line.substr(0, methodEnd));
    const std::string_view rest = line.substr(methodEnd + 1);
    const size_t resourceEnd = rest.find(' ');
    if (resourceEnd == std::string_view::npos || resourceEnd == 0) {
        return {};  // no version word, or an empty resource: the resource stays empty
    }
    std::string resource(rest.substr(0, resourceEnd));
    decodePath(resource);
    if (isPathMethod(packet.Method) && !resource.starts_with('\\')) {
        resource.insert(resource.begin(), '\\');
    }
    packet.Resource = std::move(resource);
    return {};
}

// Where the first field of each name read from one header is in the packet.
// A usual header of a dozen lines is scanned, which allocates nothing; a
// longer one is indexed by lower-case name, so no line scans all before it.
class FirstFieldOfName {
  public:
    explicit FirstFieldOfName(size_t firstRead) : firstRead_(firstRead) {}

    // The place of the field named `name` (any case) read before, or npos.
    size_t find(const std::vector<clsField>& fields, std::string_view name) {
        if (fields.size() - firstRead_ < ScannedFields) {
            for (size_t place = firstRead_; place < fields.size(); ++place) {
                if (platform::asciiEqualsIgnoreCase(fields[place].Name, name)) {
                    return place;
                }
            }
            return std::string_view::npos;
        }
        if (index_.empty()) {
            for (size_t place = firstRead_; place < fields.size(); ++place) {
                index_.try_emplace(platform::asciiLower(fields[place].Name), place);
            }
        }
        const auto known = index_.find(platform::asciiLower(name));
        return known == index_.end() ? std::string_view::npos : known->second;
    }

    // `fields` gained its field of `name` last.
    void added(const std::vector<clsField>& fields, std::string_view name) {
        if (!index_.empty()) {
            index_.try_emplace(platform::asciiLower(name), fields.size() - 1);
        }
    }

  private:
    static constexpr size_t ScannedFields = 24;
    const size_t firstRead_;
    std::unordered_map<std::string, size_t> index_;  // built once the header is long
};

// A name read before gives its first field the new value, as SetField does.
WireStatus readFieldLine(clsPacket& packet, std::string_view line, FirstFieldOfName& firstOfName,
                         std::vector<WireError>& refusedFields) {
    const size_t separator = line.find(NameSeparator);
    if (separator == std::string_view::npos) {
        return malformedHeader();
    }
    const std::string_view name = line.substr(0, separator);
    const std::string_view value = line.substr(separator + NameSeparator.size());
    if (const size_t known = firstOfName.find(packet.Fields, name);
        known != std::string_view::npos) {
        packet.Fields[known].Data = value;
        return {};
    }
    if (WireStatus field = addFieldLine(packet, name, value); !field) {
        refusedFields.push_back(field.error());  // refused: a line break in its name
        return {};
    }
    firstOfName.added(packet.Fields, name);
    return {};
}

// The header's text, in a buffer reserved for `bodySize` more bytes.
std::string headerText(const clsPacket& packet, size_t bodySize) {
    const std::string resource = escapeResource(packet.Resource);
    // Reserved whole, so the body is copied once and nothing is moved again.
    size_t size = packet.Method.size() + resource.size() + ProtocolVersion.size() + 4 +
                  LineEnd.size() + bodySize;
    for (const clsField& field : packet.Fields) {
        size += field.Name.size() + NameSeparator.size() + field.Data.size() + LineEnd.size();
    }
    std::string text;
    text.reserve(size);
    text += platform::asciiUpper(packet.Method);
    text += ' ';
    text += resource;
    text += ' ';
    text += ProtocolVersion;
    text += LineEnd;
    for (const clsField& field : packet.Fields) {
        text += field.Name;
        text += NameSeparator;
        text += field.Data;
        text += LineEnd;
    }
    text += LineEnd;
    return text;
}

}  // namespace

std::string escapeResource(std::string_view resource) {
    std::string escaped;
    escaped.reserve(resource.size());
    for (const char c : resource) {
        switch (c) {
            case '%':
                escaped += "%25";
                break;
            case ' ':
                escaped += "%20";
                break;
            case '\r':
                escaped += "%0D";
                break;
            case '\n':
                escaped += "%0A";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::string writePacket(const clsPacket& packet) {
    std::string text = headerText(packet, packet.Data.size());
    text += packet.Data;
    return text;
}

std::string writeHeader(const clsPacket& packet) {
    return headerText(packet, 0);
}

WireStatus parseHeader(clsPacket& packet, std::vector<WireError>& refusedFields) {
    const std::string_view header = packet.Header;
    size_t at = 0;
    if (WireStatus method = readMethodLine(packet, nextLine(header, at)); !method) {
        return method;
    }
    FirstFieldOfName firstOfName(packet.Fields.size());
    while (at < header.size()) {
        const std::string_view line = nextLine(header, at);
        if (line.empty()) {
            break;
        }
        if (WireStatus field = readFieldLine(packet, line, firstOfName, refusedFields); !field) {
            return field;
        }
    }
    return {};
}

WireStatus readContentLength(const clsPacket& packet, int64_t& bytes) {
    const clsField* field = findField(packet, "Content-Length");
    if (field == nullptr || field->Data.empty()) {
        bytes = 0;
        return {};
    }
    const std::string_view digits = trimBlanks(field->Data);
    if (digits.empty() ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return WireStatus::failure(platform::rt::TypeMismatch);
    }
    const size_t firstSignificant = std::min(digits.find_first_not_of('0'), digits.size() - 1);
    const std::string_view significant = digits.substr(firstSignificant);
    // Any number of at most digits10 digits fits; a longer one is beyond the limit anyway.
    if (significant.size() > std::numeric_limits<int64_t>::digits10 ||
        toInt64(significant) > limits::MaxBodyBytes) {
        return WireStatus::failure(platform::rt::OutOfMemory);
    }
    bytes = toInt64(significant);
    return {};
}

}  // namespace qel
