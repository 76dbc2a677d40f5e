#include "error_log.h"

#include "event_raisers.h"
#include "library_state.h"
#include "numbers.h"

#include "platform/ascii.h"
#include "platform/date_text.h"
#include "platform/debug_output.h"
#include "platform/scoped_assignment.h"
#include "platform/user_settings.h"

#include <charconv>

namespace qel {
namespace {

// The per-user store of the debug switch and the debug window's size.
constexpr const char* SettingsApp = "Vantrell QEL";
constexpr const char* SettingsSection = "debug";

// Error events raised from inside Error handlers, one within another, beyond
// which errors are only printed.
constexpr int MaxErrorNesting = 4;

platform::DebugOutput& debugWindow() {
    LibraryState& lib = library();
    if (!lib.debugWindow) {
        lib.debugWindow = platform::makeDebugOutput(platform::DebugWindowOptions{
            .title = "QEL - Debug Output",
            .settingsApp = SettingsApp,
            .settingsSection = SettingsSection,
            .defaultWidthTwips = 7200,
            .defaultHeightTwips = 8300,
            .maxTextLength = 32000,
        });
    }
    return *lib.debugWindow;
}

// The stored switch reads as a Boolean: True or False in any case, or a number
// (non-zero is True). Anything else cannot be read and switches debug mode on.
bool switchedOn(std::string_view value) {
    value = trimBlanks(value);
    if (platform::asciiEqualsIgnoreCase(value, "true")) {
        return true;
    }
    if (platform::asciiEqualsIgnoreCase(value, "false")) {
        return false;
    }
    double number = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    const bool numeric =
        !value.empty() && error == std::errc() && end == value.data() + value.size();
    return !numeric || number != 0;
}

}  // namespace

std::string errorLine(int32_t number, std::string_view description, std::string_view source) {
    std::string line = "Error " + std::to_string(number) + ": ";
    line += description;
    if (!source.empty()) {
        line += " [";
        line += source;
        line += ']';
    }
    return line;
}

void logError(int32_t number, std::string_view description, std::string_view source,
              std::string_view nodeID) noexcept {
    try {
        LibraryState& lib = library();
        std::string message = errorLine(number, description, source);
        if (lib.debugMode) {
            debugPrint(nodeID.empty() ? message
                                      : message + " [NodeID: " + std::string(nodeID) + "]");
        }
        const SessionPtr session = lib.sessions.current();
        if (!session || lib.errorNesting >= MaxErrorNesting) {
            return;
        }
        const platform::ScopedAssignment nesting(lib.errorNesting, lib.errorNesting + 1);
        std::string node(nodeID);
        raiseError(session, message, node);
    } catch (...) {
        // The reporter itself never fails.
    }
}

void debugPrint(std::string_view line) noexcept {
    try {
        if (!library().debugMode) {
            return;
        }
        platform::DebugOutput& window = debugWindow();
        if (!window.isVisible()) {
            window.show();
        }
        std::string entry = "\r\n";
        entry += line;
        window.append(entry);
    } catch (...) {
        // Debug output never fails its caller.
    }
}

void enterDebugMode() noexcept {
    try {
        LibraryState& lib = library();
        if (lib.debugMode ||
            !switchedOn(platform::getSetting(SettingsApp, SettingsSection, "enabled", "False"))) {
            return;
        }
        lib.debugMode = true;
        platform::DebugOutput& window = debugWindow();
        window.show();
        window.setText("Entered QEL Debug Mode " + platform::currentDateTimeText());
        debugPrint("QEL Version " + std::to_string(LibraryVersionMajor) + "." +
                   std::to_string(LibraryVersionMinor) + "." +
                   std::to_string(LibraryVersionRevision));
        debugPrint("Local Address: " + lib.localAddress + "\r\n");
    } catch (...) {
        // Debug mode is a convenience; failing to enter it changes nothing else.
    }
}

}  // namespace qel
