#include "core/permissions/access_grants.h"

#include "core/log/guarded.h"
#include "core/permissions/ask_permission.h"
#include "core/settings/program_settings.h"
#include "core/state/app_state.h"
#include "platform/event_loop.h"

#include <memory>

namespace tornel {
namespace {

constexpr int64_t kMillisecondsPerMinute = 60000;

bool isLive(const cAllowedID& grant, int64_t now) {
    return grant.NeverExpires || now <= grant.Expires;
}

// Asks whether `name` may always download; true on Yes.
bool confirmAlways(const AppState& state, const std::string& name) {
    const std::string question =
        "Do you want to allow \"" + name + "\" to always download files from your shared folders?";
    return state.ui.prompts->messageBox(question, PromptButtons::YesNo, PromptIcon::Question,
                                        "Tornel") == PromptAnswer::Yes;
}

// A permanent grant, written to "Settings.xml" at once.
void allowAlways(AppState& state, const std::string& id, const std::string& name) {
    auto grant = std::make_shared<cAllowedID>();
    grant->NeverExpires = true;
    grant->id = id;
    grant->Name = name;
    state.allowedIDs.add(std::move(grant));
    saveSettings(state);
    settlePermissionQuestionsSoon(state);  // the grant may admit parked requests
}

}  // namespace

bool hasLiveGrant(const AppState& state, const std::string& requester,
                  const std::string& sourceNodeID) {
    if (requester.empty() || requester != sourceNodeID) {
        return false;
    }
    const int64_t now = platform::tickCount();
    for (const auto& entry : state.allowedIDs) {
        if (entry.item->id == requester && isLive(*entry.item, now)) {
            return true;
        }
    }
    return false;
}

void allowFor(AppState& state, const std::string& id, int64_t minutes) {
    guarded(state.log, "allowFor", [&] {
        if (id.empty()) {
            return;
        }
        auto grant = std::make_shared<cAllowedID>();
        grant->Expires = platform::tickCount() + minutes * kMillisecondsPerMinute;
        grant->id = id;
        state.allowedIDs.add(std::move(grant));
        settlePermissionQuestionsSoon(state);  // the grant may admit parked requests
    });
}

void recordGrant(AppState& state, const std::string& id, const std::string& name,
                 GrantChoice choice) {
    guarded(state.log, "cmdAllow_Click", [&] {
        switch (choice) {
            case GrantChoice::ThisTimeOnly:
                break;
            case GrantChoice::For5Minutes:
                allowFor(state, id, 5);
                break;
            case GrantChoice::For30Minutes:
                allowFor(state, id, 30);
                break;
            case GrantChoice::Always:
                // A request without an ID cannot be granted for later, so
                // its "Always" allows this time only, without the question.
                if (!id.empty() && confirmAlways(state, name)) {
                    allowAlways(state, id, name);
                }
                break;
        }
    });
}

}  // namespace tornel
