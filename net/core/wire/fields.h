#pragma once

#include "packet.h"
#include "wire_error.h"

#include "qellib/variant.h"

#include <string>
#include <string_view>

// Reading and writing header fields. Names match without regard to ASCII
// case, the first match wins, and a field whose value is empty counts as
// absent. Values and names may not hold CR LF. A string array is stored as
// name + "-Min", name + "-Max" and one field per element (name + index).
// Each operation reports its own errors and its caller goes on; a failing
// step leaves the packet as it was.
namespace qel {

// The first field named `name`, null when there is none.
const clsField* findField(const clsPacket& packet, std::string_view name);

// The value of the first field named `name`, empty or not; "" when there is none.
std::string GetRawField(const clsPacket& packet, std::string_view name);

// The field's text, or `defaultValue` when it is absent. Never read as a
// string array: use this wherever a field is text.
std::string getText(const clsPacket& packet, std::string_view name,
                    std::string_view defaultValue = {});

// The field as a value: the rebuilt string array when name + "-Max" is
// present, else its text, else `defaultValue`. An array whose bounds are not
// numbers, are reversed or negative, or claim more elements than the packet
// has fields is reported (type mismatch) and gives Empty.
Variant GetField(const clsPacket& packet, std::string_view name, const Variant& defaultValue);

// Appends one field as read from a header line: a name holding CR or LF, or
// a value holding CR LF, is refused and the refusal returned, not reported.
WireStatus addFieldLine(clsPacket& packet, std::string_view name, std::string_view value);

// Appends one field.
void AddSingleField(clsPacket& packet, std::string_view name, std::string_view value);
// Appends one field, or the fields of a string array.
void AddField(clsPacket& packet, std::string_view name, std::string_view value);
void AddField(clsPacket& packet, std::string_view name, const StringArray& value);

// Changes the first field named `name` in place, or adds it when absent. A
// field present with an empty value is changed in place too.
void SetField(clsPacket& packet, std::string_view name, std::string_view value);
void SetField(clsPacket& packet, std::string_view name, const StringArray& value);

// The core's own fields ("TTL", "Hops", "ID", "Source", "Destination",
// "Flags", "Original-Length", "Content-Length", "Route", "ReqID" ...) are
// plain text whatever array fields a peer added beside them: this changes the
// first field named `name` in place, or appends it. False, leaving the packet
// as it was, when the name or value holds CR or LF.
[[nodiscard]] bool setText(clsPacket& packet, std::string_view name, std::string_view value);
// Appends `item` to the plain list held in the field, with `separator` only
// when the field already holds something; false as setText.
[[nodiscard]] bool appendText(clsPacket& packet, std::string_view name, std::string_view item,
                              std::string_view separator);

// Appends `item` to the list held in the field, with `separator` only when
// the field already holds something.
void AppendField(clsPacket& packet, std::string_view name, std::string_view item,
                 std::string_view separator);

// Whether the comma-separated "Flags" field holds `flag` (letter case and
// blanks around each word are ignored; `flag` itself is not trimmed).
bool hasFlag(const clsPacket& packet, std::string_view flag);

}  // namespace qel
