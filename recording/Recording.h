#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "recording/ChannelTrack.h"
#include "recording/Sample.h"

// A recording kept as changes only: the first sample, then each sample whose values differ
// from the one before or whose transition registers latched anything, and the time of the last
// sample. Memory grows with the transitions, not with the time recorded. Beside the samples it
// keeps each channel's edges and caught pulses for the timing diagram.
class CRecording {
public:
    CRecording();

    // Samples come in time order. One closer than 2 us to the previous one is moved to 2 us
    // after it, so that a caught pulse always has its own tick to end on.
    void Append(Sample sample);
    void Clear();

    bool IsEmpty() const { return m_samples == 0; }
    std::size_t SampleCount() const { return m_samples; }
    // The stored samples; the first sample of the recording is always the first of these.
    const std::vector<Sample>& Stored() const { return m_stored; }
    std::int64_t StartUs() const { return m_stored.empty() ? 0 : m_stored.front().timeUs; }
    std::int64_t EndUs() const { return m_endUs; }
    // The last sample, with the values in force and the registers it read.
    const Sample& Last() const { return m_last; }
    const CChannelTrack& Track(int channel) const {
        return m_tracks[static_cast<std::size_t>(channel)];
    }
    // Pulses caught by the sample at index i of Stored(), per port.
    std::array<std::uint16_t, 4> PulsesOf(std::size_t stored) const;
    std::size_t EdgeCount() const;

    std::size_t MemoryBytes() const;

private:
    std::vector<Sample> m_stored;
    std::vector<CChannelTrack> m_tracks;
    Sample m_last;
    std::int64_t m_endUs = 0;
    std::size_t m_samples = 0;
};
