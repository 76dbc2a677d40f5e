#pragma once

#include "qellib/variant.h"

#include <cstdint>
#include <string>

// Reading a value (from a settings text or a packet) as one of the library's
// field types. Each throws RuntimeError 13 (type mismatch) for a value that
// does not read as the type, and 6 (overflow) for a number that does not fit.
namespace qel {

// The value's text form; "" for a value without one.
std::string textOf(const Variant& value);

// True or False in any case, or a number (non-zero is True).
bool booleanOf(const Variant& value);

// A whole number in decimal (blanks around it and a sign allowed).
int64_t int64Of(const Variant& value);
int32_t int32Of(const Variant& value);
// A 16-bit field's value, kept in a wider type.
int32_t int16Of(const Variant& value);

}  // namespace qel
