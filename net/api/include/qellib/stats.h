#pragma once

#include <cstdint>
#include <string>

namespace qel {

// The traffic of the whole process, shared by every node and every object of
// this class. The four rates are those of the last refresh (every 500 ms),
// per second of the time measured since the refresh before. Reading never
// switches nodes and never fails.
class cQELStats {
  public:
    int64_t InByteSpeed() const;
    int64_t OutByteSpeed() const;
    int64_t InPacketRate() const;
    int64_t OutPacketRate() const;
    // Packets taken into the receive pipeline, and handed to a connection or
    // flooded, since the library was loaded.
    int64_t InPacketCount() const;
    int64_t OutPacketCount() const;
    // Packets given up after their last resend without a confirmation.
    int64_t DeliveryFailures() const;
    int64_t DeliveryResends() const;
    // Packets not forwarded because their TTL had run out.
    int64_t PacketsDropped() const;
    // The library's version: major, minor and revision ("2.1.246").
    std::string QELVersion() const;
    // The average saving of the compressed bodies received, in whole percent
    // (halves to even); 0 before the first.
    int16_t AvgCompression() const;
};

}  // namespace qel
