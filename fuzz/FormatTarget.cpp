#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzTargets.h"
#include "sim/visa/FormattedIo.h"

namespace {

void Require(bool property) {
    if (!property) {
        std::abort();
    }
}

// Serves the message in chunks of a size taken from the input, the last one with END.
class CScriptedPort : public sim::IFormattedPort {
public:
    CScriptedPort(std::string message, std::size_t chunk)
        : m_message(std::move(message)), m_chunk(chunk) {}

    ViStatus Write(const ViByte* data, std::size_t count, bool end) override {
        written.assign(reinterpret_cast<const char*>(data), count);
        lastEnd = end;
        return VI_SUCCESS;
    }
    ViStatus Read(ViByte* data, std::size_t count, std::size_t* got, bool* end) override {
        Require(count >= 1);
        ++reads;
        if (m_sent == m_message.size() && m_ended) {
            return VI_ERROR_TMO;
        }
        std::size_t n = m_message.size() - m_sent;
        n = n < m_chunk ? n : m_chunk;
        n = n < count ? n : count;
        std::memcpy(data, m_message.data() + m_sent, n);
        m_sent += n;
        *got = n;
        *end = m_ended = m_sent == m_message.size();
        return VI_SUCCESS;
    }

    std::string written;
    bool lastEnd = false;
    int reads = 0;

private:
    std::string m_message;
    std::size_t m_chunk;
    std::size_t m_sent = 0;
    bool m_ended = false;
};

ViStatus Call(sim::CFormattedIo& io, sim::IFormattedPort& port, bool input, const char* format,
              ...) {
    va_list args;
    va_start(args, format);
    const ViStatus status = input ? io.Scanf(port, format, args) : io.Printf(port, format, args);
    va_end(args);
    return status;
}

// The members of a %[...] set as the format spells them: ']' only first, '-' only last, '^'
// never first; a set holding NUL (which no format can spell) is written negated.
std::string RenderSet(const std::vector<bool>& set) {
    const bool negated = set[0];
    std::string members;
    for (int c = 1; c < 256; ++c) {
        if (set[c] != negated && c != ']' && c != '-' && c != '^') {
            members += static_cast<char>(c);
        }
    }
    if (set['^'] != negated) {
        members += '^';
    }
    if (set[']'] != negated) {
        members.insert(0, "]");
    }
    if (set['-'] != negated) {
        members.insert(members.size() > 0 && members[0] == '^' ? 0 : members.size(), "-");
    }
    return (negated ? "[^" : "[") + members + "]";
}

// A format that reads back as the same directives: literals spelled with escapes. quiet: every
// conversion suppressed, so that scanning needs no argument.
std::string Render(const std::vector<sim::Directive>& directives, bool quiet = false) {
    std::string text;
    for (const sim::Directive& d : directives) {
        if (d.kind == sim::Directive::Kind::Space) {
            text += ' ';
            continue;
        }
        if (d.kind == sim::Directive::Kind::Literal) {
            for (const char c : d.text) {
                const auto byte = static_cast<unsigned char>(c);
                char escape[5];
                std::snprintf(escape, sizeof escape, "\\%03o", byte);
                text += c == '%' ? std::string("%%") : escape;
            }
            continue;
        }
        text += '%';
        text += d.suppress || quiet ? "*" : "";
        text += d.left ? "-" : "";
        text += d.plus ? "+" : "";
        text += d.space ? " " : "";
        text += d.zero ? "0" : "";
        text += d.alternate ? "#" : "";
        text += d.width == sim::kFromArgument ? "*" : d.width >= 0 ? std::to_string(d.width) : "";
        text += d.precision == sim::kFromArgument ? ".*"
                : d.precision >= 0                ? "." + std::to_string(d.precision)
                                                  : "";
        text += d.length != 0 ? std::string(1, d.length) : "";
        text += d.conversion == '[' ? RenderSet(d.set) : std::string(1, d.conversion);
    }
    return text;
}

bool Same(const sim::Directive& a, const sim::Directive& b) {
    return a.kind == b.kind && a.text == b.text && a.conversion == b.conversion &&
           a.length == b.length && a.left == b.left && a.plus == b.plus && a.space == b.space &&
           a.zero == b.zero && a.alternate == b.alternate && a.suppress == b.suppress &&
           a.width == b.width && a.precision == b.precision && a.set == b.set;
}

void CheckDirection(const std::string& format, bool input, const std::string& message,
                    std::size_t chunk) {
    std::vector<sim::Directive> directives;
    const ViStatus status = sim::ParseFormat(format.c_str(), input, &directives);
    Require(status == VI_SUCCESS || status == VI_ERROR_NSUP_FMT);
    if (status != VI_SUCCESS) {
        Require(directives.empty());
        return;
    }
    Require(directives.empty() == format.empty());
    bool arguments = false;
    for (const sim::Directive& d : directives) {
        Require(d.width <= sim::kMaxFieldWidth && d.precision <= sim::kMaxFieldWidth);
        Require(d.kind == sim::Directive::Kind::Conversion ||
                d.kind == sim::Directive::Kind::Space || !d.text.empty());
        Require(!input || (!d.left && !d.plus && !d.zero && !d.alternate && d.precision == -1 &&
                           d.width != sim::kFromArgument && d.width != 0));
        Require(d.conversion != '[' || d.set.size() == 256);
        arguments = arguments || (d.kind == sim::Directive::Kind::Conversion && !d.suppress);
    }
    std::vector<sim::Directive> again;
    Require(sim::ParseFormat(Render(directives).c_str(), input, &again) == VI_SUCCESS);
    Require(again.size() == directives.size());
    for (std::size_t i = 0; i < again.size(); ++i) {
        Require(Same(again[i], directives[i]));
    }

    sim::CFormattedIo io;
    CScriptedPort port(message, chunk);
    if (!input) {
        if (!arguments) {
            Require(Call(io, port, false, format.c_str()) == VI_SUCCESS);
            std::string expected;
            for (const sim::Directive& d : directives) {
                expected += d.text;
            }
            Require(port.written == expected);
            Require(port.lastEnd == (!expected.empty() && expected.back() == '\n'));
        }
        return;
    }
    const std::string quiet = Render(directives, true);
    Require(sim::ParseFormat(quiet.c_str(), true, &again) == VI_SUCCESS);
    Require(again.size() == directives.size());
    // Twice: the second scan goes on with what the first left, then finds nothing more.
    for (int pass = 0; pass < 2; ++pass) {
        const ViStatus scanned = Call(io, port, true, quiet.c_str());
        Require(scanned == VI_SUCCESS || scanned == VI_ERROR_TMO);
    }
    Require(port.reads <= static_cast<int>(message.size() / chunk) + 3);
}

}  // namespace

// Input: a format, then (after the first NUL) the first byte sets the read size and the rest
// is the message scanned. Both directions must refuse with VI_ERROR_NSUP_FMT or give
// directives that render back to themselves; scanning the message never fails otherwise.
void FuzzFormat(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t split = bytes.find('\0');
    const std::string format = bytes.substr(0, split);
    std::string message;
    std::size_t chunk = 7;
    if (split != std::string::npos && split + 1 < bytes.size()) {
        chunk = 1 + static_cast<unsigned char>(bytes[split + 1]) % 16;
        message = bytes.substr(split + 2);
    }
    CheckDirection(format, false, message, chunk);
    CheckDirection(format, true, message, chunk);
}
