#include "dispatch_table.h"

#include "guarded.h"
#include "library_state.h"

#include <utility>

namespace qel {

void DispatchTable::add(std::string method, MethodHandler handler, BodyDecoding decoding) {
    methods_.insert_or_assign(std::move(method), Method{std::move(handler), decoding});
}

const MethodHandler* DispatchTable::find(std::string_view method) const {
    const Method* found = this->method(method);
    return found != nullptr ? &found->handler : nullptr;
}

const DispatchTable::Method* DispatchTable::method(std::string_view method) const {
    const auto found = methods_.find(method);
    return found != methods_.end() ? &found->second : nullptr;
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
