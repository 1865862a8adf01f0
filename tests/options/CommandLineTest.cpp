#include <gtest/gtest.h>

#include "app/options/CommandLine.h"

struct OptionCase {
    const char* line;
    bool a, n, r;
};

class CommandLineOptions : public ::testing::TestWithParam<OptionCase> {};

TEST_P(CommandLineOptions, FoundAsPlainSubstringsInAnyCase) {
    const OptionCase& c = GetParam();
    CCommandLine cl(c.line);
    EXPECT_EQ(cl.HasDirectOpen(), c.a) << c.line;
    EXPECT_EQ(cl.HasNoIdentify(), c.n) << c.line;
    EXPECT_EQ(cl.HasReset(), c.r) << c.line;
}

INSTANTIATE_TEST_SUITE_P(
    Table, CommandLineOptions,
    ::testing::Values(
        OptionCase{"", false, false, false}, OptionCase{"/n", false, true, false},
        OptionCase{"-N", false, true, false}, OptionCase{"/R", false, false, true},
        OptionCase{"-r -n", false, true, true},
        // Inside longer text, with no word boundary.
        OptionCase{"c:/new/folder", false, true, false}, OptionCase{"x-ray", false, false, true},
        OptionCase{"/A vxi0::1::instr", true, false, false},
        // The letter alone, or after another character, is not an option.
        OptionCase{"n r a", false, false, false}, OptionCase{"\\n+r", false, false, false},
        // The direct-open name is not read as options; the rest of the line is.
        OptionCase{"-a TCPIP0::my-router::INSTR", true, false, false},
        OptionCase{"/a gpib-net::1/n::instr", true, false, false},
        OptionCase{"/a x-r", true, false, false}, OptionCase{"-r /a x-n -n", true, true, true},
        OptionCase{"-a first-r /a second-n", true, false, true}));

TEST(CommandLine, DirectOpenNameRules) {
    struct {
        const char* line;
        const char* name;
    } cases[] = {
        {"-a vxi0::24::instr", "VXI0::24::INSTR"},
        {"/a   gpib0::9::instr /r", "GPIB0::9::INSTR"},
        {"/aVXI0::3::INSTR", "VXI0::3::INSTR"},
        {"/a", ""},
        {"/a    ", ""},
        {"/a /n", "/N"},
        // "/a" wins over an earlier "-a".
        {"-a first /a second", "SECOND"},
        {"-a only", "ONLY"},
        {"nothing here", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CCommandLine(c.line).DirectOpenName(), c.name) << c.line;
    }
}

TEST(CommandLine, VeryLongLineWithOptionAtTheEnd) {
    std::string line(100000, 'x');
    line += " /a vxi0::7::instr";
    CCommandLine cl(line);
    EXPECT_TRUE(cl.HasDirectOpen());
    EXPECT_EQ(cl.DirectOpenName(), "VXI0::7::INSTR");
}

TEST(CommandLine, JoinArgumentsKeepsOrderWithSingleSpaces) {
    const char* argv[] = {"/a", "VXI0::1", "-r"};
    EXPECT_EQ(JoinArguments(3, argv), "/a VXI0::1 -r");
    EXPECT_EQ(JoinArguments(0, argv), "");
}
