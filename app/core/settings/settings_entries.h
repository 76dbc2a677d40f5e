#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tornel {

struct AppState;

// What the settings dialog holds when OK is pressed: the texts as typed, the
// check boxes and options, and the server lines in order.
struct SettingsEntries {
    std::string Name;
    std::string Port;
    std::string Timeout;
    std::string DownloadPath;
    std::string MaxDL;
    std::string FileChunk;
    std::string refreshMinutes;
    bool NewUI = true;
    bool ShowOther = false;
    bool HideSystemFiles = true;
    bool Compression = true;
    bool ShowDLWindow = false;
    bool ShowTransWindow = true;
    std::vector<std::string> servers;
};

// The settings OK stores, every value converted and within its range.
struct ConfirmedSettings {
    std::string Name;
    int64_t Port = 0;
    int64_t Timeout = 0;
    bool NewUI = true;
    bool ShowOther = false;
    bool HideSystemFiles = true;
    bool Compression = true;
    std::string DownloadPath;
    bool ShowDLWindow = false;
    bool ShowTransWindow = true;
    int64_t refreshInterval = 0;
    int64_t MaxDL = 0;
    int64_t FileChunk = 0;
    std::vector<std::string> servers;
};

// A field that holds no valid value, and the message that tells the user so.
struct RefusedEntry {
    enum class Field { MaxDL, Servers, Port, Timeout, FileChunk, RefreshInterval };
    Field field;
    std::string message;
};

// The dialog's fields as they were when the settings were last stored.
SettingsEntries entriesOf(const AppState& state);

// Checks and converts every field: Port and Timeout must read whole as
// numbers, the others by their leading number, each rounded (halves to even)
// and within its setting's range; the refresh interval is read in minutes
// and stored in ms. No two server lines may be the same without regard to
// letter case; empty lines are dropped. The first field in the dialog's
// order that fails is refused.
std::variant<ConfirmedSettings, RefusedEntry> confirmEntries(const SettingsEntries& entries);

// Whether `lines` already holds `line`, letter case ignored.
bool listsServer(const std::vector<std::string>& lines, const std::string& line);

}  // namespace tornel
