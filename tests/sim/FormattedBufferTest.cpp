// The formatted I/O engine's buffers over a scripted byte port: viSetBuf's sizes, viBufRead
// through the read buffer, viBufWrite held in the write buffer.
#include <gtest/gtest.h>

#include <cstdarg>
#include <string>

#include "common/FakeFormattedPort.h"
#include "sim/visa/FormattedIo.h"

namespace {

using sim::CFormattedIo;

ViStatus Print(CFormattedIo& io, CFakePort& port, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const ViStatus status = io.Printf(port, format, args);
    va_end(args);
    return status;
}

// viBufRead as viRead through the read buffer: reads of the buffer's size, a count or the
// message's end (by END or termination character) ends the call.
TEST(FormattedIo, BufReadGoesThroughTheSizedReadBuffer) {
    CFakePort port;
    CFormattedIo io;
    EXPECT_EQ(io.SetBuffer(0, 8), VI_ERROR_INV_MASK);
    EXPECT_EQ(io.SetBuffer(VI_READ_BUF | VI_READ_BUF_DISCARD, 8), VI_ERROR_INV_MASK);
    EXPECT_EQ(io.SetBuffer(VI_READ_BUF, 0), VI_ERROR_ALLOC);
    EXPECT_EQ(io.SetBuffer(VI_READ_BUF, sim::kMaxBufferSize + 1), VI_ERROR_ALLOC);
    EXPECT_EQ(io.SetBuffer(VI_IO_IN_BUF, 8), VI_WARN_NSUP_BUF);
    ASSERT_EQ(io.SetBuffer(VI_READ_BUF, 4), VI_SUCCESS);
    port.Message("ABCDEFGHIJ\n");
    port.script.push_back({"xy,", true, VI_SUCCESS_TERM_CHAR});
    port.Message("12");
    ViByte data[16] = {};
    std::size_t got = 0;
    auto text = [&] { return std::string(reinterpret_cast<const char*>(data), got); };
    EXPECT_EQ(io.BufRead(port, data, 6, &got), VI_SUCCESS_MAX_CNT);
    EXPECT_EQ(text(), "ABCDEF");
    EXPECT_EQ(port.reads, 2) << "four bytes a read";
    EXPECT_EQ(io.BufRead(port, data, 16, &got), VI_SUCCESS);
    EXPECT_EQ(text(), "GHIJ\n");
    EXPECT_EQ(io.BufRead(port, data, 16, &got), VI_SUCCESS_TERM_CHAR);
    EXPECT_EQ(text(), "xy,");
    EXPECT_EQ(io.BufRead(port, data, 2, &got), VI_SUCCESS) << "END came with the last byte";
    EXPECT_EQ(text(), "12");
    EXPECT_EQ(io.BufRead(port, data, 4, &got), VI_ERROR_TMO);
    EXPECT_EQ(io.BufRead(port, nullptr, 4, &got), VI_ERROR_USER_BUF);
}

// viBufWrite's bytes wait in the write buffer until it is full (sent without END), flushed
// (END) or a printf sends them ahead of its own, in one message.
TEST(FormattedIo, BufWriteHoldsBytesUntilFullFlushedOrPrinted) {
    CFakePort port;
    CFormattedIo io;
    ASSERT_EQ(io.SetBuffer(VI_WRITE_BUF, 4), VI_SUCCESS);
    const auto bytes = [](const char* text) { return reinterpret_cast<const ViByte*>(text); };
    std::size_t taken = 0;
    EXPECT_EQ(io.BufWrite(port, bytes("abcdef"), 6, &taken), VI_SUCCESS);
    EXPECT_EQ(taken, 6u);
    EXPECT_EQ(port.written, "abcd");
    EXPECT_FALSE(port.lastEnd);
    EXPECT_EQ(io.FlushWriteBuffer(port), VI_SUCCESS);
    EXPECT_EQ(port.written, "abcdef");
    EXPECT_TRUE(port.lastEnd);
    EXPECT_EQ(io.FlushWriteBuffer(port), VI_SUCCESS);
    EXPECT_EQ(port.writes, 2) << "an empty buffer sends nothing";

    ASSERT_EQ(io.BufWrite(port, bytes("*R"), 2, &taken), VI_SUCCESS);
    ASSERT_EQ(Print(io, port, "ST%c\n", 'x'), VI_SUCCESS);
    EXPECT_EQ(port.written, "abcdef*RSTx\n");
    EXPECT_EQ(port.writes, 3);
    ASSERT_EQ(io.BufWrite(port, bytes("q"), 1, &taken), VI_SUCCESS);
    io.DiscardWriteBuffer();
    EXPECT_EQ(io.FlushWriteBuffer(port), VI_SUCCESS);
    EXPECT_EQ(port.writes, 3) << "a discarded byte is not sent";
}

}  // namespace
