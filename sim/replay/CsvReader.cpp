#include "sim/replay/CsvReader.h"

namespace sim {

namespace {

// "S.ffffff" (up to nine decimals) as nanoseconds.
bool ParseSeconds(std::string_view text, long long* ns) {
    const std::size_t dot = text.find('.');
    const std::string_view whole = text.substr(0, dot);
    const std::string_view fraction =
        dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    if (whole.empty() || whole.size() > 9 || fraction.size() > 9 ||
        (dot != std::string_view::npos && fraction.empty())) {
        return false;
    }
    long long seconds = 0;
    for (const char c : whole) {
        if (c < '0' || c > '9') {
            return false;
        }
        seconds = seconds * 10 + (c - '0');
    }
    long long part = 0;
    for (std::size_t i = 0; i < 9; ++i) {
        const char c = i < fraction.size() ? fraction[i] : '0';
        if (c < '0' || c > '9') {
            return false;
        }
        part = part * 10 + (c - '0');
    }
    *ns = seconds * 1000000000LL + part;
    return true;
}

// The next comma-separated field of text from *at: a decimal 0..65535.
bool ParseField(std::string_view text, std::size_t* at, std::uint16_t* value) {
    if (*at >= text.size() || text[*at] != ',') {
        return false;
    }
    ++*at;
    unsigned result = 0;
    const std::size_t begin = *at;
    while (*at < text.size() && text[*at] >= '0' && text[*at] <= '9' && *at - begin < 6) {
        result = result * 10 + static_cast<unsigned>(text[*at] - '0');
        ++*at;
    }
    if (*at == begin || result > 0xFFFF) {
        return false;
    }
    *value = static_cast<std::uint16_t>(result);
    return true;
}

}  // namespace

bool CCsvReader::Start(CTokenReader tokens, std::string* error) {
    m_tokens = std::move(tokens);
    std::string_view word;
    if (!m_tokens.Next(&word) || word != kHeader) {
        *error = "the first line is not the header of aq3310-rec's CSV";
        return false;
    }
    for (int port = 0; port < 4; ++port) {
        m_signals.push_back({"port" + std::to_string(port), std::string(), 16});
    }
    return true;
}

void CCsvReader::Watch(std::size_t signal) {
    if (signal < m_watched.size()) {
        m_watched[signal] = true;
    }
}

bool CCsvReader::Fail(const std::string& problem) {
    m_error = std::to_string(m_tokens.Line()) + ": " + problem;
    m_ended = true;
    return false;
}

bool CCsvReader::Row() {
    std::string_view row;
    if (!m_tokens.Next(&row)) {
        return m_tokens.Error().empty() ? false : Fail(m_tokens.Error());
    }
    const std::size_t comma = row.find(',');
    long long timeNs = 0;
    if (!ParseSeconds(row.substr(0, comma), &timeNs)) {
        return Fail("'" + std::string(row.substr(0, 40)) + "' does not start with a time");
    }
    if (timeNs < m_lastNs) {
        return Fail("the time goes back");
    }
    m_lastNs = timeNs;
    std::size_t at = comma == std::string_view::npos ? row.size() : comma;
    m_pendingCount = 0;
    m_pendingNext = 0;
    std::size_t late = 4;  // the pulses' ends follow all changes of the row
    for (std::size_t port = 0; port < 4; ++port) {
        std::uint16_t value = 0;
        std::uint16_t positive = 0;
        std::uint16_t negative = 0;
        if (!ParseField(row, &at, &value) || !ParseField(row, &at, &positive) ||
            !ParseField(row, &at, &negative)) {
            return Fail("a row is a time and twelve numbers 0 to 65535");
        }
        const auto pulses = static_cast<std::uint16_t>(
            m_first ? 0 : positive & negative & ~(m_value[port] ^ value));
        m_value[port] = value;
        if (!m_watched[port]) {
            continue;
        }
        m_pending[m_pendingCount++] = {timeNs, port, static_cast<std::uint16_t>(value ^ pulses)};
        if (pulses != 0) {
            m_pending[late++] = {timeNs + 1000, port, value};
        }
    }
    if (at != row.size()) {
        return Fail("a row is a time and twelve numbers 0 to 65535");
    }
    for (std::size_t i = 4; i < late; ++i) {
        m_pending[m_pendingCount++] = m_pending[i];
    }
    m_first = false;
    return true;
}

bool CCsvReader::Next(RecordingChange* change) {
    while (m_pendingNext == m_pendingCount) {
        if (m_ended || !Row()) {
            m_ended = true;
            return false;
        }
    }
    const Pending& next = m_pending[m_pendingNext++];
    change->timeNs = next.timeNs;
    change->signal = next.port;
    change->value = next.value;
    return true;
}

}  // namespace sim
