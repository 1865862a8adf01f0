#include "recording/Recording.h"

CRecording::CRecording() : m_tracks(kChannelCount) {}

void CRecording::Clear() {
    m_stored.clear();
    m_stored.shrink_to_fit();
    m_tracks.assign(kChannelCount, CChannelTrack());
    m_last = Sample();
    m_endUs = 0;
    m_samples = 0;
}

void CRecording::Append(Sample sample) {
    if (m_samples == 0) {
        for (int channel = 0; channel < kChannelCount; ++channel) {
            const int level = (sample.value[ChannelPort(channel)] >> ChannelBit(channel)) & 1;
            m_tracks[static_cast<std::size_t>(channel)] = CChannelTrack(level);
        }
        m_stored.push_back(sample);
        m_last = sample;
        m_endUs = sample.timeUs;
        m_samples = 1;
        return;
    }
    if (sample.timeUs < m_endUs + 2) {
        sample.timeUs = m_endUs + 2;
    }
    bool store = false;
    for (int port = 0; port < kPortCount; ++port) {
        const std::uint16_t previous = m_last.value[port];
        const std::uint16_t changed = previous ^ sample.value[port];
        const std::uint16_t pulses = CaughtPulses(previous, sample.value[port],
                                                  sample.positive[port], sample.negative[port]);
        store = store || changed != 0 || sample.positive[port] != 0 || sample.negative[port] != 0;
        for (int bit = 0; bit < 16; ++bit) {
            CChannelTrack& track = m_tracks[static_cast<std::size_t>(port * 16 + bit)];
            if ((changed >> bit) & 1) {
                track.AddEdge(sample.timeUs);
            } else if ((pulses >> bit) & 1) {
                track.AddPulse(sample.timeUs);
            }
        }
    }
    if (store) {
        m_stored.push_back(sample);
    }
    m_last = sample;
    m_endUs = sample.timeUs;
    ++m_samples;
}

std::array<std::uint16_t, 4> CRecording::PulsesOf(std::size_t stored) const {
    std::array<std::uint16_t, 4> pulses{};
    if (stored == 0 || stored >= m_stored.size()) {
        return pulses;  // the first sample has nothing before it to compare with
    }
    const Sample& previous = m_stored[stored - 1];
    const Sample& now = m_stored[stored];
    for (std::size_t port = 0; port < pulses.size(); ++port) {
        pulses[port] = CaughtPulses(previous.value[port], now.value[port], now.positive[port],
                                    now.negative[port]);
    }
    return pulses;
}

std::size_t CRecording::EdgeCount() const {
    std::size_t count = 0;
    for (const CChannelTrack& track : m_tracks) {
        count += track.EdgeCount() + track.PulseCount();
    }
    return count;
}

std::size_t CRecording::MemoryBytes() const {
    std::size_t bytes = sizeof(*this) + m_stored.capacity() * sizeof(Sample);
    for (const CChannelTrack& track : m_tracks) {
        bytes += sizeof(track) + track.MemoryBytes();
    }
    return bytes;
}
