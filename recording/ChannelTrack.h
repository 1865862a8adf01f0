#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// What one pixel column of a trace shows: the level at its right end, and whether any edge or
// caught pulse falls inside it.
struct ColumnState {
    std::uint8_t level = 0;
    std::uint8_t edges = 0;  // 0, 1, or 2 for "two or more"
    bool pulse = false;
};

// The history of one channel as the times of its level changes (the level alternates from the
// initial one) and the times of pulses caught between samples. Beside the edge times it keeps
// coarser levels, each holding every 16th time of the level below, so that finding the edge at
// a time walks down a few short levels instead of touching the edges in between.
class CChannelTrack {
public:
    explicit CChannelTrack(int initialLevel = 0) : m_initial(initialLevel != 0 ? 1 : 0) {}

    void AddEdge(std::int64_t timeUs);
    void AddPulse(std::int64_t timeUs) { m_pulses.push_back(timeUs); }

    int InitialLevel() const { return m_initial; }
    std::size_t EdgeCount() const { return m_edges.size(); }
    std::size_t PulseCount() const { return m_pulses.size(); }
    const std::vector<std::int64_t>& Edges() const { return m_edges; }
    const std::vector<std::int64_t>& Pulses() const { return m_pulses; }
    // The level at a time, after every edge at or before it.
    int LevelAt(std::int64_t timeUs) const;
    // Number of edges at or before a time.
    std::size_t EdgesUpTo(std::int64_t timeUs) const;
    // The time of the last edge at or before a time; false when there is none.
    bool LastEdgeAtOrBefore(std::int64_t timeUs, std::int64_t* edgeUs) const;

    // Fills columns: column i covers (start + i * usPerColumn, start + (i + 1) * usPerColumn].
    void Decimate(std::int64_t startUs, double usPerColumn, int columns, ColumnState* out) const;

    std::size_t MemoryBytes() const;

private:
    // Index of the first edge after a time, searching from a known lower bound.
    std::size_t FirstAfter(std::int64_t timeUs, std::size_t from) const;
    // The same, looking first about hint edges on (the previous column's count).
    std::size_t FirstAfterNear(std::int64_t timeUs, std::size_t from, std::size_t hint) const;

    static constexpr std::size_t kFactor = 16;
    int m_initial;
    std::vector<std::int64_t> m_edges;
    std::vector<std::int64_t> m_pulses;
    std::vector<std::vector<std::int64_t>> m_levels;  // m_levels[k][j] = edge (j * 16^(k+1))
};
