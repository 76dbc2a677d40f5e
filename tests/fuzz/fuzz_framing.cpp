// Cuts arbitrary bytes, in arbitrary arrivals, into packets: the framing must
// never crash, hang or hold more than the header limit plus one body, every
// packet it cuts must carry exactly its "Content-Length", and writing a packet
// and framing that text again must give the same packet back. Arrivals come
// as copies and by trading buffers alike.
#include "input_limits.h"
#include "stream_framing.h"
#include "wire_format.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Whatever survives a write: the resource is left out, since the reader
// decodes "%" escapes that the writer does not make.
bool samePacket(const qel::clsPacket& a, const qel::clsPacket& b) {
    if (a.Method != b.Method || a.Data != b.Data || a.Fields.size() != b.Fields.size()) {
        return false;
    }
    for (size_t i = 0; i < a.Fields.size(); ++i) {
        if (a.Fields[i].Name != b.Fields[i].Name || a.Fields[i].Data != b.Fields[i].Data) {
            return false;
        }
    }
    return true;
}

void checkRewrite(const qel::clsPacket& packet) {
    const std::string text = qel::writePacket(packet);
    require(qel::writeHeader(packet) + packet.Data == text);
    qel::PacketFramer again;
    again.append(text);
    qel::clsPacket reread;
    require(again.next(reread) == qel::PacketFramer::Cut::Packet);
    require(samePacket(packet, reread));
    require(again.bufferedBytes() == 0);
}

void checkHeld(const qel::PacketFramer& framer) {
    const qel::clsPacket& inProgress = framer.packetIn();
    if (inProgress.HeaderDone) {
        require(framer.bufferedBytes() == 0);
        require(static_cast<int64_t>(inProgress.Data.size()) < qel::limits::MaxBodyBytes);
    } else {
        require(framer.bufferedBytes() < qel::limits::MaxHeaderBytes);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte seeds the arrival sizes; the rest is the stream.
    uint32_t state = data[0] * 2654435761U + 1;
    const std::string_view stream(reinterpret_cast<const char*>(data) + 1, size - 1);

    qel::PacketFramer framer;
    std::string traded;  // arrivals handed over by trading buffers, every other one
    for (size_t at = 0; at < stream.size();) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        const size_t arrival = 1 + state % 64;
        if ((state & 0x100) != 0) {
            traded.assign(stream.substr(at, arrival));
            framer.appendTrading(traded);
            require(traded.empty());
        } else {
            framer.append(stream.substr(at, arrival));
        }
        at += arrival;

        qel::clsPacket packet;
        qel::PacketFramer::Cut cut;
        while ((cut = framer.next(packet)) == qel::PacketFramer::Cut::Packet) {
            int64_t length = -1;
            require(qel::readContentLength(packet, length).ok());
            require(static_cast<int64_t>(packet.Data.size()) == length);
            checkRewrite(packet);
            packet = qel::clsPacket();
        }
        if (cut == qel::PacketFramer::Cut::Broken) {
            require(framer.bufferedBytes() == 0 && !framer.packetIn().HeaderDone);
        }
        checkHeld(framer);
    }
    return 0;
}
