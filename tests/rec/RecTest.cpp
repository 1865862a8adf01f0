#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "common/SimSupport.h"
#include "tools/rec/RecOptions.h"

extern char** environ;

namespace {

// Inputs that move on every command: the walking bit of port 0 passes each bit up and down
// between two samples, so caught pulses come with every sample.
const char* const kMovingModule = R"(resources:
  - name: VXI0::24::INSTR
    slot: 24
    manufacturer: 0xFFF
    model: 0x154
    module:
      ports:
        - {mode: walk, start: 0}
        - {mode: count, start: 0, step: 1}
        - 0xA5A5
        - {mode: random, seed: 7, mask: 0x0F0F}
)";

struct ProcessRun {
    int exitCode = -1;
    std::string output;  // standard output and error together
};

// Starts a program with its output on a pipe. onFirstOutput, when set, gets the pid as soon as
// the program has written something, before the rest is read.
ProcessRun RunProgram(const std::vector<std::string>& args,
                      void (*onFirstOutput)(pid_t) = nullptr) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) {
        return {};
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 2);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    ProcessRun run;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (spawned != 0) {
        ::close(pipeEnds[0]);
        return run;
    }
    char buffer[4096];
    ssize_t got = 0;
    bool first = true;
    while ((got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0) {
        run.output.append(buffer, static_cast<std::size_t>(got));
        if (first && onFirstOutput != nullptr) {
            first = false;
            onFirstOutput(pid);
        }
    }
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

bool Installed(const char* program) {
    return RunProgram({"sh", "-c", std::string("command -v ") + program}).exitCode == 0;
}

using Transitions = std::map<int, std::vector<std::pair<long long, int>>>;

// The wire changes after the first time of one of our files, per channel, in ticks from it.
Transitions OurTransitions(const std::string& vcd, int* channels) {
    std::istringstream in(vcd);
    std::string line;
    Transitions out;
    long long first = -1;
    long long now = 0;
    bool body = false;
    *channels = 0;
    while (std::getline(in, line)) {
        if (!body) {
            *channels += line.rfind("$var wire 1 ", 0) == 0;
            body = line == "$enddefinitions $end";
        } else if (!line.empty() && line[0] == '#') {
            now = std::stoll(line.substr(1));
            first = first < 0 ? now : first;
        } else if (line.size() == 2 && (line[0] == '0' || line[0] == '1') && now != first) {
            out[line[1] - '!'].push_back({now - first, line[0] - '0'});
        }
    }
    return out;
}

// The same from sigrok-cli's CSV: one row per tick from the first time on.
Transitions SigrokTransitions(const std::string& csv, std::string* channelsLine) {
    std::istringstream in(csv);
    std::string line;
    Transitions out;
    std::vector<int> previous;
    long long row = 0;
    while (std::getline(in, line)) {
        if (line.rfind("; Channels", 0) == 0) {
            *channelsLine = line.substr(0, line.find(':'));
        }
        if (line.empty() || (line[0] != '0' && line[0] != '1')) {
            continue;
        }
        std::vector<int> levels;
        for (std::size_t i = 0; i < line.size(); i += 2) {
            levels.push_back(line[i] - '0');
        }
        for (std::size_t c = 0; c < levels.size() && !previous.empty(); ++c) {
            if (levels[c] != previous[c]) {
                out[static_cast<int>(c)].push_back({row, levels[c]});
            }
        }
        previous = levels;
        ++row;
    }
    return out;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class Recorder : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = std::filesystem::temp_directory_path() /
                   ("sfp-rec-" + std::to_string(::getpid()) + "-" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_folder);
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }
    std::string File(const std::string& name) const { return (m_folder / name).string(); }

    std::filesystem::path m_folder;
};

}  // namespace

