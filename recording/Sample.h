#pragma once

#include <array>
#include <cstdint>

// One reading of the module: the value and both transition registers of each of the four
// ports, at a time in microseconds from the start of the recording.
struct Sample {
    std::int64_t timeUs = 0;
    std::array<std::uint16_t, 4> value{};
    std::array<std::uint16_t, 4> positive{};
    std::array<std::uint16_t, 4> negative{};
};

constexpr int kPortCount = 4;
constexpr int kChannelCount = 64;

inline int ChannelPort(int channel) {
    return channel / 16;
}
inline int ChannelBit(int channel) {
    return channel % 16;
}

// Bits of a port that latched both edges while their level is the same as at the previous
// sample: a pulse that came and went between two readings.
inline std::uint16_t CaughtPulses(std::uint16_t previous, std::uint16_t now, std::uint16_t positive,
                                  std::uint16_t negative) {
    return static_cast<std::uint16_t>(positive & negative & ~(previous ^ now));
}
