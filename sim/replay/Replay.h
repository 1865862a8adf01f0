#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/replay/RecordingReader.h"
#include "sim/replay/ReplayScenario.h"

namespace sim {

// Plays a recording on a module's clock, reading the file as it plays. Times are the module's,
// in microseconds.
class CReplay {
public:
    // Why a recording cannot drive a module; channel is the index of the channels entry at
    // fault, or -1.
    struct Problem {
        std::string text;
        int channel = -1;
    };

    // Opens the recording and binds its signals to the inputs: null and *problem when it cannot
    // (file missing or unreadable, no known format, a channel naming no signal, ...).
    static std::unique_ptr<CReplay> Open(const ReplayScenario& scenario, Problem* problem);

    // Begins again at the start time, nowUs on the module's clock: the values there become
    // *value without any edge. False when the file cannot be opened again (Failure() says why).
    bool Restart(long long nowUs, std::array<std::uint16_t, 4>* value);

    // One change of the inputs: the bits of mask in port take the levels of bits.
    struct Change {
        std::size_t port;
        std::uint16_t mask;
        std::uint16_t bits;
    };
    // Hands every change due by nowUs to apply, in order. Stops at the first line that is not
    // well formed and holds there (Failure() then says where).
    template <typename Apply>
    void Advance(long long nowUs, Apply apply) {
        for (std::size_t i = 0; i < kMaxChangesPerAdvance && Due(nowUs); ++i) {
            apply(Take());
        }
    }
    // When the next change is due; -1 when the replay has ended or stopped.
    long long NextChangeUs() const { return m_have ? m_dueUs : -1; }

    // "<file>:<line>: <problem>" once the replay stopped at a bad line, else empty.
    const std::string& Failure() const { return m_failure; }
    // The line of the recording where it stopped; 0 when the file itself failed.
    long FailureLine() const { return m_failureLine; }
    // Lines for the library's trace (the signals no input takes), each handed out once.
    std::vector<std::string> TakeNotes();

    static constexpr std::size_t kMaxChangesPerAdvance = 1 << 20;

private:
    struct Binding {
        bool bound = false;
        std::size_t port = 0;
        int bit = 0;  // -1: the whole port
    };
    explicit CReplay(const ReplayScenario& scenario) : m_scenario(scenario) {}
    bool Bind(const IRecordingReader& reader, Problem* problem);
    bool Reopen();
    bool Due(long long nowUs);
    Change Take();
    void Pull();
    long long DueUs(long long timeNs) const;

    ReplayScenario m_scenario;
    std::vector<Binding> m_bindings;
    std::unique_ptr<IRecordingReader> m_reader;
    RecordingChange m_next;
    bool m_have = false;
    long long m_dueUs = 0;
    long long m_originUs = 0;  // the module's time of the start time in the file
    long long m_startNs = 0;
    long long m_laps = 0;  // times a loop started the file again since Restart
    std::string m_failure;
    long m_failureLine = 0;
    std::vector<std::string> m_notes;
    bool m_listed = false;  // the signals no input takes are in the notes already
};

}  // namespace sim
