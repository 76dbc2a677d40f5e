// Deciphers arbitrary bytes under a fixed password: any input must give a
// result, a refusal or the cipher's defined error, never a crash. Input the
// cipher can take must also come back from its own enciphering unchanged.
#include "orvdll/lockmantle.h"
#include "platform/runtime_error.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string password = "Tornel";
    orv::cLockmantle lockmantle;
    try {
        lockmantle.DecryptData(bytes, password);
    } catch (const platform::RuntimeError&) {
    }
    if (bytes.size() >= password.size() &&
        lockmantle.DecryptData(lockmantle.EncryptData(bytes, password), password) != bytes) {
        std::abort();
    }
    return 0;
}
