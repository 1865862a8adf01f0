// A recording driving the simulated module: the readers, the scenario key and the module's
// registers, without the C layer.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "sim/module/Device.h"
#include "sim/replay/RecordingReader.h"
#include "sim/scenario/Scenario.h"

namespace {

using sim::CDevice;

class Replay : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = std::filesystem::temp_directory_path() /
                   ("sfp-replay-" +
                    std::to_string(std::hash<std::string>{}(
                        ::testing::UnitTest::GetInstance()->current_test_info()->name())) +
                    "-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)));
        std::filesystem::create_directories(m_folder);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }

    std::string Write(const std::string& name, const std::string& text) const {
        const std::string path = (m_folder / name).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    std::string ScenarioPath() const { return (m_folder / "s.yaml").string(); }

    // A scenario of one module whose replay: mapping is body (indented below replay:).
    sim::ParseResult Load(const std::string& body) const {
        return sim::ParseScenario(
            "resources:\n"
            "  - name: VXI0::24::INSTR\n"
            "    module:\n"
            "      replay:\n" +
                body,
            ScenarioPath());
    }
    std::unique_ptr<CDevice> Module(const std::string& body) const {
        const sim::ParseResult parsed = Load(body);
        EXPECT_TRUE(parsed.scenario.has_value()) << parsed.error;
        if (!parsed.scenario) {
            return nullptr;
        }
        return std::make_unique<CDevice>(parsed.scenario->resources.at(0), 0);
    }

    std::filesystem::path m_folder;
};

std::string Ask(CDevice& device, const std::string& command, long long nowMs) {
    std::string reply = device.Execute(command, nowMs).reply;
    while (!reply.empty() && reply.back() == '\n') {
        reply.pop_back();
    }
    return reply;
}

// Value, positive and negative register of a port, as "v/p/n".
std::string Port(CDevice& device, int port, long long nowMs) {
    const std::string p = " " + std::to_string(port);
    return Ask(device, "MEAS:DIG:PORT?" + p, nowMs) + "/" +
           Ask(device, "SENS:POS:PORT:TRAN?" + p, nowMs) + "/" +
           Ask(device, "SENS:NEG:PORT:TRAN?" + p, nowMs);
}

// As sigrok-cli and GTKWave write it: nested scopes, a 10 ms timescale, several changes on one
// line, x and short vector values, comments in the body, a signal no input takes.
const char* const kHandMade = R"($comment made by hand $end
$timescale 10 ms $end
$scope module top $end
$scope module bank $end
$var wire 1 ! D0 $end
$var wire 1 " D9 $end
$var wire 16 # port2 [15:0] $end
$var wire 8 % other $end
$upscope $end
$upscope $end
$enddefinitions $end
#0 $dumpvars 1! x" b101 # b0 % $end
#1 0! 1"
$comment between $end
#2 b1111000011110000 # bz1 #
#3
)";

TEST_F(Replay, EdgesLatchAsTheFilePlaysAndTheLastValuesHold) {
    Write("hand.vcd", kHandMade);
    const auto device = Module("        file: hand.vcd\n");
    ASSERT_TRUE(device);
    EXPECT_EQ(Port(*device, 0, 5), "1/0/0") << "the values at the start latch no edge";
    EXPECT_EQ(Port(*device, 2, 5), "5/0/0");
    EXPECT_EQ(device->NextStepMs(), 10);
    EXPECT_EQ(Ask(*device, "*STB?", 9), "0");
    device->CatchUp(15);
    EXPECT_EQ(Ask(*device, "*STB?", 15), "1");
    EXPECT_EQ(Port(*device, 0, 15), "512/512/1");
    // Two values of port 2 at one time: the pulse between two commands latches both edges.
    EXPECT_EQ(Port(*device, 2, 25), "1/61681/61685");
    EXPECT_EQ(device->NextStepMs(), -1) << "the file has ended";
    EXPECT_EQ(Port(*device, 0, 5000), "512/0/0");
    EXPECT_EQ(Ask(*device, "SYST:ERR?", 5000), "0,\"No error\"");
    const auto notes = device->TakeNotes();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("top.bank.other"), std::string::npos) << notes[0];

    // *RST starts again from the beginning.
    Ask(*device, "*RST", 6000);
    EXPECT_EQ(Port(*device, 0, 6005), "1/0/0");
    EXPECT_EQ(Port(*device, 0, 6015), "512/512/1");
}

