#include "stream_framing.h"

#include "connection.h"
#include "error_log.h"
#include "guarded.h"
#include "input_limits.h"
#include "library_state.h"
#include "wire_format.h"

#include "platform/runtime_error.h"
#include "platform/scoped_assignment.h"

#include <algorithm>

namespace qel {

void PacketFramer::append(std::string_view bytes) {
    buffer_.append(bytes);
}

void PacketFramer::reset() {
    buffer_.clear();
    start_ = 0;
    scanned_ = 0;
    bodyLength_ = 0;
    packetIn_ = clsPacket();
}

void PacketFramer::compact() {
    buffer_.erase(0, start_);
    start_ = 0;
}

// Reads the header of the next packet once its blank line is buffered; true
// when packetIn_ holds it.
bool PacketFramer::cutHeader() {
    const std::string_view uncut = std::string_view(buffer_).substr(start_);
    const std::string_view window = uncut.substr(0, limits::MaxHeaderBytes);
    // The blank line may have begun in text searched before.
    const size_t from = scanned_ > HeaderEnd.size() - 1 ? scanned_ - (HeaderEnd.size() - 1) : 0;
    const size_t end = window.find(HeaderEnd, from);
    if (end == std::string_view::npos) {
        if (uncut.size() >= static_cast<size_t>(limits::MaxHeaderBytes)) {
            throw platform::RuntimeError(platform::rt::OutOfMemory);
        }
        scanned_ = uncut.size();
        return false;
    }
    clsPacket header;
    header.Header.assign(uncut.substr(0, end + HeaderEnd.size()));
    header.HeaderDone = true;
    start_ += header.Header.size();
    scanned_ = 0;
    if (!parseHeader(header)) {
        reset();  // the text behind a malformed header cannot be trusted either
        return false;
    }
    bodyLength_ = readContentLength(header);
    packetIn_ = std::move(header);
    return true;
}

// Moves what has arrived of packetIn_'s body into it; true when it is whole.
bool PacketFramer::cutBody() {
    std::string& body = packetIn_.Data;
    const auto missing = static_cast<size_t>(bodyLength_) - body.size();
    const size_t take = std::min(missing, buffer_.size() - start_);
    body.append(buffer_, start_, take);
    start_ += take;
    return body.size() == static_cast<size_t>(bodyLength_);
}

PacketFramer::Cut PacketFramer::next(clsPacket& packet) {
    // A reported error raises an event, whose handler may let a later arrival
    // on this connection run: that arrival only appends, and the cut under
    // way goes on to take its text.
    if (cutting_) {
        return Cut::NeedMore;
    }
    const platform::ScopedAssignment mark(cutting_, true);
    try {
        if ((!packetIn_.HeaderDone && !cutHeader()) || !cutBody()) {
            compact();
            return Cut::NeedMore;
        }
        packet = std::move(packetIn_);
        packetIn_ = clsPacket();
        bodyLength_ = 0;
        return Cut::Packet;
    } catch (...) {
        reportCaughtError("");
        reset();
        return Cut::Broken;
    }
}

void processIncoming(std::string_view text, const std::shared_ptr<clsSocket>& connection) {
    guarded("", [&] {
        LibraryState& lib = library();
        if (lib.debugMode) {
            debugPrint(">> INCOMING >>>>>>>>>>\r\n" + std::string(text));
        }
        connection->incoming.append(text);
        for (;;) {
            clsPacket packet;
            const PacketFramer::Cut cut = connection->incoming.next(packet);
            if (cut == PacketFramer::Cut::NeedMore) {
                return;
            }
            if (cut == PacketFramer::Cut::Broken) {
                connection->closeConnection(false);
                return;
            }
            if (lib.debugMode) {
                debugPrint("** PROCESS " + packet.Method);
            }
            if (lib.connectionHooks.processPacket) {
                guarded("", [&] { lib.connectionHooks.processPacket(packet, connection); });
            }
            // The handler may have waited: its node may be gone, and this
            // connection closed (which empties its stream) or fed meanwhile.
            if (!SessionTable::live(connection->session)) {
                connection->closeForGoneSession();
                return;
            }
        }
    });
}

}  // namespace qel
