#pragma once

#include "qellib/variant.h"

#include "platform/files.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The one way from local folder entries to the entries of listings and
// search results on the wire: names joined by "\", a folder ending in "\".
// A name that cannot travel is left out: one holding "\" (it would read as a
// sub-path), CR or LF (it cannot stand in a resource line), or the start
// tag of the settings root ("<Settings>", any case), which would break the
// listing's settings text for a peer. Local names never hold "/", so no end
// tag can arise.
namespace qel {

// The wire entry of the local path `relative` ("a/b/c", below a listed
// folder): `prefix`, the names joined by "\", and "\" after a folder; nullopt
// when it cannot travel.
std::optional<std::string> toWireEntry(std::string_view relative, platform::EntryKind kind,
                                       std::string_view prefix = {});

// Appends the wire entries of search results (`found`: element 0 empty, then
// full local paths that start with `folder`, which ends in "/") to `listing`,
// leaving out those that cannot travel.
void appendWireEntries(StringArray& listing, const std::vector<std::string>& found,
                       std::string_view folder, platform::EntryKind kind,
                       std::string_view prefix = {});

}  // namespace qel
