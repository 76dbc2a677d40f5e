#pragma once

#include <cstdint>
#include <string>

namespace tornel {

struct AppState;

// What "Allow" grants, by the list index of the prompt's duration list.
enum class GrantChoice { ThisTimeOnly = 0, For5Minutes = 1, For30Minutes = 2, Always = 3 };

// Whether a live grant admits a request that names `requester` in its
// metadata and came from the node `sourceNodeID`. A grant counts only for
// the node that sends its own ID: a forged or empty requester is never
// admitted by grant. IDs compare exactly; a timed grant lives until the tick
// count passes its deadline.
bool hasLiveGrant(const AppState& state, const std::string& requester,
                  const std::string& sourceNodeID);

// Appends a grant for `id` that lasts `minutes` from now; never saved.
void allowFor(AppState& state, const std::string& id, int64_t minutes);

// Records what "Allow" with `choice` grants the node `id` named `name`:
// nothing for this time only, a timed grant for 5 or 30 minutes, and for
// "Always", once the user confirms, a permanent grant, written to
// "Settings.xml" at once. An empty ID is never stored.
void recordGrant(AppState& state, const std::string& id, const std::string& name,
                 GrantChoice choice);

}  // namespace tornel
