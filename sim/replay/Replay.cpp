#include "sim/replay/Replay.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace sim {

namespace {

// The number after prefix in name, when name is prefix and digits only.
bool NumberAfter(const std::string& name, const char* prefix, int* number) {
    const std::string head(prefix);
    if (name.size() <= head.size() || name.size() > head.size() + 3 ||
        name.compare(0, head.size(), head) != 0) {
        return false;
    }
    int value = 0;
    for (std::size_t i = head.size(); i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') {
            return false;
        }
        value = value * 10 + (name[i] - '0');
    }
    *number = value;
    return true;
}

bool InScope(const std::string& path, const std::string& scope) {
    if (scope.empty()) {
        return true;
    }
    std::size_t begin = 0;
    while (begin <= path.size()) {
        const std::size_t end = std::min(path.find('.', begin), path.size());
        if (path.compare(begin, end - begin, scope) == 0) {
            return true;
        }
        begin = end + 1;
    }
    return false;
}

std::string FullName(const RecordingSignal& signal) {
    return signal.scope.empty() ? signal.name : signal.scope + "." + signal.name;
}

// Notes about signals no input takes: this many, then a count of the rest.
constexpr std::size_t kMaxIgnoredNotes = 16;

}  // namespace

bool operator==(const ReplayScenario& a, const ReplayScenario& b) {
    return a.file == b.file && a.channels == b.channels && a.speed == b.speed && a.loop == b.loop &&
           a.startS == b.startS && a.scope == b.scope;
}

std::unique_ptr<CReplay> CReplay::Open(const ReplayScenario& scenario, Problem* problem) {
    std::unique_ptr<CReplay> replay(new CReplay(scenario));
    replay->m_reader = OpenRecording(scenario.file, &problem->text);
    if (!replay->m_reader || !replay->Bind(*replay->m_reader, problem)) {
        return nullptr;
    }
    return replay;
}

bool CReplay::Bind(const IRecordingReader& reader, Problem* problem) {
    const std::vector<RecordingSignal>& signals = reader.Signals();
    const bool named = !m_scenario.channels.empty();
    std::vector<bool> found(m_scenario.channels.size(), false);
    // Which signal drives each input, and each port as a whole.
    std::array<const RecordingSignal*, 64> wire{};
    std::array<const RecordingSignal*, 4> vector{};
    std::vector<std::string> ignored;
    bool anyInScope = false;
    m_bindings.assign(signals.size(), Binding{});
    for (std::size_t i = 0; i < signals.size(); ++i) {
        const RecordingSignal& signal = signals[i];
        if (!InScope(signal.scope, m_scenario.scope)) {
            continue;
        }
        anyInScope = true;
        int input = -1;
        int port = -1;
        if (named) {
            for (std::size_t c = 0; c < m_scenario.channels.size(); ++c) {
                if (m_scenario.channels[c].first != signal.name) {
                    continue;
                }
                if (signal.width != 1) {
                    problem->text = "channel " + signal.name + " is a signal of " +
                                    std::to_string(signal.width) +
                                    " bits; channels takes one-bit signals";
                    problem->channel = static_cast<int>(c);
                    return false;
                }
                found[c] = true;
                input = m_scenario.channels[c].second;
            }
        } else if (signal.width == 1 && (NumberAfter(signal.name, "ch", &input) ||
                                         NumberAfter(signal.name, "D", &input))) {
            input = input < 64 ? input : -1;
        } else if (signal.width == 16 && NumberAfter(signal.name, "port", &port)) {
            port = port < 4 ? port : -1;
        }
        const RecordingSignal** owner = input >= 0  ? &wire[static_cast<std::size_t>(input)]
                                        : port >= 0 ? &vector[static_cast<std::size_t>(port)]
                                                    : nullptr;
        if (owner == nullptr) {
            ignored.push_back(FullName(signal));
            continue;
        }
        if (*owner != nullptr) {
            problem->text = FullName(**owner) + " and " + FullName(signal) +
                            " drive the same input; name one module's scope with scope:";
            return false;
        }
        *owner = &signal;
        m_bindings[i] = {true, static_cast<std::size_t>(input >= 0 ? input / 16 : port),
                         input >= 0 ? input % 16 : -1};
    }
    if (!anyInScope) {
        problem->text = m_scenario.scope.empty() ? "the recording declares no signal"
                                                 : "the recording has no scope " + m_scenario.scope;
        return false;
    }
    for (std::size_t c = 0; c < found.size(); ++c) {
        if (!found[c]) {
            problem->text =
                "channel " + m_scenario.channels[c].first + " names no signal of the recording";
            problem->channel = static_cast<int>(c);
            return false;
        }
    }
    for (std::size_t i = 0; i < m_bindings.size(); ++i) {
        if (m_bindings[i].bound) {
            m_reader->Watch(i);
        }
    }
    if (!m_listed && !ignored.empty()) {
        m_listed = true;
        for (std::size_t i = 0; i < ignored.size() && i < kMaxIgnoredNotes; ++i) {
            m_notes.push_back("replay " + m_scenario.file + ": signal " + ignored[i] +
                              " drives no input");
        }
        if (ignored.size() > kMaxIgnoredNotes) {
            m_notes.push_back("replay " + m_scenario.file + ": and " +
                              std::to_string(ignored.size() - kMaxIgnoredNotes) +
                              " more signals drive no input");
        }
    }
    return true;
}

