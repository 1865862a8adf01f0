#include "sim/replay/VcdReader.h"

#include <cctype>
#include <limits>

namespace sim {

namespace {

// What one header may declare; a larger header is not a recording of input lines.
constexpr std::size_t kMaxSignals = 1 << 16;
constexpr std::size_t kMaxHeaderWords = 1 << 20;
constexpr std::size_t kMaxScopeDepth = 64;

bool ParseCount(std::string_view text, long long* value) {
    if (text.empty()) {
        return false;
    }
    long long result = 0;
    for (const char c : text) {
        if (c < '0' || c > '9' || result > (std::numeric_limits<long long>::max() - 9) / 10) {
            return false;
        }
        result = result * 10 + (c - '0');
    }
    *value = result;
    return true;
}

bool IsLevel(char c) {
    return c == '0' || c == '1' || c == 'x' || c == 'X' || c == 'z' || c == 'Z';
}

}  // namespace

bool CVcdReader::Start(CTokenReader tokens, std::string* error) {
    m_tokens = std::move(tokens);
    return Header(error);
}

bool CVcdReader::Timescale(std::string_view text, std::string* error) {
    std::size_t digits = 0;
    while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) {
        ++digits;
    }
    long long number = 0;
    const std::string_view unit = text.substr(digits);
    static const std::pair<const char*, long long> kUnits[] = {
        {"s", 1000000000LL}, {"ms", 1000000LL}, {"us", 1000LL}, {"ns", 1LL}};
    if (!ParseCount(text.substr(0, digits), &number) || number == 0 || number > 1000) {
        *error = "the timescale '" + std::string(text) + "' has no number 1 to 1000";
        return false;
    }
    for (const auto& [name, ns] : kUnits) {
        if (unit == name) {
            m_scaleNumerator = number * ns;
            m_scaleDenominator = 1;
            return true;
        }
    }
    if (unit == "ps" || unit == "fs") {
        m_scaleNumerator = number;
        m_scaleDenominator = unit == "ps" ? 1000 : 1000000;
        return true;
    }
    *error = "the timescale '" + std::string(text) + "' has no unit s, ms, us, ns, ps or fs";
    return false;
}

bool CVcdReader::Header(std::string* error) {
    std::vector<std::string> scopes;
    std::string_view word;
    std::size_t words = 0;
    // The words of one command up to its $end.
    auto command = [&](std::vector<std::string>* parts) {
        parts->clear();
        while (m_tokens.Next(&word) && ++words < kMaxHeaderWords) {
            if (word == "$end") {
                return true;
            }
            parts->emplace_back(word);
        }
        return false;
    };
    std::vector<std::string> parts;
    while (m_tokens.Next(&word) && ++words < kMaxHeaderWords) {
        const long line = m_tokens.Line();
        const std::string keyword(word);
        if (keyword.empty() || keyword[0] != '$') {
            *error = "line " + std::to_string(line) + " of the header: '" + keyword.substr(0, 40) +
                     "' is no VCD command";
            return false;
        }
        if (!command(&parts)) {
            break;
        }
        if (keyword == "$enddefinitions") {
            return true;
        }
        if (keyword == "$timescale") {
            std::string text;
            for (const std::string& part : parts) {
                text += part;
            }
            if (!Timescale(text, error)) {
                *error = "line " + std::to_string(line) + ": " + *error;
                return false;
            }
        } else if (keyword == "$scope") {
            if (parts.empty() || scopes.size() >= kMaxScopeDepth) {
                *error = "line " + std::to_string(line) + ": a scope without a name";
                return false;
            }
            scopes.push_back(parts.back());
        } else if (keyword == "$upscope") {
            if (!scopes.empty()) {
                scopes.pop_back();
            }
        } else if (keyword == "$var") {
            long long width = 0;
            if (parts.size() < 4 || !ParseCount(parts[1], &width) || width < 1 ||
                m_signals.size() >= kMaxSignals) {
                *error = "line " + std::to_string(line) + ": a $var is not type, width, code, name";
                return false;
            }
            RecordingSignal signal;
            signal.name = parts[3].substr(0, parts[3].find('['));
            signal.width = static_cast<int>(std::min<long long>(width, 1 << 20));
            for (const std::string& scope : scopes) {
                signal.scope += (signal.scope.empty() ? "" : ".") + scope;
            }
            auto found = m_codes.find(parts[2]);
            if (found == m_codes.end()) {
                m_codeText.push_back(std::make_unique<std::string>(parts[2]));
                found = m_codes.emplace(*m_codeText.back(), Code{}).first;
                found->second.width = signal.width;
            }
            if (parts[2].size() == 1 && static_cast<unsigned char>(parts[2][0]) < m_short.size()) {
                m_short[static_cast<unsigned char>(parts[2][0])] = &found->second;
            }
            m_codeOfSignal.push_back(parts[2]);
            m_signals.push_back(std::move(signal));
        }
    }
    *error = !m_tokens.Error().empty()
                 ? "line " + std::to_string(m_tokens.Line()) + ": " + m_tokens.Error()
                 : "the VCD header ends before $enddefinitions";
    return false;
}

