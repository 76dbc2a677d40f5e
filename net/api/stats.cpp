#include "qellib/stats.h"

#include "library_state.h"
#include "product.h"

#include <cstdlib>

namespace qel {
namespace {

const TrafficCounters& counters() {
    return library().counters;
}

// sum / count rounded to the nearest whole number, halves to even.
int64_t roundedAverage(int64_t sum, int64_t count) {
    int64_t quotient = sum / count;
    const int64_t twiceRemainder = 2 * std::llabs(sum % count);
    const int64_t away = sum < 0 ? -1 : 1;
    if (twiceRemainder > count || (twiceRemainder == count && quotient % 2 != 0)) {
        quotient += away;
    }
    return quotient;
}

}  // namespace

int64_t cQELStats::InByteSpeed() const {
    return counters().InByteSpeed;
}

int64_t cQELStats::OutByteSpeed() const {
    return counters().OutByteSpeed;
}

int64_t cQELStats::InPacketRate() const {
    return counters().InPacketRate;
}

int64_t cQELStats::OutPacketRate() const {
    return counters().OutPacketRate;
}

int64_t cQELStats::InPacketCount() const {
    return counters().InPacketCount;
}

int64_t cQELStats::OutPacketCount() const {
    return counters().OutPacketCount;
}

int64_t cQELStats::DeliveryFailures() const {
    return counters().DeliveryFailures;
}

int64_t cQELStats::DeliveryResends() const {
    return counters().DeliveryResends;
}

int64_t cQELStats::PacketsDropped() const {
    return counters().PacketsDropped;
}

std::string cQELStats::QELVersion() const {
    return std::to_string(LibraryVersionMajor) + "." + std::to_string(LibraryVersionMinor) + "." +
           std::to_string(LibraryVersionRevision);
}

// Each saving summed lies within 16 bits, so their average does too. A sum of
// savings below zero (bodies that grew) still averages: only "no compressed
// body yet" gives 0.
int16_t cQELStats::AvgCompression() const {
    const TrafficCounters& c = counters();
    if (c.compressionCount <= 0) {
        return 0;
    }
    return static_cast<int16_t>(roundedAverage(c.compressionSum, c.compressionCount));
}

}  // namespace qel
