// The formatted I/O engine over a scripted byte port: what printf sends, what scanf stores,
// and every format it refuses before touching an argument or the port.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <deque>
#include <functional>
#include <string>

#include "common/FakeFormattedPort.h"
#include "sim/visa/FormattedIo.h"

namespace {

using sim::CFormattedIo;

ViStatus Print(CFakePort& port, const char* format, ...) {
    va_list args;
    va_start(args, format);
    CFormattedIo io;
    const ViStatus status = io.Printf(port, format, args);
    va_end(args);
    return status;
}

ViStatus Scan(CFormattedIo& io, CFakePort& port, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const ViStatus status = io.Scanf(port, format, args);
    va_end(args);
    return status;
}

ViStatus Query(CFormattedIo& io, CFakePort& port, const char* write, const char* read, ...) {
    va_list args;
    va_start(args, read);
    const ViStatus status = io.Queryf(port, write, read, args);
    va_end(args);
    return status;
}

TEST(FormattedIo, PrintfWritesWhatCWould) {
    struct Case {
        std::function<ViStatus(CFakePort&)> print;
        const char* bytes;
        bool end;
    };
    const Case cases[] = {
        {[](CFakePort& p) { return Print(p, "%d,%i\n", -42, 7); }, "-42,7\n", true},
        {[](CFakePort& p) { return Print(p, "%5d|%-5d|%05d", 42, 42, 42); }, "   42|42   |00042",
         false},
        {[](CFakePort& p) { return Print(p, "%+d % d", 5, 5); }, "+5  5", false},
        {[](CFakePort& p) {
             return Print(p, "%u %x %X %o %#x %#o", 4000000000u, 255, 255, 8, 255, 8);
         },
         "4000000000 ff FF 10 0xff 010", false},
        {[](CFakePort& p) { return Print(p, "%hd %hu %hx", 70000, 65537, 0x12345); }, "4464 1 2345",
         false},
        {[](CFakePort& p) { return Print(p, "%ld %lu", -1234567890L, 4000000000UL); },
         "-1234567890 4000000000", false},
        {[](CFakePort& p) { return Print(p, "%f %.2f %e %E", 1.5, 2.3751, 12345.678, 0.00012); },
         "1.500000 2.38 1.234568e+04 1.200000E-04", false},
        {[](CFakePort& p) {
             return Print(p, "%g %G %.3g %#g %lf", 0.0001, 1e-5, 3.14159, 2.0, 0.5);
         },
         "0.0001 1E-05 3.14 2.00000 0.500000", false},
        {[](CFakePort& p) { return Print(p, "%*d|%-*d|%.*f|%*d", 4, 7, 3, 7, 2, 3.14159, -3, 1); },
         "   7|7  |3.14|1  ", false},
        {[](CFakePort& p) { return Print(p, "%s|%.3s|%6s|%-6s|", "volt", "volt", "ab", "ab"); },
         "volt|vol|    ab|ab    |", false},
        {[](CFakePort& p) { return Print(p, "%c%c%%%3c", 'O', 'K', '!'); }, "OK%  !", false},
        // Escapes as VISA reads them, for callers whose language has none.
        {[](CFakePort& p) { return Print(p, "*IDN?\\n"); }, "*IDN?\n", true},
        {[](CFakePort& p) { return Print(p, "\\101\\t\\\\\\\"%d", 1); }, "A\t\\\"1", false},
        {[](CFakePort& p) { return Print(p, "\n%d", 3); }, "\n3", false},
    };
    for (const Case& c : cases) {
        CFakePort port;
        EXPECT_EQ(c.print(port), VI_SUCCESS) << c.bytes;
        EXPECT_EQ(port.written, c.bytes);
        EXPECT_EQ(port.writes, 1) << c.bytes << ": one write per call";
        EXPECT_EQ(port.lastEnd, c.end) << c.bytes;
    }
    CFakePort port;
    EXPECT_EQ(Print(port, ""), VI_SUCCESS);
    EXPECT_EQ(port.writes, 0);
}

TEST(FormattedIo, PrintfFailuresSendNothing) {
    CFakePort port;
    EXPECT_EQ(Print(port, nullptr), VI_ERROR_USER_BUF);
    EXPECT_EQ(Print(port, "%s\n", static_cast<const char*>(nullptr)), VI_ERROR_USER_BUF);
    // A width from an argument obeys the written one's bound.
    EXPECT_EQ(Print(port, "%*d\n", sim::kMaxFieldWidth + 1, 1), VI_ERROR_NSUP_FMT);
    EXPECT_EQ(Print(port, "%.*f\n", sim::kMaxFieldWidth + 1, 1.0), VI_ERROR_NSUP_FMT);
    EXPECT_EQ(Print(port, "%*d\n", INT_MIN, 1), VI_ERROR_NSUP_FMT);
    EXPECT_EQ(port.writes, 0);
    port.writeStatus = VI_ERROR_TMO;
    EXPECT_EQ(Print(port, "X\n"), VI_ERROR_TMO) << "a port error is returned as is";
}

TEST(FormattedIo, RefusedFormatsBeforeAnyArgumentOrByte) {
    struct Case {
        const char* format;
        bool input;
    };
    const Case cases[] = {
        {"%n", false},      {"%p", false},   {"%b", false},    {"%B", false},   {"%,d", false},
        {"%@1d", false},    {"%", false},    {"V %", false},   {"%lld", false}, {"%hhd", false},
        {"%Lf", false},     {"%hf", false},  {"%ls", false},   {"%lc", false},  {"%1025d", false},
        {"%.1025f", false}, {"%#d", false},  {"%#s", false},   {"%t", false},   {"%[a]", false},
        {"\\q", false},     {"A\\", false},  {"\\400", false}, {"%5", false},   {"%n", true},
        {"%p", true},       {"%b", true},    {"%-d", true},    {"%.2f", true},  {"%#s", true},
        {"%0d", true},      {"%[abc", true}, {"%[z-a]", true}, {"%ls", true},   {"%lld", true},
        {"%1025s", true},   {"%*", true},    {"%y", true},     {"%*5", true},   {"%hf", true},
        {"%!d", true},      {"%,d", true},
    };
    for (const Case& c : cases) {
        std::vector<sim::Directive> directives(1);
        EXPECT_EQ(sim::ParseFormat(c.format, c.input, &directives), VI_ERROR_NSUP_FMT)
            << c.format << (c.input ? " (scanf)" : " (printf)");
        EXPECT_EQ(directives.size(), 1u) << c.format << ": left as it was";
        CFakePort port;
        port.Message("1\n");
        CFormattedIo io;
        // No argument follows: using one would read past the va_list.
        EXPECT_EQ(c.input ? Scan(io, port, c.format) : Print(port, c.format), VI_ERROR_NSUP_FMT)
            << c.format;
        EXPECT_EQ(port.writes + port.reads, 0) << c.format;
    }
    EXPECT_EQ(sim::ParseFormat(nullptr, true, nullptr), VI_ERROR_USER_BUF);
    std::vector<sim::Directive> directives;
    EXPECT_EQ(sim::ParseFormat("%-+ 0#*.*lX%%%[]a-c]x", false, &directives), VI_ERROR_NSUP_FMT);
    ASSERT_EQ(sim::ParseFormat("%-+ 0#*.*lX%% \\n", false, &directives), VI_SUCCESS);
    ASSERT_EQ(directives.size(), 2u);
    EXPECT_EQ(directives[0].width, sim::kFromArgument);
    EXPECT_EQ(directives[0].precision, sim::kFromArgument);
    EXPECT_EQ(directives[1].text, "% \n");
    ASSERT_EQ(sim::ParseFormat("%*3ld %[]a-c]x", true, &directives), VI_SUCCESS);
    ASSERT_EQ(directives.size(), 4u);
    EXPECT_TRUE(directives[0].suppress);
    EXPECT_EQ(directives[0].width, 3);
    EXPECT_EQ(directives[1].kind, sim::Directive::Kind::Space);
    EXPECT_TRUE(directives[2].set[']'] && directives[2].set['b'] && !directives[2].set['d']);
    EXPECT_EQ(directives[3].text, "x");
}

TEST(FormattedIo, ScanfStoresWhatCWould) {
    CFakePort port;
    CFormattedIo io;
    int i[3] = {};
    port.Message("-12,0x1F,+7\n");
    ASSERT_EQ(Scan(io, port, "%d,%i,%u", &i[0], &i[1], &i[2]), VI_SUCCESS);
    EXPECT_EQ(i[0], -12);
    EXPECT_EQ(i[1], 31);
    EXPECT_EQ(i[2], 7);

    unsigned x[3] = {};
    port.Message("ff 0x1A 17\n");
    ASSERT_EQ(Scan(io, port, "%x %X %o", &x[0], &x[1], &x[2]), VI_SUCCESS);
    EXPECT_EQ(x[0], 255u);
    EXPECT_EQ(x[1], 26u);
    EXPECT_EQ(x[2], 15u);

    short h = 0;
    long l = 0;
    unsigned short hu = 0;
    int octal = 0;
    port.Message("40000 -123456 70000 017\n");
    ASSERT_EQ(Scan(io, port, "%hd %ld %hu %i", &h, &l, &hu, &octal), VI_SUCCESS);
    EXPECT_EQ(h, 32767) << "signed saturates";
    EXPECT_EQ(l, -123456);
    EXPECT_EQ(hu, 4464) << "unsigned wraps";
    EXPECT_EQ(octal, 15);

    float f[3] = {};
    double d[2] = {};
    port.Message("1.5 -2.25e3 .5 1E-2 1e999\n");
    ASSERT_EQ(Scan(io, port, "%f %lf %e %g %lf", &f[0], &d[0], &f[1], &f[2], &d[1]), VI_SUCCESS);
    EXPECT_EQ(f[0], 1.5f);
    EXPECT_EQ(d[0], -2250.0);
    EXPECT_EQ(f[1], 0.5f);
    EXPECT_FLOAT_EQ(f[2], 0.01f);
    EXPECT_TRUE(std::isinf(d[1]) && d[1] > 0);

    port.Message("1e39 -1e-999 -0.000e400\n");
    ASSERT_EQ(Scan(io, port, "%f %lf %lf", &f[0], &d[0], &d[1]), VI_SUCCESS);
    EXPECT_TRUE(std::isinf(f[0])) << "beyond a float";
    EXPECT_EQ(d[0], 0.0);
    EXPECT_EQ(d[1], 0.0);

    char a[8] = {}, b[8] = {}, c[4] = {}, e[8] = {};
    port.Message("  hello\tworld xyz123abc,rest\n");
    ASSERT_EQ(Scan(io, port, "%s %3s%s %3c%[0-9]", a, b, e, c, &b[4]), VI_SUCCESS);
    EXPECT_STREQ(a, "hello");
    EXPECT_STREQ(b, "wor");
    EXPECT_STREQ(e, "ld");
    EXPECT_EQ(std::string(c, 3), "xyz");
    EXPECT_STREQ(&b[4], "123");
    ASSERT_EQ(Scan(io, port, "%[^,],%*s", a), VI_SUCCESS) << "the rest of the same message";
    EXPECT_STREQ(a, "abc");

    int kept = -1;
    port.Message("7 8\n");
    ASSERT_EQ(Scan(io, port, "%*d %d", &kept), VI_SUCCESS);
    EXPECT_EQ(kept, 8);
}

TEST(FormattedIo, ScanfTextFieldsAreBounded) {
    CFakePort port;
    CFormattedIo io;
    char buffer[300];
    std::memset(buffer, '#', sizeof buffer);
    port.Message(std::string(280, 'a') + " 5\n");
    int after = 0;
    ASSERT_EQ(Scan(io, port, "%s%d", buffer, &after), VI_SUCCESS);
    EXPECT_EQ(std::strlen(buffer), static_cast<std::size_t>(sim::kDefaultStringBuffer - 1));
    EXPECT_EQ(buffer[sim::kDefaultStringBuffer], '#');
    EXPECT_EQ(after, 5) << "the rest of the word is read and dropped";

    std::memset(buffer, '#', sizeof buffer);
    port.Message("abcdefgh\n");
    ASSERT_EQ(Scan(io, port, "%5t", buffer), VI_SUCCESS);
    EXPECT_STREQ(buffer, "abcde");
    EXPECT_EQ(buffer[6], '#');
    ASSERT_EQ(Scan(io, port, "%T", buffer), VI_SUCCESS);
    EXPECT_STREQ(buffer, "fgh\n") << "to the end, terminator included";

    port.Message("4 x\n");
    EXPECT_EQ(Scan(io, port, "%d", static_cast<int*>(nullptr)), VI_ERROR_USER_BUF);
    EXPECT_EQ(Scan(io, port, "%s", static_cast<char*>(nullptr)), VI_ERROR_USER_BUF);
}

TEST(FormattedIo, ScanfReadsAcrossSplitReads) {
    CFakePort port;
    CFormattedIo io;
    port.script = {{"12", false, VI_SUCCESS},
                   {"34 5", false, VI_SUCCESS},
                   {".25 long ", false, VI_SUCCESS},
                   {"line\n", true, VI_SUCCESS_TERM_CHAR}};
    int i = 0;
    double d = 0;
    char text[32] = {};
    ASSERT_EQ(Scan(io, port, "%d%lf%t", &i, &d, text), VI_SUCCESS);
    EXPECT_EQ(i, 1234);
    EXPECT_EQ(d, 5.25);
    EXPECT_STREQ(text, " long line\n");
    EXPECT_EQ(port.reads, 4);
    EXPECT_TRUE(port.script.empty());

    port.script = {{"12", false, VI_SUCCESS}, {"", false, VI_ERROR_IO}};
    EXPECT_EQ(Scan(io, port, "%d", &i), VI_ERROR_IO) << "a port error is returned as is";
    EXPECT_EQ(Scan(io, port, "%d", &i), VI_ERROR_TMO);
}

TEST(FormattedIo, ScanfStaysWithinOneMessageAndKeepsTheRest) {
    CFakePort port;
    CFormattedIo io;
    port.Message("1,2,3\n");
    port.Message("9\n");
    int value = 0;
    ASSERT_EQ(Scan(io, port, "%d", &value), VI_SUCCESS);
    EXPECT_EQ(value, 1);
    ASSERT_EQ(Scan(io, port, ",%d", &value), VI_SUCCESS);
    EXPECT_EQ(value, 2);
    EXPECT_EQ(port.reads, 1) << "the second scanf used what the first left";

    // A mismatch ends the scan without touching later arguments or the next message.
    int untouched = -5;
    ASSERT_EQ(Scan(io, port, ";%d", &untouched), VI_SUCCESS);
    EXPECT_EQ(untouched, -5);
    ASSERT_EQ(Scan(io, port, ",%d %d", &value, &untouched), VI_SUCCESS);
    EXPECT_EQ(value, 3);
    EXPECT_EQ(untouched, -5) << "the message ended; the next one is not read into this scan";
    EXPECT_EQ(port.reads, 1);

    // Only the terminator was left: the next scanf reads the next message.
    ASSERT_EQ(Scan(io, port, "%d", &value), VI_SUCCESS);
    EXPECT_EQ(value, 9);

    port.Message("4 5\n");
    port.Message("6\n");
    ASSERT_EQ(Scan(io, port, "%d", &value), VI_SUCCESS);
    io.DiscardReadBuffer();
    ASSERT_EQ(Scan(io, port, "%d", &value), VI_SUCCESS);
    EXPECT_EQ(value, 6) << "a discarded rest is not scanned";
}

TEST(FormattedIo, QueryfWritesThenReadsItsOwnReply) {
    CFakePort port;
    CFormattedIo io;
    port.Message("1,2\n");
    int value = 0;
    ASSERT_EQ(Scan(io, port, "%d", &value), VI_SUCCESS);
    port.Message("17,ok\n");
    char word[8] = {};
    ASSERT_EQ(Query(io, port, "MEAS:DIG:PORT? %d\n", "%d,%s", 3, &value, word), VI_SUCCESS);
    EXPECT_EQ(port.written, "MEAS:DIG:PORT? 3\n");
    EXPECT_TRUE(port.lastEnd);
    EXPECT_EQ(value, 17) << "not the ',2' an earlier scanf left";
    EXPECT_STREQ(word, "ok");

    EXPECT_EQ(Query(io, port, "*IDN?\n", "%d %n", &value), VI_ERROR_NSUP_FMT);
    EXPECT_EQ(Query(io, port, nullptr, "%d", &value), VI_ERROR_USER_BUF);
    EXPECT_EQ(port.writes, 1) << "a bad format of either kind sends nothing";
    port.writeStatus = VI_ERROR_TMO;
    port.Message("5\n");
    EXPECT_EQ(Query(io, port, "*STB?\n", "%d", &value), VI_ERROR_TMO);
    EXPECT_EQ(port.script.size(), 1u) << "no read after a failed write";
}

}  // namespace
