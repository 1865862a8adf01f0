#pragma once

// The module's 64 inputs as four 16-bit ports: their values, the edges latched since each
// transition register was last read, and what moves them (a stimulus per port on the module's
// clock, or a recording played back). Apart from CDevice, which speaks the module's message
// protocol and keeps its error queue, so that how the inputs move can be read on its own.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/scenario/ModuleScenario.h"

namespace sim {

class CReplay;

class CModuleInputs {
public:
    // Opens the recording when the module replays one; a failure is told by TakeStop.
    explicit CModuleInputs(const ModuleScenario& module);
    ~CModuleInputs();
    CModuleInputs(const CModuleInputs&) = delete;
    CModuleInputs& operator=(const CModuleInputs&) = delete;

    // Back to step 0 (or the recording's start) at this time, with no edges latched.
    void Reset(long long nowMs);
    // Steps up to this time; one step when the inputs step on commands.
    void Advance(long long nowMs);
    // Whether the inputs move with time rather than once per command.
    bool MovesWithTime() const;
    // When the inputs step next; -1 when they step only on commands.
    long long NextStepMs() const;

    std::uint16_t Value(std::size_t port) const { return m_value[port]; }
    // The edges latched since the last take; taking clears them.
    std::uint16_t TakeRising(std::size_t port);
    std::uint16_t TakeFalling(std::size_t port);
    bool HasEdges() const;
    void ClearEdges();

    // The recording's line where the replay stopped (0: the file itself failed), handed out
    // once per stop; empty while it plays.
    std::optional<long> TakeStop();
    // Lines for the library's trace (where a replay stopped, what it passed over), each handed
    // out once.
    std::vector<std::string> TakeNotes();

private:
    void Step();
    void Stopped(const std::string& why);

    std::array<PortStimulus, 4> m_ports;
    unsigned m_stepMs = 0;
    std::optional<ReplayScenario> m_replayScenario;
    std::array<std::uint16_t, 4> m_value{};
    std::array<std::uint16_t, 4> m_positive{};
    std::array<std::uint16_t, 4> m_negative{};
    std::array<std::uint32_t, 4> m_random{};
    long long m_steps = 0;
    long long m_startMs = 0;
    std::unique_ptr<CReplay> m_replay;
    bool m_replayStopped = false;  // its stop is told; set again by Reset
    std::optional<long> m_stop;
    std::vector<std::string> m_notes;
};

}  // namespace sim
