#include "recording/ChannelTrack.h"

#include <algorithm>
#include <cmath>

void CChannelTrack::AddEdge(std::int64_t timeUs) {
    const std::size_t index = m_edges.size();
    m_edges.push_back(timeUs);
    if (index == 0) {
        return;  // the first edge starts every level; a level is made when it is first needed
    }
    std::size_t stride = kFactor;
    for (std::size_t level = 0; index % stride == 0; ++level, stride *= kFactor) {
        if (m_levels.size() <= level) {
            m_levels.push_back({m_edges.front()});
        }
        m_levels[level].push_back(timeUs);
    }
}

std::size_t CChannelTrack::FirstAfter(std::int64_t timeUs, std::size_t from) const {
    // Find the coarsest level whose next entry is still not after the time, then narrow down.
    std::size_t position = from;
    if (position < m_edges.size() && m_edges[position] > timeUs) {
        return position;  // the common case of a column with no edge
    }
    if (position > 0) {
        // From the previous column: gallop forward, then search the last stretch, so that a
        // column costs the logarithm of its own edges, whatever lies before it.
        std::size_t step = 1;
        std::size_t low = position;
        while (low + step < m_edges.size() && m_edges[low + step] <= timeUs) {
            low += step;
            step *= 2;
        }
        const std::size_t high = std::min(low + step, m_edges.size());
        return static_cast<std::size_t>(
            std::upper_bound(m_edges.begin() + static_cast<std::ptrdiff_t>(low),
                             m_edges.begin() + static_cast<std::ptrdiff_t>(high), timeUs) -
            m_edges.begin());
    }
    // A fresh search: down the coarser levels.
    for (std::size_t level = m_levels.size(); level-- > 0;) {
        std::size_t stride = kFactor;
        for (std::size_t k = 0; k < level; ++k) {
            stride *= kFactor;
        }
        const std::vector<std::int64_t>& coarse = m_levels[level];
        std::size_t j = position / stride + 1;
        while (j < coarse.size() && coarse[j] <= timeUs) {
            position = j * stride;
            ++j;
        }
    }
    while (position < m_edges.size() && m_edges[position] <= timeUs) {
        ++position;
    }
    return position;
}

std::size_t CChannelTrack::FirstAfterNear(std::int64_t timeUs, std::size_t from,
                                          std::size_t hint) const {
    const std::size_t size = m_edges.size();
    if (from >= size || m_edges[from] > timeUs) {
        return from;
    }
    // Neighbouring columns hold about as many edges: look there first, then gallop back or on.
    const std::size_t guess = std::min(from + std::max<std::size_t>(hint, 1), size - 1);
    if (m_edges[guess] <= timeUs) {
        return FirstAfter(timeUs, guess);
    }
    std::size_t high = guess;  // m_edges[high] is after the time, m_edges[from] is not
    std::size_t step = 1;
    while (high - from > step && m_edges[high - step] > timeUs) {
        high -= step;
        step *= 2;
    }
    const std::size_t low = high - from > step ? high - step : from;
    return static_cast<std::size_t>(
        std::upper_bound(m_edges.begin() + static_cast<std::ptrdiff_t>(low),
                         m_edges.begin() + static_cast<std::ptrdiff_t>(high), timeUs) -
        m_edges.begin());
}

std::size_t CChannelTrack::EdgesUpTo(std::int64_t timeUs) const {
    return FirstAfter(timeUs, 0);
}

int CChannelTrack::LevelAt(std::int64_t timeUs) const {
    return m_initial ^ static_cast<int>(EdgesUpTo(timeUs) & 1u);
}

bool CChannelTrack::LastEdgeAtOrBefore(std::int64_t timeUs, std::int64_t* edgeUs) const {
    const std::size_t count = EdgesUpTo(timeUs);
    if (count == 0) {
        return false;
    }
    *edgeUs = m_edges[count - 1];
    return true;
}

void CChannelTrack::Decimate(std::int64_t startUs, double usPerColumn, int columns,
                             ColumnState* out) const {
    std::size_t edge = FirstAfter(startUs, 0);
    std::size_t hint = 1;
    auto pulse = static_cast<std::size_t>(
        std::upper_bound(m_pulses.begin(), m_pulses.end(), startUs) - m_pulses.begin());
    for (int i = 0; i < columns; ++i) {
        const auto end = startUs + static_cast<std::int64_t>(std::floor((i + 1) * usPerColumn));
        const std::size_t next = FirstAfterNear(end, edge, hint);
        hint = next - edge;
        ColumnState& column = out[i];
        column.edges = static_cast<std::uint8_t>(std::min<std::size_t>(next - edge, 2));
        column.level = static_cast<std::uint8_t>(m_initial ^ static_cast<int>(next & 1u));
        const auto nextPulse = static_cast<std::size_t>(
            std::upper_bound(m_pulses.begin() + static_cast<std::ptrdiff_t>(pulse), m_pulses.end(),
                             end) -
            m_pulses.begin());
        column.pulse = nextPulse != pulse;
        pulse = nextPulse;
        edge = next;
    }
}

std::size_t CChannelTrack::MemoryBytes() const {
    std::size_t bytes = (m_edges.capacity() + m_pulses.capacity()) * sizeof(std::int64_t);
    for (const auto& level : m_levels) {
        bytes += level.capacity() * sizeof(std::int64_t) + sizeof(level);
    }
    return bytes;
}
