// Recordings replayed on the simulated module and recorded again: ours, sigrok-cli's and
// GTKWave's converters' files give the values they hold.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/SimSupport.h"
#include "rec/RecSupport.h"
#include "sim/replay/Replay.h"

namespace {

// Each port's values in order, a value repeated only after another: a caught pulse is its
// passing level between the values before and after it.
using Sequence = std::array<std::vector<std::uint16_t>, 4>;

void Append(std::vector<std::uint16_t>* values, std::uint16_t value) {
    if (values->empty() || values->back() != value) {
        values->push_back(value);
    }
}

// One input's levels in order, each change once. Pulses of several inputs between the same two
// samples share one passing value, and which pulses share one depends on when the samples fell;
// each input's own history does not.
std::vector<int> Levels(const std::vector<std::uint16_t>& values, int bit) {
    std::vector<int> levels;
    for (std::uint16_t value : values) {
        const int level = (value >> bit) & 1;
        if (levels.empty() || levels.back() != level) {
            levels.push_back(level);
        }
    }
    return levels;
}

// Our VCD's port vectors (codes a to d), in file order.
Sequence OfOurVcd(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    Sequence out;
    while (std::getline(in, line)) {
        if (line.size() == 19 && line[0] == 'b' && line[18] >= 'a' && line[18] <= 'd') {
            Append(&out[static_cast<std::size_t>(line[18] - 'a')],
                   static_cast<std::uint16_t>(std::stoul(line.substr(1, 16), nullptr, 2)));
        }
    }
    return out;
}

// aq3310-rec's CSV: each row's values, after the passing level of the pulses it caught.
Sequence OfCsv(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    Sequence out;
    std::array<unsigned, 4> previous{};
    bool first = true;
    while (std::getline(in, line)) {
        std::replace(line.begin(), line.end(), ',', ' ');
        std::istringstream row(line);
        double time = 0;
        row >> time;
        for (std::size_t port = 0; port < 4; ++port) {
            unsigned value = 0;
            unsigned positive = 0;
            unsigned negative = 0;
            row >> value >> positive >> negative;
            const unsigned caught = first ? 0 : positive & negative & ~(previous[port] ^ value);
            if (caught != 0) {
                Append(&out[port], static_cast<std::uint16_t>(value ^ caught));
            }
            Append(&out[port], static_cast<std::uint16_t>(value));
            previous[port] = value;
        }
        first = false;
    }
    return out;
}

std::string ReplayScenario(const std::string& file, const std::string& more = "") {
    return "resources:\n"
           "  - name: VXI0::24::INSTR\n"
           "    slot: 24\n"
           "    manufacturer: 0xFFF\n"
           "    model: 0x154\n"
           "    module:\n"
           "      replay: {file: \"" +
           file + "\"" + more + "}\n";
}

// Every change of a file as the module plays it: the four ports after each time that moved
// them, with its time.
std::vector<std::pair<long long, std::array<std::uint16_t, 4>>> Played(const std::string& file) {
    sim::ReplayScenario scenario;
    scenario.file = file;
    sim::CReplay::Problem problem;
    const auto replay = sim::CReplay::Open(scenario, &problem);
    EXPECT_TRUE(replay) << problem.text;
    std::vector<std::pair<long long, std::array<std::uint16_t, 4>>> out;
    std::array<std::uint16_t, 4> value{};
    if (!replay || !replay->Restart(0, &value)) {
        return out;
    }
    out.push_back({0, value});
    for (long long next = replay->NextChangeUs(); next >= 0; next = replay->NextChangeUs()) {
        replay->Advance(next, [&](const sim::CReplay::Change& change) {
            value[change.port] = static_cast<std::uint16_t>((value[change.port] & ~change.mask) |
                                                            (change.bits & change.mask));
        });
        out.push_back({next, value});
    }
    EXPECT_EQ(replay->Failure(), "");
    return out;
}

class RoundTrip : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = std::filesystem::temp_directory_path() /
                   ("sfp-replay-" + std::to_string(::getpid()) + "-" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_folder);
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }
    std::string File(const std::string& name) const { return (m_folder / name).string(); }

    // Records the module of scenario for seconds, on change, into a CSV; its sequence.
    Sequence RecordOnChange(const std::string& scenario, const char* seconds) const {
        CScenarioFile file(scenario);
        const std::string csv = File("again.csv");
        const ProcessRun rec =
            RunProgram({SFP_REC_PROGRAM, "--on-change", "-d", seconds, "-o", csv});
        EXPECT_EQ(rec.exitCode, 0) << rec.output;
        return OfCsv(ReadFile(csv));
    }

    std::filesystem::path m_folder;
};

}  // namespace

