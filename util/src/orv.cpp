#include "orvdll/orv.h"

#include "trap.h"

#include "platform/ascii.h"
#include "platform/decimal.h"
#include "platform/runtime_error.h"
#include "platform/user_settings.h"

#include <algorithm>
#include <unordered_map>

namespace orv {
namespace {

const std::string Product = "Dravik Orvalis";
constexpr std::string_view AccessCode = "GoatsBakeRice";
// The highest user index we list, so a stored count never makes us allocate without bound.
constexpr int64_t MaxUserIndex = 65535;

std::string productSetting(const std::string& section, const std::string& key,
                           const std::string& defaultValue) {
    return platform::getSetting(Product, section, key, defaultValue);
}

// Runs `read`; a failure gives `fallback` (IOrv keeps no last-error text).
template <class Fallback, class Read>
auto readTrapped(Fallback&& fallback, Read&& read) {
    std::string failureText;
    return trapErrors(failureText, std::forward<Fallback>(fallback), std::forward<Read>(read));
}

// A whole number with an optional sign and surrounding spaces, from 0 to MaxUserIndex.
int64_t userIndexFrom(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    const size_t last = text.find_last_not_of(' ');
    text =
        first == std::string_view::npos ? std::string_view() : text.substr(first, last - first + 1);
    const platform::Decimal parsed = platform::parseDecimal(text);
    if (parsed.status == platform::DecimalStatus::Overflow) {
        throw platform::RuntimeError(platform::rt::Overflow);
    }
    if (!parsed.ok()) {
        throw platform::RuntimeError(platform::rt::TypeMismatch);
    }
    const int64_t number = parsed.value;
    if (number < 0 || number > MaxUserIndex) {
        throw platform::RuntimeError(platform::rt::SubscriptOutOfRange);
    }
    return number;
}

// Elements 0..uNum, element i holding "name i"; one read of the section.
std::vector<std::string> readUserNames() {
    std::unordered_map<std::string, std::string> users;
    for (auto& [key, value] : platform::getAllSettings(Product, "users")) {
        users.try_emplace(platform::asciiLower(key), std::move(value));
    }
    const auto count = users.find("unum");
    const int64_t highest = count != users.end() ? userIndexFrom(count->second) : 0;
    std::vector<std::string> names(static_cast<size_t>(highest + 1));
    for (int64_t i = 0; i <= highest; ++i) {
        const auto name = users.find("name " + std::to_string(i));
        if (name != users.end()) {
            names[static_cast<size_t>(i)] = name->second;
        }
    }
    return names;
}

}  // namespace

std::string IOrv::GetOrvVer(int32_t threadID) const {
    if (!IsAuthorized(threadID)) {
        return "";
    }
    return readTrapped(std::string(), [] { return productSetting("other", "ver", "0.00.00"); });
}

bool IOrv::IsOrvInstalled(int32_t threadID) const {
    // Asks the store itself: a failed read is no folder, not its error text.
    return IsAuthorized(threadID) &&
           readTrapped(false, [] { return !productSetting("other", "dirpath", "").empty(); });
}

std::vector<std::string> IOrv::GetAllUserNames(int32_t threadID) const {
    const std::vector<std::string> refused{""};
    if (!IsAuthorized(threadID)) {
        return refused;
    }
    return readTrapped(refused, readUserNames);
}

std::string IOrv::GetOrvDir(int32_t threadID) const {
    if (!IsAuthorized(threadID)) {
        return "Illegal Access";
    }
    return readTrapped([](const platform::RuntimeError& error) { return error.description(); },
                       [] { return productSetting("other", "dirpath", ""); });
}

int32_t IOrv::IsOrvRunning(int32_t threadID) const {
    if (!IsAuthorized(threadID)) {
        return 999;
    }
    return productSetting("other", "running", "no") == "yes" ? 0 : -1;
}

bool IOrv::GetAuth(int32_t threadID, const std::string& pwd) {
    if (pwd != AccessCode) {
        return false;
    }
    if (!IsAuthorized(threadID)) {
        authorizedThreads_.push_back(threadID);
    }
    return true;
}

bool IOrv::IsAuthorized(int32_t threadID) const {
    return std::find(authorizedThreads_.begin(), authorizedThreads_.end(), threadID) !=
           authorizedThreads_.end();
}

}  // namespace orv
