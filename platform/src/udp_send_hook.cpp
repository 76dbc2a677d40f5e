#include "udp_send_hook.h"

#include <optional>

namespace platform {
namespace {

std::optional<UdpSendHook> activeHook;

}  // namespace

const UdpSendHook* udpSendHook() {
    return activeHook ? &*activeHook : nullptr;
}

ScopedUdpSendHook::ScopedUdpSendHook(std::function<void(const UdpSend&)> record, bool suppress) {
    activeHook = UdpSendHook{std::move(record), suppress};
}

ScopedUdpSendHook::~ScopedUdpSendHook() {
    activeHook.reset();
}

}  // namespace platform
