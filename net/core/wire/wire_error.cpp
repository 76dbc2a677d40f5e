#include "wire_error.h"

#include "platform/runtime_error.h"

namespace qel {

WireStatus WireStatus::failure(int32_t number) {
    return WireError{number, platform::errorText(number)};
}

}  // namespace qel
