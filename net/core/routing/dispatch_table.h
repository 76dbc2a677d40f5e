#pragma once

#include "packet.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace qel {

class clsSocket;

// The handler of one packet method: the packet with its body decoded (or,
// for a handler that decodes it itself, as it came), the connection it
// arrived on and its "Source". It runs with the node the packet
// arrived at current. The decoded body is the handler's to take (the
// pipeline keeps its own copy of a packet that goes on afterwards).
using MethodHandler = std::function<void(clsPacket& pkt, const std::shared_ptr<clsSocket>& sock,
                                         const std::string& strSource)>;

// Who undoes a packet's body transforms: the pipeline, before the handler
// runs, or the handler itself (decodeReceivedBody, receive_pipeline.h) once
// its own checks found the body worth reading, so a peer's compressed body
// is never inflated for a packet that is dropped anyway.
enum class BodyDecoding { BeforeHandler, ByHandler };

// The packet methods a node answers, each with its handler, by method name
// (upper case, as the framing reads it, matched exactly). The core adds its
// own methods when the library is set up; the node services add theirs.
class DispatchTable {
  public:
    struct Method {
        MethodHandler handler;
        BodyDecoding decoding = BodyDecoding::BeforeHandler;
    };

    // Sets the handler of `method`, replacing an earlier one.
    void add(std::string method, MethodHandler handler,
             BodyDecoding decoding = BodyDecoding::BeforeHandler);
    // The handler of `method`, or null when no handler is set.
    const MethodHandler* find(std::string_view method) const;
    // The same with who decodes its body.
    const Method* method(std::string_view method) const;

  private:
    std::map<std::string, Method, std::less<>> methods_;
};

// Hands the packet to the handler of its method in the library's table. A
// method without a handler is ignored, silently; a handler that fails is
// reported (with an empty source) and nothing escapes.
void dispatchPacket(clsPacket& pkt, const std::shared_ptr<clsSocket>& sock,
                    const std::string& strSource);

}  // namespace qel
