// VISA's formatted I/O over the library's sessions: each instrument session has its own engine
// and buffers, kept beside the session and dropped with it. No exception may leave a
// function of this file: the caller is C.
#include <algorithm>
#include <cstdarg>
#include <memory>
#include <mutex>

#include "sim/library/Library.h"
#include "sim/visa/FormattedIo.h"
#include "sim/visa/FormattedSessions.h"
#include "sim/visa/SimExport.h"

namespace {

sim::CLibrary& Bus() {
    return sim::CLibrary::Instance();
}

// The formatted I/O of one session; calls on a session take turns.
struct Formatted {
    std::mutex mutex;
    sim::CFormattedIo io;
};

std::shared_ptr<void> MakeFormatted() {
    return std::make_shared<Formatted>();
}

std::shared_ptr<Formatted> FormattedOf(ViSession vi) {
    return std::static_pointer_cast<Formatted>(Bus().Sessions().Attachment(vi, &MakeFormatted));
}

// A session's message I/O as the formatted I/O engine sees it.
class CSessionPort : public sim::IFormattedPort {
public:
    explicit CSessionPort(ViSession vi) : m_vi(vi) {}
    ViStatus Write(const ViByte* data, std::size_t count, bool end) override {
        const auto size = static_cast<ViUInt32>(std::min<std::size_t>(count, 0xFFFFFFFFu));
        ViUInt32 written = 0;
        const ViStatus status = Bus().Io().Write(m_vi, data, size, &written, end);
        return status >= 0 && size < count ? VI_ERROR_INV_LENGTH : status;
    }
    ViStatus Read(ViByte* data, std::size_t count, std::size_t* got, bool* end) override {
        const auto size = static_cast<ViUInt32>(std::min<std::size_t>(count, 0xFFFFFFFFu));
        ViUInt32 read = 0;
        const ViStatus status = Bus().Io().Read(m_vi, data, size, &read, end);
        *got = read;
        return status;
    }

private:
    ViSession m_vi;
};

// Runs a formatted call on a session's engine.
template <typename Call>
ViStatus WithFormatted(ViSession vi, Call call) {
    return Guarded([&]() -> ViStatus {
        const std::shared_ptr<Formatted> formatted = FormattedOf(vi);
        if (!formatted) {
            return Bus().Sessions().IsInstrument(vi) ? VI_ERROR_SYSTEM_ERROR : VI_ERROR_INV_OBJECT;
        }
        std::lock_guard<std::mutex> lock(formatted->mutex);
        CSessionPort port(vi);
        return call(formatted->io, port);
    });
}

}  // namespace

namespace sim {

// What the formatted I/O buffers hold is dropped by viClear.
void DiscardFormatted(ViSession vi) {
    if (const std::shared_ptr<Formatted> formatted = FormattedOf(vi)) {
        std::lock_guard<std::mutex> lock(formatted->mutex);
        formatted->io.DiscardReadBuffer();
        formatted->io.DiscardWriteBuffer();
    }
}

}  // namespace sim

// viFlush's mask bits: those that reach the formatted read buffer, the write buffer, and all.
constexpr ViUInt16 kFlushReadBits =
    VI_READ_BUF | VI_READ_BUF_DISCARD | VI_IO_IN_BUF | VI_IO_IN_BUF_DISCARD;
constexpr ViUInt16 kFlushWriteBits = VI_WRITE_BUF | VI_WRITE_BUF_DISCARD;
constexpr ViUInt16 kFlushAllBits = 0xFF;

SIM_EXPORT ViStatus SFP_VI_CALL viFlush(ViSession vi, ViUInt16 mask) {
    return Guarded([&]() -> ViStatus {
        if (!Bus().Sessions().IsInstrument(vi)) {
            return VI_ERROR_INV_OBJECT;
        }
        if (mask == 0 || (mask & ~kFlushAllBits) != 0) {
            return VI_ERROR_INV_MASK;
        }
        // Low-level writes leave at once: only the formatted I/O buffers hold anything back.
        if ((mask & (kFlushReadBits | kFlushWriteBits)) == 0) {
            return VI_SUCCESS;
        }
        return WithFormatted(vi, [&](sim::CFormattedIo& io, CSessionPort& port) -> ViStatus {
            if ((mask & kFlushReadBits) != 0) {
                io.DiscardReadBuffer();
            }
            if ((mask & VI_WRITE_BUF_DISCARD) != 0) {
                io.DiscardWriteBuffer();
            } else if ((mask & VI_WRITE_BUF) != 0) {
                return io.FlushWriteBuffer(port);
            }
            return VI_SUCCESS;
        });
    });
}

