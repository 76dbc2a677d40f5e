#include "platform/atomic_file.h"

#include "platform/files.h"

namespace platform {

int writeFileAtomically(const std::string& path, std::string_view bytes) {
    ReplacementFile replacement(path);
    if (const int error = replacement.write(bytes); error != 0) {
        return error;
    }
    return replacement.commit();
}

}  // namespace platform
