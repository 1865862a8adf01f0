#include "monitor/LampStates.h"

void CLampStates::Update(const Sample& sample) {
    for (int port = 0; port < kPortCount; ++port) {
        const std::uint16_t previous = m_hasSample ? m_value[port] : sample.value[port];
        const std::uint16_t pulses =
            m_hasSample ? CaughtPulses(previous, sample.value[port], sample.positive[port],
                                       sample.negative[port])
                        : 0;
        for (int bit = 0; bit < 16; ++bit) {
            Lamp& lamp = m_lamps[static_cast<std::size_t>(port * 16 + bit)];
            Mark mark = Mark::None;
            if ((pulses >> bit) & 1) {
                mark = Mark::Pulse;
            } else if ((sample.positive[port] >> bit) & 1) {
                mark = ((sample.value[port] >> bit) & 1) ? Mark::Rise : Mark::Fall;
            } else if ((sample.negative[port] >> bit) & 1) {
                mark = Mark::Fall;
            } else if (((previous ^ sample.value[port]) >> bit) & 1) {
                // A change the registers missed (read between the edge and the latch).
                mark = ((sample.value[port] >> bit) & 1) ? Mark::Rise : Mark::Fall;
            }
            if (mark != Mark::None) {
                lamp.mark = mark;
                lamp.markUs = sample.timeUs;
                lamp.hasEdge = true;
            }
        }
    }
    m_value = sample.value;
    m_nowUs = sample.timeUs;
    m_hasSample = true;
}

CLampStates::Mark CLampStates::MarkOf(int channel) const {
    const Lamp& lamp = m_lamps[static_cast<std::size_t>(channel)];
    if (lamp.mark == Mark::None || m_nowUs - lamp.markUs >= kMarkUs) {
        return Mark::None;
    }
    return lamp.mark;
}

bool CLampStates::LastEdge(int channel, std::int64_t* timeUs) const {
    const Lamp& lamp = m_lamps[static_cast<std::size_t>(channel)];
    if (!lamp.hasEdge) {
        return false;
    }
    *timeUs = lamp.markUs;
    return true;
}
