#pragma once

#include <array>
#include <cstdint>

#include "recording/Sample.h"

// A sample of the four ports at timeUs, with the edges its transition registers caught.
inline Sample MakeSample(std::int64_t timeUs, std::array<std::uint16_t, 4> value,
                         std::array<std::uint16_t, 4> positive = {},
                         std::array<std::uint16_t, 4> negative = {}) {
    Sample sample;
    sample.timeUs = timeUs;
    sample.value = value;
    sample.positive = positive;
    sample.negative = negative;
    return sample;
}