void CVcdReader::Watch(std::size_t signal) {
    if (signal < m_signals.size()) {
        m_codes[m_codeOfSignal[signal]].watched.push_back(signal);
    }
}

bool CVcdReader::Fail(const std::string& problem) {
    m_error = std::to_string(m_tokens.Line()) + ": " + problem;
    m_ended = true;
    return false;
}

bool CVcdReader::SkipToEnd() {
    std::string_view word;
    while (m_tokens.Next(&word)) {
        if (word == "$end") {
            return true;
        }
    }
    return m_tokens.Error().empty() || Fail(m_tokens.Error());
}

// The value of a change's levels: x and z read as 0. False when a character is no level.
static bool Levels(std::string_view bits, std::uint32_t* value) {
    std::uint32_t result = 0;
    for (const char c : bits) {
        if (!IsLevel(c)) {
            return false;
        }
        result = (result << 1) | (c == '1' ? 1u : 0u);
    }
    *value = result;
    return true;
}

// Reports the change of code to value; *reported says whether a watched signal changed.
bool CVcdReader::Value(std::uint32_t value, std::string_view code, bool* reported) {
    *reported = false;
    Code* found = nullptr;
    // Most files name their signals with one character: those skip the hashing.
    const auto first = static_cast<unsigned char>(code.empty() ? 0 : code[0]);
    if (code.size() == 1 && first < m_short.size()) {
        found = m_short[first];
    } else if (const auto it = m_codes.find(code); it != m_codes.end()) {
        found = &it->second;
    }
    if (found == nullptr) {
        return Fail("'" + std::string(code.substr(0, 40)) + "' is not a declared signal");
    }
    if (found->watched.empty()) {
        return true;
    }
    m_pending = &found->watched;
    m_pendingNext = 0;
    m_pendingValue = value;
    *reported = true;
    return true;
}

bool CVcdReader::Next(RecordingChange* change) {
    if (m_pending != nullptr && m_pendingNext < m_pending->size()) {
        change->timeNs = m_time;
        change->signal = (*m_pending)[m_pendingNext++];
        change->value = m_pendingValue;
        return true;
    }
    m_pending = nullptr;
    std::string_view word;
    while (!m_ended && m_tokens.Next(&word)) {
        const char first = word[0];
        bool reported = false;
        if (first == '#') {
            long long ticks = 0;
            if (!ParseCount(word.substr(1), &ticks) ||
                ticks > std::numeric_limits<long long>::max() / m_scaleNumerator) {
                return Fail("'" + std::string(word.substr(0, 40)) + "' is not a time");
            }
            const long long time = ticks * m_scaleNumerator / m_scaleDenominator;
            if (time < m_time) {
                return Fail("time " + std::string(word) + " goes back");
            }
            m_time = time;
        } else if (IsLevel(first)) {
            if (!Value(first == '1' ? 1u : 0u, word.substr(1), &reported)) {
                return false;
            }
        } else if (first == 'b' || first == 'B' || first == 'r' || first == 'R' || first == 's' ||
                   first == 'S') {
            const bool vector = first == 'b' || first == 'B';
            std::uint32_t value = 0;
            if (vector && !Levels(word.substr(1), &value)) {
                return Fail("'" + std::string(word.substr(0, 40)) +
                            "' is not a value of 0, 1, x, z");
            }
            std::string_view code;
            if (!m_tokens.Next(&code)) {
                return Fail("a value without its signal");
            }
            // A real or string value moves no input line.
            if (vector && !Value(value, code, &reported)) {
                return false;
            }
        } else if (word == "$comment") {
            if (!SkipToEnd()) {
                return false;
            }
        } else if (word != "$dumpvars" && word != "$dumpall" && word != "$dumpon" &&
                   word != "$dumpoff" && word != "$end") {
            return Fail("'" + std::string(word.substr(0, 40)) + "' is not a value change");
        }
        if (reported) {
            return Next(change);
        }
    }
    if (!m_ended && !m_tokens.Error().empty()) {
        return Fail(m_tokens.Error());
    }
    m_ended = true;
    return false;
}

}  // namespace sim
