#include "package_compression.h"

#include "platform/runtime_error.h"
#include "platform/zlib_stream.h"

namespace orv::package {

std::string compressMember(std::string_view data, int level) {
    std::optional<std::string> stream = platform::zlib::compress(data, level);
    if (!stream) {
        throw platform::RuntimeError(platform::rt::InvalidProcedureCall, "Compression failed");
    }
    return std::move(*stream);
}

std::string decompressMember(std::string_view stored, int32_t originalSize) {
    std::optional<std::string> data =
        originalSize < 0 ? std::nullopt
                         : platform::zlib::inflateExactly(stored, int64_t{originalSize} + 1);
    if (!data) {
        throw platform::RuntimeError(platform::rt::InvalidProcedureCall, "Damaged member data");
    }
    return std::move(*data);
}

}  // namespace orv::package
