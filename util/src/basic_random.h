#pragma once

#include <bit>
#include <cstdint>

namespace orv {

// The pseudo-random generator of the desktop BASIC runtimes, which the
// password cipher's key schedule draws from. Its whole definition, enough to
// reproduce every key byte:
//
//   state    x, 24 bits; 0x50000 in a new generator.
//   next()   x = (x * 1140671485 + 12820163) mod 2^24, then returns x / 2^24 as
//            a single-precision number (exact, in [0, 1)).
//   restart(n), n < 0
//            b = the 32 bits of n as an IEEE 754 single-precision number;
//            x = (b + (b >> 24)) mod 2^24; returns x / 2^24 without a step.
//            The state then depends on n alone: restart(-1) leaves x = 0x8000BF.
//   seed(n)  h = the high 32 bits of n as an IEEE 754 double-precision number;
//            x = (x mod 2^8) + ((h xor (h >> 16)) mod 2^16) * 2^8, so the
//            number replaces the upper 16 bits of the state and the low byte stays.
//
// Example: restart(-1) then seed(294) gives x = 0x2072BF, and the next draws
// are 0.62503850, 0.98900133, 0.75813580.
class BasicRandom {
  public:
    static constexpr uint32_t InitialState = 0x50000;
    static constexpr uint32_t Multiplier = 1140671485;
    static constexpr uint32_t Increment = 12820163;
    static constexpr uint32_t StateMask = 0xFFFFFF;

    float next() {
        state_ = (state_ * Multiplier + Increment) & StateMask;
        return current();
    }

    // `negative` must be below 0.
    float restart(float negative) {
        const uint32_t bits = std::bit_cast<uint32_t>(negative);
        state_ = (bits + (bits >> 24)) & StateMask;
        return current();
    }

    void seed(double number) {
        const auto high = static_cast<uint32_t>(std::bit_cast<uint64_t>(number) >> 32);
        state_ = (state_ & 0xFF) | (((high ^ (high >> 16)) & 0xFFFF) << 8);
    }

    uint32_t state() const { return state_; }

  private:
    float current() const { return static_cast<float>(state_) / 16777216.0f; }

    uint32_t state_ = InitialState;
};

}  // namespace orv
