#include "core/settings/settings_entries.h"

#include "core/settings/number_reading.h"
#include "core/settings/setting_limits.h"
#include "core/state/app_state.h"
#include "core/util/utilities.h"
#include "platform/ascii.h"

#include <algorithm>
#include <iterator>
#include <unordered_set>

namespace tornel {
namespace {

using Field = RefusedEntry::Field;

constexpr int64_t MsPerMinute = 60000;

// How a numeric field is read and what it must hold.
struct NumericField {
    Field field;
    // The field as the message names it, and the unit of its value.
    std::string_view label;
    std::string_view unit;
    bool wholeText;  // Port and Timeout read the whole text, the others its leading number
    int64_t scale;   // what one typed unit is stored as
    SettingRange range;
};

constexpr NumericField MaxDLField{Field::MaxDL, "Maximum simultaneous downloads", "", false, 1,
                                  limits::MaxDL};
constexpr NumericField PortField{Field::Port, "Listen port", "", true, 1, limits::Port};
constexpr NumericField TimeoutField{Field::Timeout, "Network timeout", "milliseconds", true, 1,
                                    limits::Timeout};
constexpr NumericField FileChunkField{Field::FileChunk, "File chunk size", "KB", false, 1,
                                      limits::FileChunk};
constexpr NumericField RefreshField{
    Field::RefreshInterval, "Refresh interval", "minutes", false, MsPerMinute,
    limits::RefreshInterval};

std::string numberText(int64_t value) {
    return std::to_string(value);
}

// "Network timeout must be a whole number of milliseconds from 1 to 2147483647."
RefusedEntry refusal(const NumericField& f) {
    std::string message = std::string(f.label) + " must be a " + (f.wholeText ? "whole " : "") +
                          "number " + (f.unit.empty() ? "" : "of " + std::string(f.unit) + " ") +
                          "from " + numberText(f.range.lowest / f.scale) + " to " +
                          numberText(f.range.highest / f.scale) + ".";
    return {f.field, std::move(message)};
}

// The stored value of `text` in field `f`, or nothing when it holds none.
std::optional<int64_t> storedValue(const NumericField& f, const std::string& text) {
    const std::optional<double> typed = f.wholeText ? wholeNumberText(text) : leadingNumber(text);
    if (!typed) {
        return std::nullopt;
    }
    const std::optional<int64_t> value = roundedToEven(*typed * double(f.scale));
    if (!value || !f.range.contains(*value)) {
        return std::nullopt;
    }
    return value;
}

// The first server line that repeats an earlier one, letter case ignored.
const std::string* repeatedServer(const std::vector<std::string>& servers) {
    std::unordered_set<std::string> seen;
    for (const std::string& line : servers) {
        if (!seen.insert(platform::asciiLower(line)).second) {
            return &line;
        }
    }
    return nullptr;
}

}  // namespace

SettingsEntries entriesOf(const AppState& state) {
    SettingsEntries entries;
    entries.Name = state.Name;
    entries.Timeout = numberText(state.Timeout);
    entries.Port = numberText(state.Port);
    entries.HideSystemFiles = state.HideSystemFiles;
    entries.Compression = state.Compression;
    entries.MaxDL = numberText(state.MaxDL);
    entries.FileChunk = numberText(state.FileChunk);
    entries.DownloadPath = state.DownloadPath;
    entries.ShowDLWindow = state.ShowDLWindow;
    entries.ShowTransWindow = state.ShowTransWindow;
    entries.NewUI = state.NewUI;
    entries.ShowOther = state.ShowOther;
    entries.refreshMinutes = decimalText(double(state.refreshInterval) / MsPerMinute, 1);
    entries.servers = state.serverList.snapshot();
    return entries;
}

std::variant<ConfirmedSettings, RefusedEntry> confirmEntries(const SettingsEntries& entries) {
    ConfirmedSettings confirmed;
    // The fields are checked in the order of the dialog's tabs, so the
    // refusal names the first bad field the user meets.
    std::optional<RefusedEntry> refused;
    const auto read = [&refused](const NumericField& f, const std::string& text, int64_t& target) {
        if (refused) {
            return;
        }
        if (const std::optional<int64_t> value = storedValue(f, text)) {
            target = *value;
        } else {
            refused = refusal(f);
        }
    };
    read(MaxDLField, entries.MaxDL, confirmed.MaxDL);
    if (const std::string* repeated = repeatedServer(entries.servers); repeated && !refused) {
        refused = RefusedEntry{Field::Servers,
                               "The server \"" + *repeated + "\" is listed more than once."};
    }
    read(PortField, entries.Port, confirmed.Port);
    read(TimeoutField, entries.Timeout, confirmed.Timeout);
    read(FileChunkField, entries.FileChunk, confirmed.FileChunk);
    read(RefreshField, entries.refreshMinutes, confirmed.refreshInterval);
    if (refused) {
        return *refused;
    }
    confirmed.Name = entries.Name;
    confirmed.NewUI = entries.NewUI;
    confirmed.ShowOther = entries.ShowOther;
    confirmed.HideSystemFiles = entries.HideSystemFiles;
    confirmed.Compression = entries.Compression;
    confirmed.DownloadPath = entries.DownloadPath;
    confirmed.ShowDLWindow = entries.ShowDLWindow;
    confirmed.ShowTransWindow = entries.ShowTransWindow;
    // An empty line names no server.
    std::copy_if(entries.servers.begin(), entries.servers.end(),
                 std::back_inserter(confirmed.servers),
                 [](const std::string& line) { return !line.empty(); });
    return confirmed;
}

bool listsServer(const std::vector<std::string>& lines, const std::string& line) {
    return std::any_of(lines.begin(), lines.end(), [&line](const std::string& listed) {
        return platform::asciiEqualsIgnoreCase(listed, line);
    });
}

}  // namespace tornel
