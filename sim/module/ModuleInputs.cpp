#include "sim/module/ModuleInputs.h"

#include "sim/replay/Replay.h"

namespace sim {

namespace {

// Catching up with wall-clock time never takes more steps than this per command.
constexpr int kMaxCatchUpSteps = 4096;

std::uint32_t NextRandom(std::uint32_t* state) {
    std::uint32_t x = *state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    *state = x;
    return x;
}

std::uint16_t WalkValue(const PortStimulus& port, long long step) {
    const auto bit = static_cast<unsigned>((port.start + step) % 16);
    const auto value = static_cast<std::uint16_t>(1u << bit);
    return port.invert ? static_cast<std::uint16_t>(~value) : value;
}

}  // namespace

CModuleInputs::CModuleInputs(const ModuleScenario& module)
    : m_ports(module.ports), m_stepMs(module.stepMs), m_replayScenario(module.replay) {
    if (m_replayScenario.has_value()) {
        CReplay::Problem problem;
        m_replay = CReplay::Open(*m_replayScenario, &problem);
        if (!m_replay) {
            // The scenario reader opened it a moment ago; it went away since.
            Stopped(m_replayScenario->file + ":0: " + problem.text);
        }
    }
}

CModuleInputs::~CModuleInputs() = default;

void CModuleInputs::Stopped(const std::string& why) {
    if (m_replayStopped) {
        return;
    }
    m_replayStopped = true;
    m_notes.push_back("replay stopped: " + why);
    m_stop = m_replay ? m_replay->FailureLine() : 0;
}

std::optional<long> CModuleInputs::TakeStop() {
    std::optional<long> stop;
    stop.swap(m_stop);
    return stop;
}

std::vector<std::string> CModuleInputs::TakeNotes() {
    std::vector<std::string> notes;
    if (m_replay) {
        notes = m_replay->TakeNotes();
    }
    notes.insert(notes.begin(), m_notes.begin(), m_notes.end());
    m_notes.clear();
    return notes;
}

void CModuleInputs::Reset(long long nowMs) {
    m_steps = 0;
    m_startMs = nowMs;
    if (m_replay) {
        m_replayStopped = false;
        m_positive.fill(0);
        m_negative.fill(0);
        if (!m_replay->Restart(nowMs * 1000, &m_value)) {
            Stopped(m_replay->Failure());
        }
        return;
    }
    for (std::size_t i = 0; i < m_value.size(); ++i) {
        const PortStimulus& port = m_ports[i];
        m_random[i] = port.seed != 0 ? port.seed : 1;
        m_value[i] = port.mode == PortStimulus::Mode::Walk ? WalkValue(port, 0) : port.start;
        m_positive[i] = 0;
        m_negative[i] = 0;
    }
}

void CModuleInputs::Step() {
    ++m_steps;
    for (std::size_t i = 0; i < m_value.size(); ++i) {
        const PortStimulus& port = m_ports[i];
        const std::uint16_t old = m_value[i];
        std::uint16_t now = old;
        switch (port.mode) {
            case PortStimulus::Mode::Fixed:
                break;
            case PortStimulus::Mode::Count:
                now = static_cast<std::uint16_t>(old + port.step);
                break;
            case PortStimulus::Mode::Walk:
                now = WalkValue(port, m_steps);
                break;
            case PortStimulus::Mode::Random:
                now = static_cast<std::uint16_t>(old ^ (NextRandom(&m_random[i]) & port.mask));
                break;
        }
        m_value[i] = now;
        // Edges latch until the register is read.
        m_positive[i] = static_cast<std::uint16_t>(m_positive[i] | (~old & now));
        m_negative[i] = static_cast<std::uint16_t>(m_negative[i] | (old & ~now));
    }
}

bool CModuleInputs::MovesWithTime() const {
    return m_replay || m_stepMs != 0;
}

long long CModuleInputs::NextStepMs() const {
    if (m_replay) {
        const long long us = m_replay->NextChangeUs();
        return us < 0 ? -1 : (us + 999) / 1000;
    }
    if (m_stepMs == 0) {
        return -1;
    }
    return m_startMs + (m_steps + 1) * static_cast<long long>(m_stepMs);
}

void CModuleInputs::Advance(long long nowMs) {
    if (m_replayScenario.has_value()) {
        if (!m_replay) {
            return;
        }
        // Every change latches on its own, so a pulse between two commands keeps both edges.
        m_replay->Advance(nowMs * 1000, [this](const CReplay::Change& change) {
            const std::uint16_t old = m_value[change.port];
            const auto now =
                static_cast<std::uint16_t>((old & ~change.mask) | (change.bits & change.mask));
            m_value[change.port] = now;
            m_positive[change.port] =
                static_cast<std::uint16_t>(m_positive[change.port] | (~old & now));
            m_negative[change.port] =
                static_cast<std::uint16_t>(m_negative[change.port] | (old & ~now));
        });
        if (!m_replay->Failure().empty()) {
            Stopped(m_replay->Failure());
        }
        return;
    }
    if (m_stepMs == 0) {
        Step();
        return;
    }
    const long long target = (nowMs - m_startMs) / m_stepMs;
    for (int i = 0; m_steps < target && i < kMaxCatchUpSteps; ++i) {
        Step();
    }
    if (m_steps < target) {
        m_startMs += (target - m_steps) * m_stepMs;
    }
}

std::uint16_t CModuleInputs::TakeRising(std::size_t port) {
    const std::uint16_t edges = m_positive[port];
    m_positive[port] = 0;
    return edges;
}

std::uint16_t CModuleInputs::TakeFalling(std::size_t port) {
    const std::uint16_t edges = m_negative[port];
    m_negative[port] = 0;
    return edges;
}

bool CModuleInputs::HasEdges() const {
    for (std::size_t i = 0; i < m_positive.size(); ++i) {
        if (m_positive[i] != 0 || m_negative[i] != 0) {
            return true;
        }
    }
    return false;
}

void CModuleInputs::ClearEdges() {
    m_positive.fill(0);
    m_negative.fill(0);
}

}  // namespace sim
