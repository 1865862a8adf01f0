// The VISA configuration file's list of LAN instruments.
#include <gtest/gtest.h>

#include "sim/core/LanConfig.h"

namespace {

struct Case {
    const char* text;
    std::vector<std::string> instruments;
    ViUInt32 timeoutMs;
    const char* error;
};

TEST(LanConfig, ListsCanonicalInstrumentsAndItsTimeout) {
    const Case cases[] = {
        {"", {}, 1000, ""},
        {"# only a comment\n\n", {}, 1000, ""},
        {"tcpip::lab-gw::INSTR\n", {"TCPIP0::lab-gw::inst0::INSTR"}, 1000, ""},
        {"  TCPIP1::10.0.0.5::gpib0,9::INSTR  # the old meter\r\ntimeout 250\n",
         {"TCPIP1::10.0.0.5::gpib0,9::INSTR"},
         250,
         ""},
        {"TCPIP::h::INSTR\nTCPIP0::h::inst0::INSTR\n", {"TCPIP0::h::inst0::INSTR"}, 1000, ""},
        {"GPIB0::9::INSTR\nTCPIP::h::INSTR\n",
         {"TCPIP0::h::inst0::INSTR"},
         1000,
         "line 1: GPIB0::9::INSTR"},
        {"TCPIP0::h::5025::SOCKET\n", {}, 1000, "line 1: TCPIP0::h::5025::SOCKET"},
        {"timeout 0\n", {}, 1000, "line 1: timeout 0"},
        {"timeout 60001\n", {}, 1000, "line 1: timeout 60001"},
        {"timeout 5 s\n", {}, 1000, "line 1: timeout 5 s"},
        {"timeout 60000\n", {}, 60000, ""},
    };
    for (const Case& c : cases) {
        const sim::LanConfig config = sim::ParseLanConfig(c.text);
        EXPECT_EQ(config.instruments, c.instruments) << c.text;
        EXPECT_EQ(config.timeoutMs, c.timeoutMs) << c.text;
        EXPECT_EQ(config.error, c.error) << c.text;
    }
}

}  // namespace
