#include "stream_framing.h"

#include "input_limits.h"
#include "wire_format.h"

#include "platform/runtime_error.h"

#include <algorithm>
#include <utility>

namespace qel {

void PacketFramer::append(std::string_view bytes) {
    if (start_ == buffer_.size()) {
        bytes.remove_prefix(skippable(bytes.size()));
    }
    dropCutTextWhenItDominates();
    buffer_.append(bytes);
}

void PacketFramer::append(std::string&& bytes) {
    appendTrading(bytes);
}

void PacketFramer::appendTrading(std::string& bytes) {
    if (start_ == buffer_.size()) {
        bytes.erase(0, skippable(bytes.size()));
        std::swap(buffer_, bytes);
        start_ = 0;
        scanned_ = 0;
    } else {
        append(std::string_view(bytes));
    }
    bytes.clear();
}

// A reader that stops cutting before it runs out of packets (a held relay, a
// bounded nesting) never reaches the compaction of next(): the text already
// cut goes before more is added, once it is at least as long as the rest, so
// the buffer stays within twice the text not cut yet at a cost linear in the
// bytes that pass.
void PacketFramer::dropCutTextWhenItDominates() {
    if (start_ > 0 && start_ >= buffer_.size() - start_) {
        compact();
    }
}

// How many of `arriving` bytes belong to a refused body, counted off it: a
// body is skipped as it arrives, so it never joins the buffer.
size_t PacketFramer::skippable(size_t arriving) {
    const int64_t skipped = std::min(skipping_, static_cast<int64_t>(arriving));
    skipping_ -= skipped;
    return static_cast<size_t>(skipped);
}

// Drops what is buffered of a refused body; true once it has all passed.
bool PacketFramer::skipRefusedBody() {
    start_ += skippable(buffer_.size() - start_);
    return skipping_ == 0;
}

void PacketFramer::reset() {
    buffer_.clear();
    start_ = 0;
    scanned_ = 0;
    bodyLength_ = 0;
    skipping_ = 0;
    packetIn_ = clsPacket();
}

void PacketFramer::compact() {
    buffer_.erase(0, start_);
    start_ = 0;
}

// Reads the header of the next packet once its blank line is buffered;
// `cut` tells whether packetIn_ holds it. A failure breaks the stream.
WireStatus PacketFramer::cutHeader(bool& cut) {
    cut = false;
    const std::string_view uncut = std::string_view(buffer_).substr(start_);
    const std::string_view window = uncut.substr(0, limits::MaxHeaderBytes);
    // The blank line may have begun in text searched before.
    const size_t from = scanned_ > HeaderEnd.size() - 1 ? scanned_ - (HeaderEnd.size() - 1) : 0;
    const size_t end = window.find(HeaderEnd, from);
    if (end == std::string_view::npos) {
        if (uncut.size() >= static_cast<size_t>(limits::MaxHeaderBytes)) {
            return WireStatus::failure(platform::rt::OutOfMemory);
        }
        scanned_ = uncut.size();
        return {};
    }
    clsPacket header;
    header.Header.assign(uncut.substr(0, end + HeaderEnd.size()));
    header.HeaderDone = true;
    start_ += header.Header.size();
    scanned_ = 0;
    if (WireStatus parsed = parseHeader(header, errors_); !parsed) {
        errors_.push_back(parsed.error());
        reset();  // the text behind a malformed header cannot be trusted either
        return {};
    }
    if (WireStatus length = readContentLength(header, bodyLength_); !length) {
        return length;
    }
    if (bodyLength_ > limits::maxRawBody(header.Method)) {
        // Nothing handles or forwards a body that long for its method: the
        // stream goes on behind it, and nothing of it is kept meanwhile.
        errors_.push_back(WireError{platform::rt::OutOfMemory,
                                    "Packet dropped: a " + header.Method + " body of " +
                                        std::to_string(bodyLength_) + " bytes is skipped"});
        skipping_ = std::exchange(bodyLength_, 0);
        return {};
    }
    packetIn_ = std::move(header);
    cut = true;
    return {};
}

// Moves what has arrived of packetIn_'s body into it; true when it is whole.
bool PacketFramer::cutBody() {
    std::string& body = packetIn_.Data;
    const auto missing = static_cast<size_t>(bodyLength_) - body.size();
    const size_t take = std::min(missing, buffer_.size() - start_);
    if (body.capacity() < body.size() + take) {
        // Grown ahead of what has arrived, so a large body is moved less
        // often, but never beyond four times it: a peer's length alone
        // allocates nothing.
        body.reserve(std::min(static_cast<size_t>(bodyLength_), 4 * (body.size() + take)));
    }
    body.append(buffer_, start_, take);
    start_ += take;
    return body.size() == static_cast<size_t>(bodyLength_);
}

PacketFramer::Cut PacketFramer::next(clsPacket& packet) {
    while (!packetIn_.HeaderDone) {
        if (!skipRefusedBody()) {
            compact();
            return Cut::NeedMore;
        }
        bool cut = false;
        if (WireStatus header = cutHeader(cut); !header) {
            reset();
            errors_.push_back(header.error());
            return Cut::Broken;
        }
        if (!cut && skipping_ == 0) {
            compact();
            return Cut::NeedMore;
        }
    }
    if (!cutBody()) {
        compact();
        return Cut::NeedMore;
    }
    packet = std::move(packetIn_);
    packetIn_ = clsPacket();
    bodyLength_ = 0;
    return Cut::Packet;
}

std::vector<WireError> PacketFramer::takeErrors() {
    return std::exchange(errors_, {});
}

}  // namespace qel
