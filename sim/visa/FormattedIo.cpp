// The formatted I/O engine of one session: parses a call's formats, runs the conversions
// (FormatOutput.cpp, FormatInput.cpp) and keeps the session's read and write buffers between
// calls.
#include "sim/visa/FormattedIo.h"

#include <algorithm>
#include <cstring>
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
    // What viBufWrite left waiting goes first, in the same message.
    out.insert(out.begin(), m_write.begin(), m_write.end());
    m_write.clear();
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

ViStatus CFormattedIo::SetBuffer(ViUInt16 mask, std::size_t size) {
    constexpr ViUInt16 kKnown = VI_READ_BUF | VI_WRITE_BUF | VI_IO_IN_BUF | VI_IO_OUT_BUF;
    if (mask == 0 || (mask & ~kKnown) != 0) {
        return VI_ERROR_INV_MASK;
    }
    if (size == 0 || size > kMaxBufferSize) {
        return VI_ERROR_ALLOC;
    }
    if ((mask & VI_READ_BUF) != 0) {
        m_read.size = size;
    }
    if ((mask & VI_WRITE_BUF) != 0) {
        m_writeSize = size;
    }
    return (mask & (VI_IO_IN_BUF | VI_IO_OUT_BUF)) != 0 ? VI_WARN_NSUP_BUF : VI_SUCCESS;
}

ViStatus CFormattedIo::BufRead(IFormattedPort& port, ViByte* data, std::size_t count,
                               std::size_t* got) {
    *got = 0;
    if (count == 0) {
        return VI_SUCCESS_MAX_CNT;
    }
    if (data == nullptr) {
        return VI_ERROR_USER_BUF;
    }
    // The last message was handed out whole: this read starts the next one.
    if (m_read.Empty() && m_read.ended) {
        m_read.Discard();
    }
    CReader reader(port, m_read);
    while (*got < count) {
        if (m_read.Empty()) {
            int c = 0;
            const ViStatus status = reader.Peek(&c);
            if (status < VI_SUCCESS) {
                return status;
            }
            if (c < 0) {
                return m_read.endStatus;
            }
        }
        const std::size_t n = std::min(count - *got, m_read.bytes.size() - m_read.position);
        std::memcpy(data + *got, m_read.bytes.data() + m_read.position, n);
        m_read.position += n;
        *got += n;
    }
    return m_read.Empty() && m_read.ended ? m_read.endStatus : VI_SUCCESS_MAX_CNT;
}

ViStatus CFormattedIo::BufWrite(IFormattedPort& port, const ViByte* data, std::size_t count,
                                std::size_t* taken) {
    *taken = 0;
    if (data == nullptr && count > 0) {
        return VI_ERROR_USER_BUF;
    }
    for (;;) {
        // A buffer made smaller by viSetBuf may hold more than its size: it leaves whole.
        if (m_write.size() >= m_writeSize) {
            std::vector<ViByte> full;
            full.swap(m_write);
            const ViStatus status = port.Write(full.data(), full.size(), false);
            if (status < VI_SUCCESS) {
                return status;
            }
        }
        if (*taken == count) {
            return VI_SUCCESS;
        }
        const std::size_t n = std::min(count - *taken, m_writeSize - m_write.size());
        m_write.insert(m_write.end(), data + *taken, data + *taken + n);
        *taken += n;
    }
}

ViStatus CFormattedIo::FlushWriteBuffer(IFormattedPort& port) {
    if (m_write.empty()) {
        return VI_SUCCESS;
    }
    std::vector<ViByte> bytes;
    bytes.swap(m_write);
    return port.Write(bytes.data(), bytes.size(), true);
}

}  // namespace sim
