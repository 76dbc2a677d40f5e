#include "dispatch_table.h"

#include "guarded.h"
#include "library_state.h"

#include <utility>

namespace qel {

void DispatchTable::add(std::string method, MethodHandler handler) {
    handlers_.insert_or_assign(std::move(method), std::move(handler));
}

const MethodHandler* DispatchTable::find(std::string_view method) const {
    const auto found = handlers_.find(method);
    return found != handlers_.end() ? &found->second : nullptr;
}

void dispatchPacket(clsPacket& pkt, const std::shared_ptr<clsSocket>& sock,
                    const std::string& strSource) {
    guarded("", [&] {
        const MethodHandler* handler = library().methodHandlers.find(pkt.Method);
        if (handler == nullptr) {
            return;
        }
        // A copy: the handler may let events run that change the table.
        const MethodHandler call = *handler;
        call(pkt, sock, strSource);
    });
}

}  // namespace qel