TEST_F(Replay, SpeedStartAndChannelsShapeThePlay) {
    Write("hand.vcd", kHandMade);
    const auto device = Module(
        "        file: hand.vcd\n"
        "        speed: 10\n"
        "        start: 0.01\n"
        "        channels: {D9: 63, D0: 17}\n");
    ASSERT_TRUE(device);
    EXPECT_EQ(Port(*device, 3, 0), "32768/0/0") << "D9 at 10 ms, on input 63";
    EXPECT_EQ(Port(*device, 1, 0), "0/0/0");
    EXPECT_EQ(Port(*device, 2, 0), "0/0/0") << "named channels only";
    EXPECT_EQ(device->NextStepMs(), -1) << "no named signal changes after 10 ms";
}

TEST_F(Replay, ALoopStartsAgainAndAnEndedReplayHolds) {
    const std::string vcd =
        "$timescale 100 us $end\n$var wire 1 ! ch5 $end\n"
        "$enddefinitions $end\n#0\n0!\n#100\n1!\n#200\n";
    Write("loop.vcd", vcd);
    const auto looping = Module("        file: loop.vcd\n        loop: true\n");
    ASSERT_TRUE(looping);
    EXPECT_EQ(Port(*looping, 0, 15), "32/32/0");
    EXPECT_EQ(Port(*looping, 0, 25), "0/0/32") << "back to the start at 20 ms";
    EXPECT_EQ(Port(*looping, 0, 35), "32/32/0");

    // Every change lies before the start: each lap plays them all at its beginning.
    const auto late = Module("        file: loop.vcd\n        loop: true\n        start: 0.015\n");
    ASSERT_TRUE(late);
    EXPECT_EQ(Port(*late, 0, 0), "32/0/0");
    EXPECT_EQ(Port(*late, 0, 6), "32/32/32");

    const auto once = Module("        file: loop.vcd\n");
    ASSERT_TRUE(once);
    EXPECT_EQ(Port(*once, 0, 25), "32/32/0");
    EXPECT_EQ(once->NextStepMs(), -1);
}

TEST_F(Replay, AMalformedLineStopsThePlayWithAnErrorThatNamesIt) {
    const std::string path =
        Write("bad.vcd",
              "$timescale 1 ms $end\n$var wire 1 ! ch0 $end\n"
              "$enddefinitions $end\n#0\n0!\n#10\n1!\n#20 0!\n#30 2!\n#40 0!\n");
    const auto device = Module("        file: bad.vcd\n");
    ASSERT_TRUE(device);
    EXPECT_EQ(Port(*device, 0, 15), "1/1/0");
    EXPECT_EQ(Port(*device, 0, 100), "0/0/1") << "the changes before the bad line play";
    EXPECT_EQ(Ask(*device, "SYST:ERR?", 100), "301,\"Replay stopped at line 9 of the recording\"");
    EXPECT_EQ(Ask(*device, "SYST:ERR?", 100), "0,\"No error\"") << "queued once";
    EXPECT_EQ(device->NextStepMs(), -1);
    const auto notes = device->TakeNotes();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find(path + ":9: "), std::string::npos) << notes[0];

    // The line numbers of the other readers' faults, and a time that goes back.
    const struct {
        const char* text;
        long line;
    } kBad[] = {
        {"time_s,port0,pos0,neg0,port1,pos1,neg1,port2,pos2,neg2,port3,pos3,neg3\n"
         "0.0,1,0,0,0,0,0,0,0,0,0,0,0\n0.5,1,0,0,0,0,0,0,0,0,0,0,65536\n",
         3},
        {"$var wire 1 ! ch0 $end $enddefinitions $end\n#5\n1!\n#4\n", 4},
        {"$var wire 16 ! port1 $end $enddefinitions $end\n#5 b12 !\n", 2},
        {"$var wire 1 ! ch0 $end $enddefinitions $end\n#5\n1\"\n", 3},
    };
    for (const auto& bad : kBad) {
        Write("bad2", bad.text);
        const auto other = Module("        file: bad2\n");
        ASSERT_TRUE(other);
        EXPECT_EQ(
            Ask(*other, "SYST:ERR?", 10000),
            "301,\"Replay stopped at line " + std::to_string(bad.line) + " of the recording\"")
            << bad.text;
    }
}

TEST_F(Replay, CsvOfTheRecorderPlaysItsCaughtPulses) {
    Write("rec.csv",
          "time_s,port0,pos0,neg0,port1,pos1,neg1,port2,pos2,neg2,port3,pos3,neg3\n"
          "0.000000,0,0,0,5,0,0,0,0,0,0,9,9\n"
          "0.010000,1,1,0,5,4,4,0,0,0,0,0,0\n"
          "0.020000,1,0,0,5,0,0,0,0,0,0,0,0\n");
    const auto device = Module("        file: rec.csv\n");
    ASSERT_TRUE(device);
    EXPECT_EQ(Port(*device, 1, 5), "5/0/0");
    EXPECT_EQ(Port(*device, 0, 15), "1/1/0");
    EXPECT_EQ(Port(*device, 1, 15), "5/4/4") << "a pulse of bit 2 between two rows";
    EXPECT_EQ(Port(*device, 3, 15), "0/0/0") << "the first row's registers are no edges";
}

