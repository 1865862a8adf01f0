// viReadToFile and viWriteFromFile: a session's message I/O to and from a file, in bounded
// chunks so that a transfer of any size holds little memory. The file is written afresh each
// time unless the session's VI_ATTR_FILE_APPEND_EN is set. No exception may leave a
// function of this file: the caller is C.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "sim/library/Library.h"
#include "sim/visa/SessionCheck.h"
#include "sim/visa/SimExport.h"

namespace {

constexpr ViUInt32 kChunk = 64 * 1024;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File OpenFile(const ViChar* name, const char* mode) {
    return File(name != nullptr ? std::fopen(name, mode) : nullptr);
}

}  // namespace

SIM_EXPORT ViStatus SFP_VI_CALL viReadToFile(ViSession vi, const ViChar* fileName, ViUInt32 count,
                                             ViUInt32* transferred) {
    return Guarded([&]() -> ViStatus {
        ViUInt32 total = 0;
        if (transferred != nullptr) {
            *transferred = 0;
        }
        if (const ViStatus refused = sim::CheckInstrument(vi); refused != VI_SUCCESS) {
            return refused;
        }
        // VI_ATTR_FILE_APPEND_EN adds to the file instead of writing it afresh.
        const bool append =
            sim::CLibrary::Instance().Attributes().Kept(vi, VI_ATTR_FILE_APPEND_EN) == VI_TRUE;
        File file = OpenFile(fileName, append ? "ab" : "wb");
        if (!file) {
            return VI_ERROR_FILE_ACCESS;
        }
        std::vector<ViByte> chunk(std::min(count, kChunk));
        ViStatus status = VI_SUCCESS_MAX_CNT;
        // A read that fills its chunk without ending the message goes on to the next chunk.
        while (status == VI_SUCCESS_MAX_CNT && total < count) {
            const ViUInt32 size = std::min(count - total, kChunk);
            ViUInt32 got = 0;
            status = sim::CLibrary::Instance().Io().Read(vi, chunk.data(), size, &got);
            if (got > 0 && std::fwrite(chunk.data(), 1, got, file.get()) != got) {
                return VI_ERROR_FILE_IO;
            }
            total += got;
            if (transferred != nullptr) {
                *transferred = total;
            }
        }
        if (std::fflush(file.get()) != 0) {
            return VI_ERROR_FILE_IO;
        }
        return status;
    });
}

SIM_EXPORT ViStatus SFP_VI_CALL viWriteFromFile(ViSession vi, const ViChar* fileName,
                                                ViUInt32 count, ViUInt32* transferred) {
    return Guarded([&]() -> ViStatus {
        ViUInt32 total = 0;
        if (transferred != nullptr) {
            *transferred = 0;
        }
        if (const ViStatus refused = sim::CheckInstrument(vi); refused != VI_SUCCESS) {
            return refused;
        }
        File file = OpenFile(fileName, "rb");
        if (!file) {
            return VI_ERROR_FILE_ACCESS;
        }
        std::vector<ViByte> chunk(std::min(count, kChunk));
        while (total < count) {
            const ViUInt32 size = std::min(count - total, kChunk);
            const std::size_t got = std::fread(chunk.data(), 1, size, file.get());
            if (std::ferror(file.get()) != 0) {
                return VI_ERROR_FILE_IO;
            }
            // END goes with the last byte of the transfer: count reached or the file's end.
            bool last = got < size || total + got == count;
            if (!last) {
                const int next = std::fgetc(file.get());
                if (std::ferror(file.get()) != 0) {
                    return VI_ERROR_FILE_IO;
                }
                last = next == EOF;
                if (!last) {
                    std::ungetc(next, file.get());
                }
            }
            if (got == 0) {
                break;
            }
            ViUInt32 written = 0;
            const ViStatus status = sim::CLibrary::Instance().Io().Write(
                vi, chunk.data(), static_cast<ViUInt32>(got), &written, last);
            total += written;
            if (transferred != nullptr) {
                *transferred = total;
            }
            if (status < VI_SUCCESS || last) {
                return status;
            }
        }
        return VI_SUCCESS;
    });
}
