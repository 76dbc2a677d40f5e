#include "fields.h"

#include "error_codes.h"
#include "error_log.h"
#include "guarded.h"
#include "input_limits.h"
#include "numbers.h"

#include "platform/ascii.h"
#include "platform/runtime_error.h"

#include <algorithm>
#include <unordered_map>

namespace qel {
namespace {

template <class Packet>
auto firstField(Packet& packet, std::string_view name) -> decltype(&packet.Fields.front()) {
    const auto found =
        std::find_if(packet.Fields.begin(), packet.Fields.end(), [name](const clsField& field) {
            return platform::asciiEqualsIgnoreCase(field.Name, name);
        });
    return found != packet.Fields.end() ? &*found : nullptr;
}

bool holdsLineBreak(std::string_view text) {
    return text.find("\r\n") != std::string_view::npos;
}

// Whether `text` holds a carriage return or a line feed. Two searches for
// one character each: find_first_of tries both characters at every place.
bool holdsLineBreakCharacter(std::string_view text) {
    return text.find('\r') != std::string_view::npos || text.find('\n') != std::string_view::npos;
}

[[noreturn]] void throwLineBreak(const char* description) {
    throw platform::RuntimeError(code::NewLineInField, description);
}

std::string joined(std::string_view name, std::string_view suffix) {
    std::string result(name);
    result += suffix;
    return result;
}

// The rebuilt array of a field stored as a string array.
StringArray readArray(const clsPacket& packet, std::string_view name, std::string_view maxText) {
    const int64_t low = toInt32(GetRawField(packet, joined(name, "-Min")));
    const int64_t high = toInt32(maxText);
    const int64_t count = high - low + 1;
    if (low < 0 || count < 0 || count > limits::MaxStringArrayElements ||
        count > static_cast<int64_t>(packet.Fields.size())) {
        throw platform::RuntimeError(platform::rt::TypeMismatch);
    }
    // The first field of each name, so the elements are found in one pass.
    std::unordered_map<std::string, const std::string*> firstByName;
    for (const clsField& field : packet.Fields) {
        firstByName.try_emplace(platform::asciiLower(field.Name), &field.Data);
    }
    const std::string prefix = platform::asciiLower(name);
    StringArray elements;
    elements.lowerBound = low;
    elements.reserve(static_cast<size_t>(count));
    for (int64_t index = low; index <= high; ++index) {
        const auto found = firstByName.find(prefix + std::to_string(index));
        elements.push_back(found != firstByName.end() ? *found->second : std::string());
    }
    return elements;
}

Variant readField(const clsPacket& packet, std::string_view name, const Variant& defaultValue) {
    const std::string maxText = GetRawField(packet, joined(name, "-Max"));
    if (!maxText.empty()) {
        return readArray(packet, name, maxText);
    }
    std::string value = GetRawField(packet, name);
    return value.empty() ? defaultValue : Variant(std::move(value));
}

// The field's current text for a change; a string array cannot be changed.
std::string currentText(const clsPacket& packet, std::string_view name) {
    const Variant current = GetField(packet, name, std::string());
    if (std::holds_alternative<StringArray>(current)) {
        throw platform::RuntimeError(platform::rt::TypeMismatch);
    }
    const std::string* text = std::get_if<std::string>(&current);
    return text != nullptr ? *text : std::string();
}

}  // namespace

const clsField* findField(const clsPacket& packet, std::string_view name) {
    return firstField(packet, name);
}

std::string GetRawField(const clsPacket& packet, std::string_view name) {
    const clsField* field = firstField(packet, name);
    return field != nullptr ? field->Data : std::string();
}

std::string getText(const clsPacket& packet, std::string_view name, std::string_view defaultValue) {
    const clsField* field = firstField(packet, name);
    return field != nullptr && !field->Data.empty() ? field->Data : std::string(defaultValue);
}

Variant GetField(const clsPacket& packet, std::string_view name, const Variant& defaultValue) {
    return guarded("", Variant(), [&] { return readField(packet, name, defaultValue); });
}

WireStatus addFieldLine(clsPacket& packet, std::string_view name, std::string_view value) {
    if (holdsLineBreak(value) || holdsLineBreakCharacter(name)) {
        return WireStatus::failure(code::NewLineInField,
                                   "New line characters illegal in header fields");
    }
    packet.Fields.push_back({std::string(name), std::string(value)});
    return {};
}

void AddSingleField(clsPacket& packet, std::string_view name, std::string_view value) {
    if (const WireStatus added = addFieldLine(packet, name, value); !added) {
        logError(added.error());
    }
}

void AddField(clsPacket& packet, std::string_view name, std::string_view value) {
    AddSingleField(packet, name, value);
}

void AddField(clsPacket& packet, std::string_view name, const StringArray& value) {
    AddSingleField(packet, joined(name, "-Min"), std::to_string(value.lowerBound));
    AddSingleField(packet, joined(name, "-Max"), std::to_string(value.upperBound()));
    for (size_t index = 0; index < value.size(); ++index) {
        AddSingleField(packet,
                       joined(name, std::to_string(value.lowerBound + static_cast<int64_t>(index))),
                       value[index]);
    }
}

void SetField(clsPacket& packet, std::string_view name, std::string_view value) {
    guarded("", [&] {
        clsField* field = firstField(packet, name);
        if (currentText(packet, name).empty() && field == nullptr) {
            AddField(packet, name, value);
            return;
        }
        if (holdsLineBreak(value)) {
            throwLineBreak("New line characters not allowed in header fields");
        }
        field->Data = value;
    });
}

void SetField(clsPacket& packet, std::string_view name, const StringArray& value) {
    guarded("", [&] {
        if (!currentText(packet, name).empty()) {
            throw platform::RuntimeError(code::StringArrayField,
                                         "Cannot update string array field");
        }
        AddField(packet, name, value);
    });
}

void AppendField(clsPacket& packet, std::string_view name, std::string_view item,
                 std::string_view separator) {
    guarded("", [&] {
        std::string value = currentText(packet, name);
        if (!value.empty()) {
            value += separator;
        }
        value += item;
        SetField(packet, name, value);
    });
}

bool setText(clsPacket& packet, std::string_view name, std::string_view value) {
    if (holdsLineBreakCharacter(name) || holdsLineBreakCharacter(value)) {
        return false;
    }
    if (clsField* field = firstField(packet, name)) {
        field->Data = value;
    } else {
        packet.Fields.push_back({std::string(name), std::string(value)});
    }
    return true;
}

bool appendText(clsPacket& packet, std::string_view name, std::string_view item,
                std::string_view separator) {
    std::string value = getText(packet, name);
    if (!value.empty()) {
        value += separator;
    }
    value += item;
    return setText(packet, name, value);
}

bool hasFlag(const clsPacket& packet, std::string_view flag) {
    const std::string flags = platform::asciiUpper(getText(packet, "Flags"));
    if (flags.empty()) {
        return false;
    }
    const std::string wanted = platform::asciiUpper(flag);
    std::string_view rest = flags;
    while (true) {
        const size_t comma = rest.find(',');
        if (trimBlanks(rest.substr(0, comma)) == wanted) {
            return true;
        }
        if (comma == std::string_view::npos) {
            return false;
        }
        rest.remove_prefix(comma + 1);
    }
}

}  // namespace qel
