#pragma once

#include "input_limits.h"

#include "qellib/variant.h"

#include <optional>
#include <string>
#include <string_view>

// A node's store of user accounts: one settings section per user, named by
// the user, with "Password", "Authority" (the node that set the account) and
// "Updated" (when it was set). User names match without regard to ASCII case.
namespace qel {

class cSettings;

// Writes one account into a user store: section `user` with "Password",
// "Authority" and "Updated" (`updated`, or the current date and time when it
// is empty).
void saveUser(cSettings& store, const std::string& user, const std::string& password,
              const std::string& authority, const std::string& updated);

// Whether the store takes the account from another node: one more account,
// or its text, within limits::MaxUserAccounts and limits::MaxUserStoreBytes.
// An account that neither adds a user nor grows the text is always taken.
bool storeHasRoomFor(const cSettings& store, const std::string& user, const std::string& password,
                     const std::string& authority, const std::string& updated);

// Deletes the account's entries, and with them its section.
void removeUser(cSettings& store, const std::string& user);

// Whether a name can be a section of the store without breaking its text or
// hiding among the store's own entries: not empty, no "<", ">", CR or LF,
// and not "Common" in any case.
bool isStorableUserName(std::string_view name);

// An "Updated" text: the store's own "yyyy-mm-dd hh:mm:ss", or ISO 8601's
// "yyyy-mm-ddThh:mm:ss" with or without fractions of a second.
std::optional<Date> parseUpdated(std::string_view text);

// Merges the accounts of another node's store: an account is taken when its
// user is unknown here, or when its "Updated" is at least one second later
// than ours (an account without one counts as older), and the store has room
// for it (storeHasRoomFor). Names that cannot be a section are skipped. A
// time that does not read as a date throws (runtime error 13), leaving the
// users before it merged. Returns how many accounts found no room.
int64_t mergeUserList(cSettings& store, const cSettings& received);

// The same merge over another node's store as it travels, its settings text
// read one account at a time: a list far beyond the store's bounds costs no
// more memory than one account. Reading stops (the rest unread) after
// MaxUserListSections accounts or four entries an account on average, so a
// text of tiny tags costs no more than a list of that many accounts.
int64_t mergeUserListText(cSettings& store, std::string_view text);
inline constexpr int64_t MaxUserListSections = 16 * limits::MaxUserAccounts;

}  // namespace qel
