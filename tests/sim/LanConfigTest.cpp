// The VISA configuration file's list of LAN instruments.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <chrono>
#include <filesystem>
#include <future>

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

#ifndef _WIN32
// A FIFO named as the configuration is refused, not opened: opening it would wait for a writer
// for ever, and every search with it.
TEST(LanConfig, AFifoIsRefusedNotOpened) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("sfp-visa-conf-" + std::to_string(::getpid()) + ".fifo"))
                                 .string();
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    ::setenv(sim::kLanConfigVariable, path.c_str(), 1);
    auto read = std::async(std::launch::async, [] { return sim::ReadLanConfig(); });
    const bool finished = read.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    if (!finished) {
        // Lets the reader go, so that the test fails rather than hangs.
        ::close(::open(path.c_str(), O_WRONLY));
    }
    EXPECT_TRUE(finished);
    const sim::LanConfig config = read.get();
    EXPECT_TRUE(config.instruments.empty());
    EXPECT_NE(config.error.find("not a regular file"), std::string::npos) << config.error;
    ::unsetenv(sim::kLanConfigVariable);
    std::filesystem::remove(path);
}
#endif

}  // namespace
