#pragma once

#include <array>
#include <cstdint>

#include "recording/Sample.h"

// What each of the 64 lamps shows, from the samples: the level, and for a moment after a
// sample that latched something, a mark for a rising or falling edge or a pulse caught between
// samples. Plain logic, so that it is tested without drawing.
class CLampStates {
public:
    enum class Mark : std::uint8_t { None, Rise, Fall, Pulse };

    // How long a mark stays, in the samples' time.
    static constexpr std::int64_t kMarkUs = 500000;

    void Update(const Sample& sample);
    // Time passes without a sample (sampling on change, or a long period): marks older than
    // kMarkUs go out.
    void AdvanceTo(std::int64_t nowUs) {
        if (nowUs > m_nowUs) {
            m_nowUs = nowUs;
        }
    }
    void Clear() { *this = CLampStates(); }

    bool HasSample() const { return m_hasSample; }
    int Level(int channel) const {
        return (m_value[ChannelPort(channel)] >> ChannelBit(channel)) & 1;
    }
    // The mark in force at the latest sample or AdvanceTo time.
    Mark MarkOf(int channel) const;
    // The time of the channel's last edge or pulse; false when it had none.
    bool LastEdge(int channel, std::int64_t* timeUs) const;

private:
    struct Lamp {
        Mark mark = Mark::None;
        std::int64_t markUs = 0;
        bool hasEdge = false;
    };
    bool m_hasSample = false;
    std::int64_t m_nowUs = 0;
    std::array<std::uint16_t, 4> m_value{};
    std::array<Lamp, kChannelCount> m_lamps{};
};
