// Reads arbitrary bytes as a settings text: the reader must not crash, and
// the text cSettings writes from what it read must read back to the very
// same sections and entries.
#include "api/settings_text.h"
#include "qellib/settings.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const qel::settings_text::ReadResult read = qel::settings_text::readSettingsText(text);

    qel::cSettings settings;
    if (settings.LoadXML(text) != read.complete) {
        std::abort();
    }
    const qel::settings_text::ReadResult reread =
        qel::settings_text::readSettingsText(settings.getXML());
    if (!reread.complete || reread.sections != read.sections) {
        std::abort();
    }
    return 0;
}
