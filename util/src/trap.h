#pragma once

#include "platform/runtime_error.h"

#include <exception>
#include <new>
#include <string>
#include <utility>

// How ORVDLL's failures reach a caller: a public operation runs its body
// through trapErrors; a failure it throws is never passed on, it becomes the
// class's last-error text and the operation's failure result.
namespace orv {

// The number and text a caught exception stands for.
inline platform::RuntimeError describeCurrentException() {
    try {
        throw;
    } catch (const platform::RuntimeError& error) {
        return error;
    } catch (const std::bad_alloc&) {
        return platform::RuntimeError(platform::rt::OutOfMemory);
    } catch (const std::out_of_range&) {
        return platform::RuntimeError(platform::rt::SubscriptOutOfRange);
    } catch (const std::exception& error) {
        return platform::RuntimeError(platform::rt::InvalidProcedureCall, error.what());
    } catch (...) {
        return platform::RuntimeError(platform::rt::InvalidProcedureCall);
    }
}

// Runs `body`; on a failure stores its description in `lastError` and returns
// `onFailure(error)` (a callable taking the RuntimeError) or the value given.
template <class Body, class OnFailure>
auto trapErrors(std::string& lastError, OnFailure&& onFailure, Body&& body) noexcept
    -> decltype(body()) {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        const platform::RuntimeError error = describeCurrentException();
        lastError = error.description();
        if constexpr (std::is_invocable_v<OnFailure, const platform::RuntimeError&>) {
            return onFailure(error);
        } else {
            return onFailure;
        }
    }
}

}  // namespace orv