TEST_F(Recorder, SigrokReadsTheSameTransitionsAndVcd2fstConvertsWithoutAWarning) {
    if (!Installed("sigrok-cli") || !Installed("vcd2fst")) {
        GTEST_SKIP() << "sigrok-cli or vcd2fst is not installed (scripts/setup installs them)";
    }
    CScenarioFile scenario(kMovingModule);
    const std::string wires = File("wires.vcd");
    const ProcessRun rec =
        RunProgram({SFP_REC_PROGRAM, "-i", "10", "-d", "0.2", "--no-vectors", "-o", wires});
    ASSERT_EQ(rec.exitCode, 0) << rec.output;
    int channels = 0;
    const Transitions ours = OurTransitions(ReadFile(wires), &channels);
    EXPECT_EQ(channels, 64);
    // Port 0's walking bit gives pulses: a change and its return one tick later.
    bool pulse = false;
    for (const auto& change : ours.at(0)) {
        for (const auto& other : ours.at(0)) {
            pulse = pulse || other.first == change.first + 1;
        }
    }
    EXPECT_TRUE(pulse) << "no pulse caught between samples on ch0";
    EXPECT_EQ(ours.count(32), 0u) << "port 2 is fixed";

    const ProcessRun sigrok = RunProgram({"sigrok-cli", "-I", "vcd", "-i", wires, "-O", "csv"});
    ASSERT_EQ(sigrok.exitCode, 0) << sigrok.output.substr(0, 2000);
    std::string channelsLine;
    const Transitions theirs = SigrokTransitions(sigrok.output, &channelsLine);
    EXPECT_EQ(channelsLine, "; Channels (64/64)");
    EXPECT_EQ(theirs, ours);

    // With the port vectors, as the program writes by default.
    const std::string full = File("full.vcd");
    ASSERT_EQ(RunProgram({SFP_REC_PROGRAM, "-i", "10", "-d", "0.1", "-o", full}).exitCode, 0);
    EXPECT_NE(ReadFile(full).find("$var wire 16 a port0 [15:0] $end"), std::string::npos);
    const ProcessRun fst = RunProgram({"vcd2fst", full, File("full.fst")});
    EXPECT_EQ(fst.exitCode, 0) << fst.output;
    EXPECT_EQ(fst.output.find("arn"), std::string::npos) << fst.output;  // Warning, warning
    EXPECT_GT(std::filesystem::file_size(File("full.fst")), 0u);
}

TEST_F(Recorder, ATerminatedRecordingIsACompleteFile) {
    CScenarioFile scenario(kMovingModule);
    const std::string csv = File("term.csv");
    // Terminated as soon as it says it records: no duration, so only the signal ends it.
    const ProcessRun rec = RunProgram({SFP_REC_PROGRAM, "-i", "10", "-o", csv},
                                      [](pid_t pid) { ::kill(pid, SIGTERM); });
    ASSERT_EQ(rec.exitCode, 0) << rec.output;
    const std::string text = ReadFile(csv);
    ASSERT_EQ(text.rfind("time_s,port0,pos0,neg0,port1", 0), 0u) << text;
    EXPECT_EQ(text.back(), '\n');
    std::istringstream rows(text);
    std::string row;
    std::getline(rows, row);
    int count = 0;
    while (std::getline(rows, row)) {
        ++count;
        EXPECT_EQ(std::count(row.begin(), row.end(), ','), 12) << row;
    }
    EXPECT_GE(count, 1);
}

TEST_F(Recorder, FailsClearlyWithoutAModuleOrAWritableFile) {
    struct Case {
        std::string scenario;
        std::vector<std::string> args;
        std::string message;
    };
    const std::string unwritable = File("missing-folder") + "/x.vcd";
    const Case cases[] = {
        {"resources: []\n", {"-d", "0.1", "-o", File("none.vcd")}, "aq3310-rec: no module found"},
        {kMovingModule,
         {"-d", "0.1", "-o", unwritable},
         "aq3310-rec: cannot write " + unwritable + ": No such file or directory"},
        {kMovingModule, {"-i", "5"}, "-i takes a whole number of milliseconds from 10 to 10000"},
        {kMovingModule, {"--format", "txt"}, "--format takes vcd or csv"},
    };
    for (const Case& c : cases) {
        CScenarioFile scenario(c.scenario);
        std::vector<std::string> args = {SFP_REC_PROGRAM};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ProcessRun rec = RunProgram(args);
        EXPECT_NE(rec.exitCode, 0) << c.message;
        EXPECT_NE(rec.output.find(c.message), std::string::npos) << rec.output;
    }
    EXPECT_FALSE(std::filesystem::exists(File("none.vcd"))) << "no empty file left behind";
}

TEST(RecOptions, FormatFollowsTheFileNameUnlessGiven) {
    struct Case {
        std::vector<const char*> args;
        RecordingFormat format;
        std::string output;
        bool onChange;
    };
    const Case cases[] = {
        {{}, RecordingFormat::Vcd, "aq3310.vcd", false},
        {{"-o", "run.CSV"}, RecordingFormat::Csv, "run.CSV", false},
        {{"--format", "csv"}, RecordingFormat::Csv, "aq3310.csv", false},
        {{"-o", "x.csv", "--format", "vcd", "--on-change"}, RecordingFormat::Vcd, "x.csv", true},
    };
    for (const Case& c : cases) {
        RecOptions options;
        std::string error;
        ASSERT_TRUE(
            ParseRecOptions(static_cast<int>(c.args.size()), c.args.data(), &options, &error))
            << error;
        EXPECT_EQ(options.format, c.format) << c.output;
        EXPECT_EQ(options.output, c.output);
        EXPECT_EQ(options.onChange, c.onChange);
    }
    RecOptions options;
    std::string error;
    const char* both[] = {"-i", "50", "--on-change"};
    EXPECT_FALSE(ParseRecOptions(3, both, &options, &error));
    EXPECT_EQ(error, "-i and --on-change exclude each other");
}
