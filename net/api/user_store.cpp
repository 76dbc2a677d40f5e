#include "user_store.h"

#include "platform/ascii.h"
#include "platform/runtime_error.h"
#include "qellib/settings.h"

#include <cmath>

namespace qel {
namespace {

constexpr int64_t SecondsPerDay = 86400;

// A value of the store as text ("" when it has none).
std::string textOf(const cSettings& store, std::string_view name, std::string_view section) {
    return toText(store.GetSetting(name, std::string(), section)).value_or("");
}

int64_t secondsOf(Date date) {
    const double whole = std::trunc(date.days);
    const double timeOfDay = std::fabs(date.days - whole);
    return std::llround((whole + timeOfDay) * SecondsPerDay);
}

Date requireDate(std::string_view text) {
    const std::optional<Date> date = parseUpdated(text);
    if (!date) {
        throw platform::RuntimeError(platform::rt::TypeMismatch);
    }
    return *date;
}

// Whether the received account replaces the one we hold for `user`.
bool receivedIsNewer(const cSettings& store, const cSettings& received, const std::string& user) {
    const std::string local = textOf(store, "Updated", user);
    if (local.empty()) {
        return true;
    }
    const std::string arrived = textOf(received, "Updated", user);
    if (arrived.empty()) {
        return false;
    }
    const Date ours = requireDate(local);
    return secondsOf(requireDate(arrived)) - secondsOf(ours) > 0;
}

}  // namespace

void saveUser(cSettings& store, const std::string& user, const std::string& password,
              const std::string& authority, const std::string& updated) {
    store.SaveSetting("Password", password, user);
    store.SaveSetting("Authority", authority, user);
    store.SaveSetting("Updated", updated.empty() ? toText(currentDate()).value_or("") : updated,
                      user);
}

void removeUser(cSettings& store, const std::string& user) {
    store.DeleteSetting("Password", user);
    store.DeleteSetting("Authority", user);
    store.DeleteSetting("Updated", user);
}

bool isStorableUserName(std::string_view name) {
    return !name.empty() && name.find_first_of("<>\r\n") == std::string_view::npos &&
           !platform::asciiEqualsIgnoreCase(name, "Common");
}

std::optional<Date> parseUpdated(std::string_view text) {
    constexpr size_t DateTimeLength = 19;  // yyyy-mm-dd hh:mm:ss
    if (text.size() < DateTimeLength || text[10] != 'T') {
        return parseDate(text);
    }
    const std::string_view fraction = text.substr(DateTimeLength);
    if (!fraction.empty() &&
        (fraction[0] != '.' || fraction.size() == 1 ||
         fraction.find_first_not_of("0123456789", 1) != std::string_view::npos)) {
        return std::nullopt;
    }
    std::string spaced(text.substr(0, DateTimeLength));
    spaced[10] = ' ';
    return parseDate(spaced);
}

void mergeUserList(cSettings& store, const cSettings& received) {
    const StringArray users = received.ListSections();
    for (size_t i = 1; i < users.size(); ++i) {
        const std::string& user = users[i];
        if (!isStorableUserName(user) || !receivedIsNewer(store, received, user)) {
            continue;
        }
        saveUser(store, user, textOf(received, "Password", user),
                 textOf(received, "Authority", user), textOf(received, "Updated", user));
    }
}

}  // namespace qel
