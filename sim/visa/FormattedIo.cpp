// The formatted I/O engine of one session: parses a call's formats, runs the conversions
// (FormatOutput.cpp, FormatInput.cpp) and keeps the session's read buffer between calls.
#include "sim/visa/FormattedIo.h"

#include <new>

#include "sim/visa/FormatChars.h"
#include "sim/visa/FormatConversions.h"

namespace sim {

// The caller's va_list, copied once so that helpers can take it by reference on every ABI.
struct CFormattedIo::Arguments {
    va_list list;
};

ViStatus CFormattedIo::Print(IFormattedPort& port, const std::vector<Directive>& directives,
                             Arguments& args) {
    std::string out;
    const ViStatus status = FormatDirectives(directives, args.list, &out);
    if (status < VI_SUCCESS || out.empty()) {
        return status;
    }
    const bool end = !directives.empty() && directives.back().kind == Directive::Kind::Literal &&
                     directives.back().text.back() == '\n';
    return port.Write(reinterpret_cast<const ViByte*>(out.data()), out.size(), end);
}

ViStatus CFormattedIo::Scan(IFormattedPort& port, const std::vector<Directive>& directives,
                            Arguments& args) {
    // A message read to its end and used up (or with only its terminator left) gives way to
    // the next one; otherwise this scan goes on where the last one stopped.
    bool spent = true;
    for (std::size_t i = m_read.position; i < m_read.bytes.size() && spent; ++i) {
        spent = IsSpace(m_read.bytes[i]);
    }
    if (spent && m_read.ended) {
        DiscardReadBuffer();
    }
    CReader reader(port, m_read);
    return ScanDirectives(reader, directives, args.list);
}

ViStatus CFormattedIo::Printf(IFormattedPort& port, const char* format, va_list args) {
    std::vector<Directive> directives;
    ViStatus status = ParseFormat(format, false, &directives);
    if (status != VI_SUCCESS) {
        return status;
    }
    Arguments copy;
    va_copy(copy.list, args);
    try {
        status = Print(port, directives, copy);
    } catch (const std::bad_alloc&) {
        status = VI_ERROR_SYSTEM_ERROR;
    }
    va_end(copy.list);
    return status;
}

ViStatus CFormattedIo::Scanf(IFormattedPort& port, const char* format, va_list args) {
    std::vector<Directive> directives;
    ViStatus status = ParseFormat(format, true, &directives);
    if (status != VI_SUCCESS) {
        return status;
    }
    Arguments copy;
    va_copy(copy.list, args);
    try {
        status = Scan(port, directives, copy);
    } catch (const std::bad_alloc&) {
        status = VI_ERROR_SYSTEM_ERROR;
    }
    va_end(copy.list);
    return status;
}

// Both formats are checked before anything is sent. A query answers from its own reply, so
// what an earlier scanf left unread is dropped first.
ViStatus CFormattedIo::Queryf(IFormattedPort& port, const char* writeFormat, const char* readFormat,
                              va_list args) {
    std::vector<Directive> writes;
    std::vector<Directive> reads;
    ViStatus status = ParseFormat(writeFormat, false, &writes);
    if (status == VI_SUCCESS) {
        status = ParseFormat(readFormat, true, &reads);
    }
    if (status != VI_SUCCESS) {
        return status;
    }
    DiscardReadBuffer();
    Arguments copy;
    va_copy(copy.list, args);
    try {
        status = Print(port, writes, copy);
        if (status >= VI_SUCCESS) {
            status = Scan(port, reads, copy);
        }
    } catch (const std::bad_alloc&) {
        status = VI_ERROR_SYSTEM_ERROR;
    }
    va_end(copy.list);
    return status;
}

void CFormattedIo::DiscardReadBuffer() {
    m_read.Discard();
}

}  // namespace sim