std::vector<std::string> CReplay::TakeNotes() {
    std::vector<std::string> notes;
    notes.swap(m_notes);
    return notes;
}

bool CReplay::Reopen() {
    Problem problem;
    m_reader = OpenRecording(m_scenario.file, &problem.text);
    if (!m_reader || !Bind(*m_reader, &problem)) {
        m_reader.reset();
        m_failure = m_scenario.file + ":0: " + problem.text;
        m_failureLine = 0;
        return false;
    }
    return true;
}

long long CReplay::DueUs(long long timeNs) const {
    const double sinceStart = static_cast<double>(std::max(0LL, timeNs - m_startNs));
    return m_originUs + std::llround(sinceStart / 1000.0 / m_scenario.speed);
}

bool CReplay::Restart(long long nowUs, std::array<std::uint16_t, 4>* value) {
    m_have = false;
    m_failure.clear();
    m_originUs = nowUs;
    m_startNs = std::llround(m_scenario.startS * 1e9);
    value->fill(0);
    m_laps = 0;
    if (!Reopen()) {
        return false;
    }
    // What the file holds up to the start time is where the inputs stand, not edges; a loop
    // that comes round again is played.
    Pull();
    while (m_have && m_laps == 0 && m_next.timeNs <= m_startNs) {
        const Change change = Take();
        auto& port = (*value)[change.port];
        port = static_cast<std::uint16_t>((port & ~change.mask) | (change.bits & change.mask));
    }
    return m_failure.empty();
}

bool CReplay::Due(long long nowUs) {
    return m_have && m_dueUs <= nowUs;
}

CReplay::Change CReplay::Take() {
    const Binding& binding = m_bindings[m_next.signal];
    Change change{binding.port, 0xFFFF, static_cast<std::uint16_t>(m_next.value)};
    if (binding.bit >= 0) {
        change.mask = static_cast<std::uint16_t>(1u << binding.bit);
        change.bits = (m_next.value & 1u) != 0 ? change.mask : 0;
    }
    m_have = false;
    Pull();
    return change;
}

// Reads the next change into m_next; at the end starts the file again when it loops.
void CReplay::Pull() {
    m_have = false;
    if (!m_reader) {
        return;
    }
    for (int pass = 0; pass < 2; ++pass) {
        if (m_reader->Next(&m_next)) {
            m_have = true;
            m_dueUs = DueUs(m_next.timeNs);
            return;
        }
        if (!m_reader->Error().empty()) {
            m_failure = m_scenario.file + ":" + m_reader->Error();
            m_failureLine = std::strtol(m_reader->Error().c_str(), nullptr, 10);
            m_reader.reset();
            return;
        }
        // A lap shorter than the module's microsecond would never move on: the replay holds.
        const long long end = DueUs(m_reader->TimeNs());
        if (!m_scenario.loop || end <= m_originUs) {
            m_reader.reset();
            return;
        }
        m_originUs = end;
        ++m_laps;
        if (!Reopen()) {
            return;
        }
    }
}

}  // namespace sim
