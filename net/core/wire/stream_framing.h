#pragma once

#include "packet.h"
#include "wire_error.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qel {

// Cuts one connection's byte stream into packets: a header up to its blank
// line, then "Content-Length" bytes of body. The text not cut yet stays here,
// in the connection, and every packet leaves it before it is handed on, so a
// handler that waits while more text arrives on the same connection (and the
// framing runs again inside the wait) still sees the packets in byte order.
//
// Nothing is taken on trust: a header longer than the header limit, or a
// "Content-Length" that is not a decimal count within the body limit, breaks
// the stream. A body longer than its method's bound (limits::maxRawBody) is
// skipped as it arrives, its packet dropped, and the stream goes on behind
// it. The text buffered here never exceeds the header limit plus the body of
// the packet being received.
//
// The framer is pure: it reports nothing and calls nothing. What it found
// wrong waits in takeErrors() for the connection to report after the cut.
class PacketFramer {
  public:
    enum class Cut {
        NeedMore,  // no complete packet buffered
        Packet,    // the next packet was cut off the front
        Broken,    // the stream cannot be framed any more (everything dropped)
    };

    void append(std::string_view bytes);
    // The same, taking over the text itself when nothing is held: arriving
    // bytes are then not copied again.
    void append(std::string&& bytes);
    // The same, trading buffers: when nothing is held the framer keeps the
    // text and hands back its own spent buffer, emptied, in `bytes` for the
    // caller to fill again; else the text is copied and `bytes` emptied.
    void appendTrading(std::string& bytes);

    // Cuts the next complete packet into `packet`. A header that does not
    // parse is dropped with all the text buffered behind it.
    Cut next(clsPacket& packet);

    // What the cuts found wrong since the last call, oldest first: headers
    // dropped, fields left out, and what broke the stream.
    std::vector<WireError> takeErrors();

    // Drops everything buffered and the packet being received.
    void reset();

    // Text held, not yet cut into the packet being received.
    int64_t bufferedBytes() const { return static_cast<int64_t>(buffer_.size() - start_); }
    // Text kept in memory: what is not cut yet, and what was cut but not
    // dropped yet.
    int64_t heldBytes() const { return static_cast<int64_t>(buffer_.size()); }
    // The packet being received: its header once read, and its body so far.
    const clsPacket& packetIn() const { return packetIn_; }

  private:
    WireStatus cutHeader(bool& cut);
    bool cutBody();
    size_t skippable(size_t arriving);
    bool skipRefusedBody();
    void compact();
    void dropCutTextWhenItDominates();

    std::string buffer_;
    size_t start_ = 0;        // where the text not cut yet begins
    size_t scanned_ = 0;      // bytes after start_ already searched for the header's end
    int64_t bodyLength_ = 0;  // of packetIn_, once its header is read
    int64_t skipping_ = 0;    // bytes of a refused body still to come
    clsPacket packetIn_;
    std::vector<WireError> errors_;
};

}  // namespace qel
