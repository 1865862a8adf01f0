#pragma once

#include <array>
#include <cstdint>

#include "sim/replay/RecordingReader.h"
#include "sim/replay/TokenReader.h"

namespace sim {

// Reads the CSV of aq3310-rec as it plays: a row per sample with the time in seconds and each
// port's value and transition registers. Its signals are the four 16-bit ports "port0" to
// "port3". A pulse the registers caught between two samples (both edges latched, the level as
// before) plays as the opposite level at its row and the old level one microsecond later, as
// the VCD writer puts it.
class CCsvReader final : public IRecordingReader {
public:
    // Takes a reader standing at the start of the file; false and *error when the first line
    // is not aq3310-rec's header.
    bool Start(CTokenReader tokens, std::string* error);

    const std::vector<RecordingSignal>& Signals() const override { return m_signals; }
    void Watch(std::size_t signal) override;
    bool Next(RecordingChange* change) override;
    const std::string& Error() const override { return m_error; }
    long long TimeNs() const override { return m_lastNs < 0 ? 0 : m_lastNs; }

    static constexpr const char* kHeader =
        "time_s,port0,pos0,neg0,port1,pos1,neg1,port2,pos2,neg2,port3,pos3,neg3";

private:
    bool Row();
    bool Fail(const std::string& problem);

    CTokenReader m_tokens;
    std::vector<RecordingSignal> m_signals;
    std::array<bool, 4> m_watched{};
    std::array<std::uint16_t, 4> m_value{};
    bool m_first = true;
    long long m_lastNs = -1;
    // The changes of the row read last, in order: (time, port, value).
    struct Pending {
        long long timeNs;
        std::size_t port;
        std::uint16_t value;
    };
    std::array<Pending, 8> m_pending{};
    std::size_t m_pendingCount = 0;
    std::size_t m_pendingNext = 0;
    std::string m_error;
    bool m_ended = false;
};

}  // namespace sim
