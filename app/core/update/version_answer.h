#pragma once

#include "qellib/variant.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace tornel {

// The node kind of this program, which is the only kind it updates from.
inline constexpr std::string_view ProgramNodeKind = "TORNEL_NODE";

// The highest revision a peer can answer: the answer is read as a 16-bit integer.
inline constexpr int64_t MaxRevision = 32767;

// The revision a "GetVersion" answer gives: text of decimal digits alone
// whose value lies within 0..MaxRevision. Anything else ("", "-1", "1e3",
// "&H10", " 7", an array) gives none.
std::optional<int64_t> answeredRevision(const qel::Variant& answer);

// Whether a node of kind `descriptor` that answered `answer` runs a newer
// revision than `ownRevision`: its kind is exactly ProgramNodeKind (letter
// case counts) and its revision is greater.
bool offersNewerRevision(std::string_view descriptor, const qel::Variant& answer,
                         int64_t ownRevision);

}  // namespace tornel
