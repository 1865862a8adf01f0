#pragma once

#include <array>
#include <string_view>
#include <unordered_map>

#include "sim/replay/RecordingReader.h"
#include "sim/replay/TokenReader.h"

namespace sim {

// Reads a Value Change Dump as it plays. Wires and vectors of any width are declared; a watched
// signal's value keeps its low 32 bits, with x and z read as 0 (an input nobody drives reads
// low). Simulation commands ($dumpvars, $dumpall, ...) are passed over, and so are comments.
class CVcdReader final : public IRecordingReader {
public:
    // Takes a reader standing at the start of the file; false and *error when the header is not
    // that of a VCD file.
    bool Start(CTokenReader tokens, std::string* error);

    const std::vector<RecordingSignal>& Signals() const override { return m_signals; }
    void Watch(std::size_t signal) override;
    bool Next(RecordingChange* change) override;
    const std::string& Error() const override { return m_error; }
    long long TimeNs() const override { return m_time; }

private:
    struct Code {
        std::vector<std::size_t> watched;  // the signals declared with this code and watched
        int width = 1;
    };
    bool Header(std::string* error);
    bool Timescale(std::string_view text, std::string* error);
    bool SkipToEnd();
    bool Fail(const std::string& problem);
    bool Value(std::uint32_t value, std::string_view code, bool* reported);

    CTokenReader m_tokens;
    std::vector<RecordingSignal> m_signals;
    std::vector<std::string> m_codeOfSignal;
    std::vector<std::unique_ptr<std::string>> m_codeText;  // the keys of m_codes point here
    std::unordered_map<std::string_view, Code> m_codes;
    std::array<Code*, 128> m_short{};  // the codes of one character, by that character
    long long m_scaleNumerator = 1;    // nanoseconds per tick = numerator / denominator
    long long m_scaleDenominator = 1;
    long long m_time = 0;
    std::string m_error;
    bool m_ended = false;
    // The watched signals of the last change still to be reported, and its value.
    const std::vector<std::size_t>* m_pending = nullptr;
    std::size_t m_pendingNext = 0;
    std::uint32_t m_pendingValue = 0;
};

}  // namespace sim
