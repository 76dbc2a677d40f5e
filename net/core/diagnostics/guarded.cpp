#include "guarded.h"

#include "error_log.h"

#include "platform/runtime_error.h"

#include <new>
#include <stdexcept>

namespace qel {

void reportCaughtError(std::string_view source) noexcept {
    try {
        throw;
    } catch (const platform::RuntimeError& error) {
        logError(error.number(), error.description(), source);
    } catch (const std::bad_alloc&) {
        logError(platform::rt::OutOfMemory, platform::errorText(platform::rt::OutOfMemory), source);
    } catch (const std::out_of_range&) {
        logError(platform::rt::SubscriptOutOfRange,
                 platform::errorText(platform::rt::SubscriptOutOfRange), source);
    } catch (const std::exception& error) {
        logError(platform::rt::InvalidProcedureCall, error.what(), source);
    } catch (...) {
        logError(platform::rt::InvalidProcedureCall,
                 platform::errorText(platform::rt::InvalidProcedureCall), source);
    }
}

}  // namespace qel