TEST_F(RoundTrip, OurRecordingPlaysBackTheSameValuesAndPulses) {
    // The built-in module, and one whose inputs step every 5 ms: sampled every 50 ms, it has
    // pulses between two samples on most bits of port 0.
    const std::string builtIn = ReadFile(SFP_SOURCE_DIR "/sim/scenarios/default.yaml");
    const std::string fast =
        "resources:\n  - name: VXI0::24::INSTR\n    slot: 24\n    manufacturer: 0xFFF\n"
        "    model: 0x154\n    module:\n      step_ms: 5\n"
        "      ports: [{mode: walk, start: 0}, {mode: count, step: 3}, 0x1234]\n";
    const struct {
        const std::string& scenario;
        const char* interval;
    } kCases[] = {{builtIn, "20"}, {fast, "50"}};
    for (const auto& c : kCases) {
        const std::string first = File("first.vcd");
        {
            CScenarioFile scenario(c.scenario);
            const ProcessRun rec = RunProgram(
                {SFP_REC_PROGRAM, "--vectors", "-i", c.interval, "-d", "0.5", "-o", first});
            ASSERT_EQ(rec.exitCode, 0) << rec.output;
        }
        const Sequence recorded = OfOurVcd(ReadFile(first));
        ASSERT_GE(recorded[0].size(), 4u) << "port 0 moved";
        // Long past the recording's 0.5 s, so that a slow start on a busy machine still sees the
        // end.
        const Sequence again = RecordOnChange(ReplayScenario(first), "1.5");
        for (std::size_t port = 0; port < 4; ++port) {
            for (int bit = 0; bit < 16; ++bit) {
                EXPECT_EQ(Levels(again[port], bit), Levels(recorded[port], bit))
                    << "input " << port * 16 + static_cast<std::size_t>(bit) << " of "
                    << c.scenario;
            }
        }
        if (&c.scenario == &fast) {
            EXPECT_GT(recorded[0].size(), 20u) << "pulses pass between the samples' values";
        }
    }
}

TEST_F(RoundTrip, SigrokDemoPlaysItsValuesOnInputsZeroToSeven) {
    if (!Installed("sigrok-cli")) {
        GTEST_SKIP() << "sigrok-cli is not installed (scripts/setup installs it)";
    }
    const std::string demo = File("demo.vcd");
    const ProcessRun sigrok =
        RunProgram({"sigrok-cli", "-d", "demo", "--channels", "D0,D1,D2,D3,D4,D5,D6,D7",
                    "--samples", "80", "--config", "samplerate=20", "-O", "vcd", "-o", demo});
    ASSERT_EQ(sigrok.exitCode, 0) << sigrok.output;
    // The demo's values as its file gives them: codes ! to ( are D0 to D7.
    std::vector<std::uint16_t> expected;
    {
        std::istringstream in(ReadFile(demo).substr(ReadFile(demo).find("$enddefinitions")));
        std::string word;
        unsigned value = 0;
        while (in >> word) {
            if (word[0] == '#' && word != "#0") {
                Append(&expected, static_cast<std::uint16_t>(value));
            } else if (word.size() == 2 && (word[0] == '0' || word[0] == '1')) {
                const unsigned bit = 1u << (word[1] - '!');
                value = word[0] == '1' ? value | bit : value & ~bit;
            }
        }
    }
    ASSERT_GE(expected.size(), 20u);
    // Four times faster: 12.5 ms a sample.
    const Sequence again = RecordOnChange(ReplayScenario(demo, ", speed: 4"), "1.3");
    // The replay starts when the recorder's library loads the scenario; its first sample comes
    // after it has found the module, when the first change (12.5 ms in) may have passed.
    ASSERT_LE(again[0].size(), expected.size());
    EXPECT_GE(again[0].size() + 2, expected.size()) << "at most two values before the first sample";
    EXPECT_EQ(again[0],
              std::vector<std::uint16_t>(
                  expected.end() - static_cast<std::ptrdiff_t>(again[0].size()), expected.end()));
    EXPECT_EQ(again[1], std::vector<std::uint16_t>{0});
}

TEST_F(RoundTrip, Fst2vcdOfOurRecordingPlaysTheSame) {
    if (!Installed("vcd2fst") || !Installed("fst2vcd")) {
        GTEST_SKIP() << "GTKWave's vcd2fst and fst2vcd are not installed (package gtkwave)";
    }
    const std::string ours = File("ours.vcd");
    {
        CScenarioFile scenario(ReadFile(SFP_SOURCE_DIR "/sim/scenarios/default.yaml"));
        ASSERT_EQ(RunProgram({SFP_REC_PROGRAM, "-i", "20", "-d", "0.4", "-o", ours}).exitCode, 0);
    }
    ASSERT_EQ(RunProgram({"vcd2fst", ours, File("ours.fst")}).exitCode, 0);
    const ProcessRun back =
        RunProgram({"sh", "-c", "fst2vcd \"$0\" > \"$1\"", File("ours.fst"), File("back.vcd")});
    ASSERT_EQ(back.exitCode, 0) << back.output;
    ASSERT_NE(ReadFile(File("back.vcd")), ReadFile(ours)) << "written anew, not copied";
    const auto played = Played(ours);
    EXPECT_GE(played.size(), 4u);
    EXPECT_EQ(Played(File("back.vcd")), played);
}
