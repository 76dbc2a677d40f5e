#pragma once

#include "packet.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace qel {

class clsSocket;

// Cuts one connection's byte stream into packets: a header up to its blank
// line, then "Content-Length" bytes of body. The text not cut yet stays here,
// in the connection, and every packet leaves it before it is handed on, so a
// handler that waits while more text arrives on the same connection (and the
// framing runs again inside the wait) still sees the packets in byte order.
//
// Nothing is taken on trust: a header longer than the header limit, or a
// "Content-Length" that is not a decimal count within the body limit, breaks
// the stream; the text buffered here never exceeds the header limit plus the
// body of the packet being received.
class PacketFramer {
  public:
    enum class Cut {
        NeedMore,  // no complete packet buffered
        Packet,    // the next packet was cut off the front
        Broken,    // the stream cannot be framed any more (reported; everything dropped)
    };

    void append(std::string_view bytes);

    // Cuts the next complete packet into `packet`. A header that does not
    // parse is reported and dropped with all the text buffered behind it.
    Cut next(clsPacket& packet);

    // Drops everything buffered and the packet being received.
    void reset();

    // Text held, not yet cut into the packet being received.
    int64_t bufferedBytes() const { return static_cast<int64_t>(buffer_.size() - start_); }
    // The packet being received: its header once read, and its body so far.
    const clsPacket& packetIn() const { return packetIn_; }

  private:
    bool cutHeader();
    bool cutBody();
    void compact();

    std::string buffer_;
    size_t start_ = 0;        // where the text not cut yet begins
    size_t scanned_ = 0;      // bytes after start_ already searched for the header's end
    int64_t bodyLength_ = 0;  // of packetIn_, once its header is read
    clsPacket packetIn_;
    bool cutting_ = false;  // inside next()
};

// Takes the text that just arrived on `connection` and hands every packet it
// completes to the receive pipeline, in order. A broken stream closes the
// connection; a connection whose session is gone meanwhile is closed and
// read no further.
void processIncoming(std::string_view text, const std::shared_ptr<clsSocket>& connection);

}  // namespace qel
