#include "advanced_settings.h"

#include "library_state.h"
#include "transfer_range.h"
#include "value_conversions.h"

#include "platform/runtime_error.h"
#include "qellib/settings.h"

#include <limits>
#include <string_view>

namespace qel {
namespace {

constexpr int32_t MaxInt32 = std::numeric_limits<int32_t>::max();

int32_t within(int32_t value, int32_t lowest, int32_t highest) {
    if (value < lowest || value > highest) {
        throw platform::RuntimeError(platform::rt::InvalidPropertyValue);
    }
    return value;
}

}  // namespace

void applyAdvancedSettings(Session& own, const cSettings& settings) {
    LibraryState& lib = library();
    // An absent key reads as its current value (filePacket: the library's).
    const auto value = [&settings](std::string_view key, Variant current) {
        return settings.GetSetting(key, current, "Common");
    };
    own.nodeID = textOf(value("nodeID", own.nodeID));
    own.Timeout = within(int32Of(value("Timeout", own.Timeout)), 0, MaxInt32);
    own.TTL = int32Of(value("TTL", int64_t{own.TTL}));
    own.useEnc = booleanOf(value("useEnc", own.useEnc));
    own.netPass = textOf(value("netPass", own.netPass));
    own.useComp = booleanOf(value("useComp", own.useComp));
    own.seeSelf = booleanOf(value("seeSelf", own.seeSelf));
    own.announceSelf = booleanOf(value("announceSelf", own.announceSelf));
    own.maxRoutes = within(int16Of(value("maxRoutes", int64_t{own.maxRoutes})), 0,
                           std::numeric_limits<int16_t>::max());
    own.confirmMode = booleanOf(value("confirmMode", own.confirmMode));
    own.confirmTimeout = within(int32Of(value("confirmTimeout", own.confirmTimeout)), 0, MaxInt32);
    own.confirmRetry =
        within(int32Of(value("confirmRetry", int64_t{own.confirmRetry})), 0, MaxInt32);
    own.routeFiles = booleanOf(value("routeFiles", own.routeFiles));
    own.filePacket =
        chunkSizeFor(int64_t{int32Of(value("filePacket", int64_t{lib.filePacket}))} * 1024);
    lib.packetCache =
        within(int32Of(value("packetCache", int64_t{lib.packetCache})), 1, MaxPacketCache);
}

}  // namespace qel
