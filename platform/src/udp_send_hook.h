#pragma once

#include "platform/socket_control.h"

#include <functional>

namespace platform {

struct UdpSendHook {
    std::function<void(const UdpSend&)> record;
    bool suppress = false;
};

// The hook of the live ScopedUdpSendHook, or nullptr.
const UdpSendHook* udpSendHook();

}  // namespace platform
