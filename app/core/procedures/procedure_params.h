#pragma once

#include "qellib/variant.h"

#include <optional>

namespace tornel {

// A Boolean of a procedure's parameters: "True" or "False" in any letter
// case, or -1 and 0; nullopt for anything else.
std::optional<bool> readBoolean(const qel::Variant& value);

}  // namespace tornel
