#include "core/log/guarded.h"

#include "platform/runtime_error.h"

#include <new>

namespace tornel {

void logFailure(const ErrorLog& log, std::string_view source, std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const platform::RuntimeError& failure) {
        log.logError(failure.description(), failure.number(), source);
    } catch (const std::bad_alloc&) {
        log.logError(platform::errorText(platform::rt::OutOfMemory), platform::rt::OutOfMemory,
                     source);
    } catch (const std::exception& failure) {
        log.logError(failure.what(), -1, source);
    } catch (...) {
        log.logError("Unknown error", -1, source);
    }
}

}  // namespace tornel