TEST_F(Replay, ScopeChoosesOneModuleOfSeveral) {
    Write("two.vcd",
          "$timescale 1 ms $end\n"
          "$scope module slot24 $end\n$scope module port0 $end\n$var wire 1 ! ch0 $end\n"
          "$upscope $end\n$upscope $end\n"
          "$scope module slot25 $end\n$scope module port0 $end\n$var wire 1 \" ch0 $end\n"
          "$upscope $end\n$upscope $end\n$enddefinitions $end\n"
          "#0\n$dumpvars\n1!\n0\"\n$end\n#10\n0!\n1\"\n#20\n");
    const auto second = Module("        file: two.vcd\n        scope: slot25\n");
    ASSERT_TRUE(second);
    EXPECT_EQ(Port(*second, 0, 5), "0/0/0");
    EXPECT_EQ(Port(*second, 0, 15), "1/1/0");

    const auto both = Load("        file: two.vcd\n");
    EXPECT_NE(both.error.find(":5: replay"), std::string::npos) << both.error;
    EXPECT_NE(both.error.find("slot24.port0.ch0 and slot25.port0.ch0"), std::string::npos)
        << both.error;
    const auto none = Load("        file: two.vcd\n        scope: slot26\n");
    EXPECT_NE(none.error.find("no scope slot26"), std::string::npos) << none.error;
}

TEST_F(Replay, ScenarioRefusesWhatCannotPlayWithItsLine) {
    Write("hand.vcd", kHandMade);
    Write("notes.txt", "shopping list\n");
    std::filesystem::create_directories(m_folder / "folder");
    const struct {
        const char* body;
        const char* expected;
    } kCases[] = {
        {"        file: missing.vcd\n", ":5: replay "},
        {"        file: notes.txt\n", "neither a VCD file nor"},
        {"        file: folder\n", "is a folder"},
        {"        file: hand.vcd\n        channels: {D0: 1, D7: 2}\n", ":6: channel D7 names no"},
        {"        file: hand.vcd\n        channels: {D0: 64}\n", ":6: input of D0 64 is out"},
        {"        file: hand.vcd\n        channels:\n          port2: 3\n", ":7: channel port2"},
        {"        file: hand.vcd\n        speed: 0\n", ":6: speed 0 is out of range"},
        {"        file: hand.vcd\n        fast: yes\n", ":6: unknown key 'fast'"},
        {"        speed: 2\n", ":5: replay needs the file"},
    };
    for (const auto& c : kCases) {
        const sim::ParseResult parsed = Load(c.body);
        EXPECT_FALSE(parsed.scenario.has_value()) << c.body;
        EXPECT_NE(parsed.error.find(c.expected), std::string::npos)
            << c.body << " gave: " << parsed.error;
    }
    const auto mixed = sim::ParseScenario(
        "resources:\n  - name: VXI0::24::INSTR\n    module:\n      ports: [1]\n"
        "      replay: {file: hand.vcd}\n",
        ScenarioPath());
    EXPECT_NE(mixed.error.find(":5: a replayed module"), std::string::npos) << mixed.error;
#if !defined(_WIN32)
    const std::string fifo = (m_folder / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const sim::ParseResult parsed = Load("        file: fifo\n");
    EXPECT_NE(parsed.error.find("not a regular file"), std::string::npos) << parsed.error;
#endif
}

TEST_F(Replay, EveryTimescaleBecomesNanoseconds) {
    const struct {
        const char* timescale;
        const char* time;
        long long ns;
    } kCases[] = {
        {"1 s", "#2", 2000000000LL}, {"100ps", "#30", 3}, {"10 fs", "#300000", 3},
        {"1us", "#7", 7000},         {"1 ns", "#9", 9},   {"100 ms", "#3", 300000000LL},
    };
    for (const auto& c : kCases) {
        const std::string path = Write(
            "t.vcd", std::string("$timescale ") + c.timescale +
                         " $end $var wire 1 ! ch0 $end $enddefinitions $end " + c.time + " 1!\n");
        std::string error;
        const auto reader = sim::OpenRecording(path, &error);
        ASSERT_TRUE(reader) << error;
        reader->Watch(0);
        sim::RecordingChange change;
        ASSERT_TRUE(reader->Next(&change)) << reader->Error();
        EXPECT_EQ(change.timeNs, c.ns) << c.timescale;
    }
}

}  // namespace
