// Reads arbitrary bytes as a settings text: the reader must not crash, and
// the text cSettings writes from what it read must read back to the very
// same sections and entries. The array text written and read without a
// store must agree with the store's own reading and writing.
#include "api/settings_text.h"
#include "qellib/settings.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
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

    const qel::StringArray stored = settings.GetSettingArray("Contents", qel::StringArray(1));
    const std::optional<qel::StringArray> direct =
        qel::settings_text::readArrayText(text, "Contents");
    if (direct && *direct != stored) {
        std::abort();
    }
    qel::cSettings array;
    array.SaveSettingArray("Contents", stored);
    const std::string written = qel::settings_text::arrayText("Contents", stored);
    if (written != array.getXML()) {
        std::abort();
    }
    const std::optional<qel::StringArray> readBack =
        qel::settings_text::readArrayText(written, "Contents");
    if (readBack && *readBack != stored) {
        std::abort();
    }
    return 0;
}
