#pragma once
// VISA's formatted I/O (viPrintf, viScanf, viQueryf and their va_list forms) over any session
// that can write and read bytes. docs/FORMATTED-IO.md lists the supported subset.

#include <cstdarg>
#include <cstddef>
#include <string>
#include <vector>

#include "instrument/VisaTypes.h"

namespace sim {

// The byte transport of one session, implemented by the library.
class IFormattedPort {
public:
    virtual ~IFormattedPort() = default;
    // Writes count bytes; end: send END with the last byte.
    virtual ViStatus Write(const ViByte* data, std::size_t count, bool end) = 0;
    // Reads at most count bytes (count >= 1); *got bytes were read; *end: the message ended
    // there (END or an enabled termination character). Returns VISA statuses (VI_ERROR_TMO...).
    virtual ViStatus Read(ViByte* data, std::size_t count, std::size_t* got, bool* end) = 0;
};

// One piece of a format string: bytes to send or match, white space to skip, or a conversion.
struct Directive {
    enum class Kind { Literal, Space, Conversion };
    Kind kind = Kind::Literal;
    std::string text;     // Literal: the bytes, escapes already replaced
    char conversion = 0;  // d i u x X o f e E g G s c t T [
    char length = 0;      // 0, 'h' or 'l'
    bool left = false, plus = false, space = false, zero = false, alternate = false;
    bool suppress = false;  // input "%*d": read, but store nowhere
    // -1: none; kFromArgument: "*" takes it from the next int argument (output only).
    int width = -1;
    int precision = -1;
    std::vector<bool> set;  // %[...]: the bytes the field may hold (256 entries)
};

constexpr int kFromArgument = -2;
// Widths and precisions above this are refused: no instrument command needs more, and it
// bounds what one conversion can produce.
constexpr int kMaxFieldWidth = 1024;
// What an input string conversion without a width stores at most, terminating NUL included:
// the customary size of VISA's text buffers. The rest of the field is read and dropped.
constexpr int kDefaultStringBuffer = VI_FIND_BUFLEN;
// How many bytes the read buffer asks the session for at once.
constexpr std::size_t kDefaultBufferSize = 4096;

// Reads a whole format string before anything is done with it. input: for scanf (no flags,
// no precision, "*" suppresses); otherwise for printf. VI_ERROR_NSUP_FMT for anything outside
// the subset, VI_ERROR_USER_BUF for a null format; *out is filled only on success.
ViStatus ParseFormat(const char* format, bool input, std::vector<Directive>* out);

// The largest buffer viSetBuf grants: it bounds what one session may hold back.
constexpr std::size_t kMaxBufferSize = std::size_t{1} << 24;

// Bytes read ahead of the caller, and how the message they belong to ended.
struct ReadBuffer {
    std::vector<ViByte> bytes;  // not yet handed out from position on
    std::size_t position = 0;
    bool ended = false;               // the last byte in bytes ended a message
    ViStatus endStatus = VI_SUCCESS;  // the read that ended it: VI_SUCCESS or VI_SUCCESS_TERM_CHAR
    std::size_t size = kDefaultBufferSize;  // at most this many bytes are read at once

    bool Empty() const { return position >= bytes.size(); }
    void Discard() {
        bytes.clear();
        position = 0;
        ended = false;
        endStatus = VI_SUCCESS;
    }
};

// The formatted I/O state of one session: what a scanf read and did not use is kept for the
// next one, and what viBufWrite put in the write buffer waits for a flush, a full buffer or
// the next printf, which sends it ahead of its own bytes. Not thread-safe: the library
// serialises calls per session.
class CFormattedIo {
public:
    ViStatus Printf(IFormattedPort& port, const char* format, va_list args);
    ViStatus Scanf(IFormattedPort& port, const char* format, va_list args);
    ViStatus Queryf(IFormattedPort& port, const char* writeFormat, const char* readFormat,
                    va_list args);
    void DiscardReadBuffer();

    // viSetBuf: sizes the read buffer (VI_READ_BUF) and the write buffer (VI_WRITE_BUF).
    // Low-level I/O has no buffers to size: VI_IO_IN_BUF and VI_IO_OUT_BUF answer
    // VI_WARN_NSUP_BUF.
    ViStatus SetBuffer(ViUInt16 mask, std::size_t size);
    // viBufRead: like viRead, but through the read buffer that viScanf uses.
    ViStatus BufRead(IFormattedPort& port, ViByte* data, std::size_t count, std::size_t* got);
    // viBufWrite: into the write buffer, sent without END each time it fills up.
    ViStatus BufWrite(IFormattedPort& port, const ViByte* data, std::size_t count,
                      std::size_t* taken);
    // Sends what the write buffer holds, END with its last byte.
    ViStatus FlushWriteBuffer(IFormattedPort& port);
    void DiscardWriteBuffer() { m_write.clear(); }

private:
    struct Arguments;
    ViStatus Print(IFormattedPort& port, const std::vector<Directive>& directives, Arguments& args);
    ViStatus Scan(IFormattedPort& port, const std::vector<Directive>& directives, Arguments& args);

    ReadBuffer m_read;
    std::vector<ViByte> m_write;
    std::size_t m_writeSize = kDefaultBufferSize;
};

}  // namespace sim