SIM_EXPORT ViStatus SFP_VI_CALL viSetBuf(ViSession vi, ViUInt16 mask, ViUInt32 size) {
    return WithFormatted(vi, [&](sim::CFormattedIo& io, CSessionPort&) {
        const ViStatus status = io.SetBuffer(mask, size);
        // The sizes read back as the session's buffer attributes.
        if (status >= 0 && (mask & VI_READ_BUF) != 0) {
            Bus().Attributes().Keep(vi, VI_ATTR_RD_BUF_SIZE, size);
        }
        if (status >= 0 && (mask & VI_WRITE_BUF) != 0) {
            Bus().Attributes().Keep(vi, VI_ATTR_WR_BUF_SIZE, size);
        }
        return status;
    });
}

SIM_EXPORT ViStatus SFP_VI_CALL viBufRead(ViSession vi, ViByte* buffer, ViUInt32 count,
                                          ViUInt32* read) {
    return WithFormatted(vi, [&](sim::CFormattedIo& io, CSessionPort& port) {
        std::size_t got = 0;
        const ViStatus status = io.BufRead(port, buffer, count, &got);
        if (read != nullptr) {
            *read = static_cast<ViUInt32>(got);
        }
        return status;
    });
}

SIM_EXPORT ViStatus SFP_VI_CALL viBufWrite(ViSession vi, const ViByte* buffer, ViUInt32 count,
                                           ViUInt32* written) {
    return WithFormatted(vi, [&](sim::CFormattedIo& io, CSessionPort& port) {
        std::size_t taken = 0;
        const ViStatus status = io.BufWrite(port, buffer, count, &taken);
        if (written != nullptr) {
            *written = static_cast<ViUInt32>(taken);
        }
        return status;
    });
}

SIM_EXPORT ViStatus SFP_VI_CALL viVPrintf(ViSession vi, const ViChar* format, va_list args) {
    return WithFormatted(vi, [&](sim::CFormattedIo& io, CSessionPort& port) {
        return io.Printf(port, format, args);
    });
}

SIM_EXPORT ViStatus SFP_VI_CALL viVScanf(ViSession vi, const ViChar* format, va_list args) {
    return WithFormatted(vi, [&](sim::CFormattedIo& io, CSessionPort& port) {
        return io.Scanf(port, format, args);
    });
}

SIM_EXPORT ViStatus SFP_VI_CALL viVQueryf(ViSession vi, const ViChar* writeFormat,
                                          const ViChar* readFormat, va_list args) {
    return WithFormatted(vi, [&](sim::CFormattedIo& io, CSessionPort& port) {
        return io.Queryf(port, writeFormat, readFormat, args);
    });
}

// The variadic forms are C calling convention everywhere, as VISA declares them.
SIM_EXPORT ViStatus viPrintf(ViSession vi, const ViChar* format, ...) {
    va_list args;
    va_start(args, format);
    const ViStatus status = viVPrintf(vi, format, args);
    va_end(args);
    return status;
}

SIM_EXPORT ViStatus viScanf(ViSession vi, const ViChar* format, ...) {
    va_list args;
    va_start(args, format);
    const ViStatus status = viVScanf(vi, format, args);
    va_end(args);
    return status;
}

SIM_EXPORT ViStatus viQueryf(ViSession vi, const ViChar* writeFormat, const ViChar* readFormat,
                             ...) {
    va_list args;
    va_start(args, readFormat);
    const ViStatus status = viVQueryf(vi, writeFormat, readFormat, args);
    va_end(args);
    return status;
}
