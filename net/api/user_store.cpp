#include "user_store.h"

#include "input_limits.h"
#include "settings_text.h"

#include "platform/ascii.h"
#include "platform/runtime_error.h"
#include "qellib/settings.h"

#include <array>
#include <cmath>
#include <utility>

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

// Whether an account received for `user`, set at `arrived`, replaces the one
// we hold.
bool receivedIsNewer(const cSettings& store, const std::string& user, const std::string& arrived) {
    const std::string local = textOf(store, "Updated", user);
    if (local.empty()) {
        return true;
    }
    if (arrived.empty()) {
        return false;
    }
    const Date ours = requireDate(local);
    return secondsOf(requireDate(arrived)) - secondsOf(ours) > 0;
}

// The value stored under `name` for `user`, when there is one.
std::optional<std::string> storedText(const cSettings& store, std::string_view name,
                                      std::string_view user) {
    const Variant value = store.GetSetting(name, Missing{}, user);
    if (isEmpty(value)) {
        return std::nullopt;
    }
    return toText(value);
}

// What the account's text adds to the store: a new user's section with its
// three entries, or, for a known user, what its values grow by.
struct AccountGrowth {
    int64_t bytes = 0;
    bool newUser = true;  // none of the three values is stored yet
};

AccountGrowth growthOf(const cSettings& store, const std::string& user,
                       const std::array<std::pair<std::string_view, size_t>, 3>& values) {
    AccountGrowth growth;
    for (const auto& [key, length] : values) {
        if (const std::optional<std::string> old = storedText(store, key, user)) {
            growth.newUser = false;
            growth.bytes += static_cast<int64_t>(length) - static_cast<int64_t>(old->size());
        } else {
            growth.bytes += static_cast<int64_t>(settings_text::entryTextLength(key, length));
        }
    }
    if (growth.newUser) {
        growth.bytes += static_cast<int64_t>(settings_text::sectionTextLength(user));
    }
    return growth;
}

// The first value of `key` (any case) in a section as read; "" when absent.
std::string entryText(const settings_text::TextSection& section, std::string_view key) {
    for (const settings_text::TextEntry& entry : section.entries) {
        if (platform::asciiEqualsIgnoreCase(entry.key, key)) {
            return entry.value;
        }
    }
    return {};
}

// Merges one account received from another node; false when it would be
// taken but finds no room.
bool mergeAccount(cSettings& store, const std::string& user, const std::string& password,
                  const std::string& authority, const std::string& updated) {
    if (!isStorableUserName(user) || !receivedIsNewer(store, user, updated)) {
        return true;
    }
    if (!storeHasRoomFor(store, user, password, authority, updated)) {
        return false;
    }
    saveUser(store, user, password, authority, updated);
    return true;
}

}  // namespace

bool storeHasRoomFor(const cSettings& store, const std::string& user, const std::string& password,
                     const std::string& authority, const std::string& updated) {
    constexpr size_t DateTimeLength = 19;  // what an empty "Updated" becomes
    const AccountGrowth growth =
        growthOf(store, user,
                 {{{"Password", password.size()},
                   {"Authority", authority.size()},
                   {"Updated", updated.empty() ? DateTimeLength : updated.size()}}});
    if (growth.newUser && static_cast<int64_t>(store.sectionCount()) >= limits::MaxUserAccounts) {
        return false;
    }
    return growth.bytes <= 0 ||
           static_cast<int64_t>(store.textLength()) + growth.bytes <= limits::MaxUserStoreBytes;
}

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

int64_t mergeUserList(cSettings& store, const cSettings& received) {
    const StringArray users = received.ListSections();
    int64_t refused = 0;
    for (size_t i = 1; i < users.size(); ++i) {
        const std::string& user = users[i];
        if (!mergeAccount(store, user, textOf(received, "Password", user),
                          textOf(received, "Authority", user), textOf(received, "Updated", user))) {
            ++refused;
        }
    }
    return refused;
}

int64_t mergeUserListText(cSettings& store, std::string_view text) {
    int64_t refused = 0;
    settings_text::ReadBounds bounds;
    bounds.sections = static_cast<size_t>(MaxUserListSections);
    bounds.entries = 4 * bounds.sections;
    settings_text::visitSettingsSections(
        text,
        [&](settings_text::TextSection&& account) {
            if (!mergeAccount(store, account.name, entryText(account, "Password"),
                              entryText(account, "Authority"), entryText(account, "Updated"))) {
                ++refused;
            }
        },
        bounds);
    return refused;
}

}  // namespace qel
