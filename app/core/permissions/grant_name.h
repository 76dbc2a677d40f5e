#pragma once

#include <string>

namespace tornel {

struct AppState;
struct cAllowedID;

// How a grant is listed: its own name; for a grant made without one (a
// timed grant), the name the library already knows for the node, asking
// nobody; else the node's ID.
std::string grantName(const AppState& state, const cAllowedID& grant);

}  // namespace tornel
