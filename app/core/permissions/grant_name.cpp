#include "core/permissions/grant_name.h"

#include "core/network/session.h"
#include "core/state/allowed_id.h"

namespace tornel {

std::string grantName(const AppState& state, const cAllowedID& grant) {
    if (!grant.Name.empty()) {
        return grant.Name;
    }
    if (state.qelSession) {
        const qel::typNodeInfo known = session(state).knownNodeInfo(grant.id);
        if (!known.ID.empty() && !known.Name.empty()) {
            return known.Name;
        }
    }
    return grant.id;
}

}  // namespace tornel
