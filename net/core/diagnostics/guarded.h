#pragma once

#include <string_view>

// How a procedure of the library traps its own errors: whatever escapes its
// body is reported through logError with the procedure's source text, and the
// caller goes on with the procedure's default result. Nothing escapes.
namespace qel {

// Reports the exception being handled; call only from inside a catch block.
void reportCaughtError(std::string_view source) noexcept;

template <class T, class Body>
T guarded(std::string_view source, T fallback, Body&& body) {
    try {
        return body();
    } catch (...) {
        reportCaughtError(source);
        return fallback;
    }
}

template <class Body>
void guarded(std::string_view source, Body&& body) {
    try {
        body();
    } catch (...) {
        reportCaughtError(source);
    }
}

}  // namespace qel
