#include "core/procedures/auth_given.h"

#include "core/downloads/download_manager.h"
#include "core/log/guarded.h"
#include "core/procedures/procedure_params.h"
#include "core/state/app_state.h"
#include "core/state/download.h"

namespace tornel {

void authGiven_RemoteProcCall(AppState& state, const qel::Variant& Params) {
    guarded(state.log, "authGiven_RemoteProcCall", [&] {
        const auto* arguments = std::get_if<qel::StringArray>(&Params);
        if (!arguments || arguments->size() < 2) {
            return;
        }
        // Sent with the bounds 1 to 2; the last two elements are the answer
        // whether the array arrives from index 0 or with an empty element 0.
        const std::string& grantedText = (*arguments)[arguments->size() - 2];
        const std::string& requestID = arguments->back();
        const std::optional<bool> granted = readBoolean(grantedText);
        if (!granted) {
            throw platform::RuntimeError(platform::rt::TypeMismatch,
                                         "The permission answer is not a Boolean: " + grantedText);
        }
        const std::shared_ptr<cDownload> dl = findDownload(state, requestID);
        if (!dl) {
            return;
        }
        dl->extendedStatus = *granted ? "Accepted" : "Refused";
        if (dl->statusWindow) {
            dl->statusWindow->setProgressText(dl->extendedStatus);
        }
    });
}

}  // namespace tornel
