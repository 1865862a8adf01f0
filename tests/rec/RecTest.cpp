#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
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
    // The default file: wires only, which libsigrok reads to the end.
    const ProcessRun rec = RunProgram({SFP_REC_PROGRAM, "-i", "10", "-d", "0.2", "-o", wires});
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

    // With the port vectors, when asked for.
    const std::string full = File("full.vcd");
    ASSERT_EQ(
        RunProgram({SFP_REC_PROGRAM, "-i", "10", "-d", "0.1", "--vectors", "-o", full}).exitCode,
        0);
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
        // A file that was there before is left as it was, whatever the failure.
        {"resources: []\n", {"-d", "0.1", "-o", File("kept.vcd")}, "no module found"},
        {kMovingModule,
         {"-a", "VXI0::9::INSTR", "-d", "0.1", "-o", File("kept.vcd")},
         "aq3310-rec: cannot record from VXI0::9::INSTR: opening VXI0::9::INSTR failed: "
         "VI_ERROR_RSRC_NFOUND (0xBFFF0011)"},
        // A full disk: what was written stays, the program says so and fails.
        {kMovingModule,
         {"-d", "0.1", "-o", "/dev/full"},
         "aq3310-rec: cannot write /dev/full: No space left on device; the 0 bytes"},
        {kMovingModule,
         {"-d", "0.1", "-o", unwritable},
         "aq3310-rec: cannot write " + unwritable + ": No such file or directory"},
        {kMovingModule, {"-i", "5"}, "-i takes a whole number of milliseconds from 10 to 10000"},
        {kMovingModule, {"--format", "txt"}, "--format takes vcd or csv"},
    };
    std::ofstream(File("kept.vcd")) << "a file of the user's\n";
    for (const Case& c : cases) {
        CScenarioFile scenario(c.scenario);
        std::vector<std::string> args = {SFP_REC_PROGRAM};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ProcessRun rec = RunProgram(args);
        EXPECT_NE(rec.exitCode, 0) << c.message;
        EXPECT_NE(rec.output.find(c.message), std::string::npos) << rec.output;
    }
    EXPECT_FALSE(std::filesystem::exists(File("none.vcd"))) << "no empty file left behind";
    EXPECT_EQ(ReadFile(File("kept.vcd")), "a file of the user's\n");
    EXPECT_TRUE(std::filesystem::exists("/dev/full"));

    // No VISA at all: the library's name and the way to the simulated module.
    CScenarioFile scenario(kMovingModule);
    const ProcessRun bare = RunProgram({"env", "LD_LIBRARY_PATH=", SFP_REC_PROGRAM, "-d", "0.1"});
    EXPECT_EQ(bare.exitCode, 1);
    EXPECT_NE(bare.output.find("no VISA library found (looked for libvisa.so"), std::string::npos)
        << bare.output;
    EXPECT_NE(bare.output.find("aq3310-rec-sim"), std::string::npos) << bare.output;
    EXPECT_EQ(bare.output.find("non live panel"), std::string::npos) << bare.output;
}

TEST(RecOptions, FormatFollowsTheFileNameUnlessGiven) {
    struct Case {
        std::vector<const char*> args;
        RecordingFormat format;
        std::string output;
        bool onChange;
    };
    const Case cases[] = {
        {{}, RecordingFormat::Vcd, "", false},
        {{"-o", "run.CSV"}, RecordingFormat::Csv, "run.CSV", false},
        {{"--format", "csv"}, RecordingFormat::Csv, "", false},
        {{"-o", "-", "--format", "csv"}, RecordingFormat::Csv, "-", false},
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
    const char* pre[] = {"--pre", "2"};
    EXPECT_FALSE(ParseRecOptions(2, pre, &options, &error));
    EXPECT_EQ(error, "--pre needs a trigger (-t)");
    const char* bad[] = {"-C", "0-64"};
    EXPECT_FALSE(ParseRecOptions(2, bad, &options, &error));
    EXPECT_EQ(error.rfind("-C: bad channel \"0-64\"", 0), 0u) << error;

    // Two runs a second apart never share a default name.
    const std::time_t when = 1700000000;
    const std::string first = DefaultOutputName(RecordingFormat::Vcd, when);
    EXPECT_NE(first, DefaultOutputName(RecordingFormat::Vcd, when + 1));
    EXPECT_EQ(first.rfind("aq3310-", 0), 0u);
    EXPECT_EQ(first.size(), std::string("aq3310-20231114-221320.vcd").size()) << first;
    EXPECT_EQ(DefaultOutputName(RecordingFormat::Csv, when).substr(first.size() - 4), ".csv");
}

namespace {

const char* g_watched = nullptr;

// The first file time of a VCD at or past 0.6 s: two flushes have happened by then.
bool HoldsMoreThanHalfASecond(const std::string& vcd) {
    std::istringstream in(vcd);
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() > 1 && line[0] == '#' && std::stoll(line.substr(1)) >= 600000) {
            return true;
        }
    }
    return false;
}

// Kills the recorder once its file shows it writes as it records (bounded: 10 s).
void KillWhenWritten(pid_t pid) {
    for (int i = 0; i < 500 && !HoldsMoreThanHalfASecond(ReadFile(g_watched)); ++i) {
        ::poll(nullptr, 0, 20);
    }
    ::kill(pid, SIGKILL);
}

// The value of "$comment\n    trigger COND at S s (...)" in microseconds; -1 without one.
long long TriggerTimeUs(const std::string& vcd) {
    const std::string::size_type at = vcd.find(" at ", vcd.find("$comment\n    trigger "));
    if (at == std::string::npos || vcd.find("$comment") == std::string::npos) {
        return -1;
    }
    return std::llround(std::stod(vcd.substr(at + 4)) * 1e6);
}

}  // namespace

// What reached the file before a SIGKILL is a recording every reader takes, as it stands. One
// input, so that only the regular flushes, not a full buffer, bring the samples out.
TEST_F(Recorder, AKilledRecordingReadsBackUpToItsLastSecond) {
    if (!Installed("sigrok-cli") || !Installed("vcd2fst")) {
        GTEST_SKIP() << "sigrok-cli or vcd2fst is not installed (scripts/setup installs them)";
    }
    CScenarioFile scenario(kMovingModule);
    const std::string killed = File("killed.vcd");
    g_watched = killed.c_str();
    const ProcessRun rec =
        RunProgram({SFP_REC_PROGRAM, "-i", "10", "-C", "16", "-o", killed}, KillWhenWritten);
    ASSERT_EQ(rec.exitCode, 128 + SIGKILL) << rec.output;
    const std::string text = ReadFile(killed);
    ASSERT_TRUE(HoldsMoreThanHalfASecond(text)) << text.substr(0, 2000);
    int channels = 0;
    const Transitions ours = OurTransitions(text, &channels);
    EXPECT_EQ(channels, 1);
    const ProcessRun sigrok = RunProgram({"sigrok-cli", "-I", "vcd", "-i", killed, "-O", "csv"});
    ASSERT_EQ(sigrok.exitCode, 0) << sigrok.output.substr(0, 2000);
    std::string channelsLine;
    const Transitions theirs = SigrokTransitions(sigrok.output, &channelsLine);
    EXPECT_EQ(channelsLine, "; Channels (1/1)");
    // The last change may be cut off by the kill in the middle of its lines; the rest agree.
    ASSERT_FALSE(ours.at(16).empty());
    ASSERT_FALSE(theirs.at(0).empty());
    EXPECT_EQ(theirs.at(0).front(), ours.at(16).front());
    EXPECT_GE(theirs.at(0).size() + 1, ours.at(16).size());
    const ProcessRun fst = RunProgram({"vcd2fst", killed, File("killed.fst")});
    EXPECT_EQ(fst.exitCode, 0) << fst.output;
}

// -t waits for the condition; the file starts --pre before it at time 0, says when it fired,
// and holds only the -C inputs, which sigrok-cli reads.
TEST_F(Recorder, ATriggeredSubsetStartsBeforeItsTriggerAndSigrokReadsIt) {
    if (!Installed("sigrok-cli")) {
        GTEST_SKIP() << "sigrok-cli is not installed (scripts/setup installs it)";
    }
    CScenarioFile scenario(kMovingModule);
    const std::string vcd = File("trig.vcd");
    const ProcessRun rec = RunProgram({SFP_REC_PROGRAM, "-i", "10", "-t", "ch2=r", "--pre", "0.05",
                                       "-d", "0.1", "-C", "ch0-2", "-o", vcd});
    ASSERT_EQ(rec.exitCode, 0) << rec.output;
    EXPECT_NE(rec.output.find("waiting for ch2=r (keeping 0.05 s before it), then 0.1 s"),
              std::string::npos)
        << rec.output;
    EXPECT_NE(rec.output.find("aq3310-rec: triggered on ch2=r at "), std::string::npos)
        << rec.output;
    const std::string text = ReadFile(vcd);
    const long long triggerUs = TriggerTimeUs(text);
    ASSERT_GE(triggerUs, 0) << text.substr(0, 600);
    EXPECT_GT(triggerUs, 0) << "the samples before the trigger are kept";
    EXPECT_LE(triggerUs, 50000) << "no more than --pre before the trigger";
    EXPECT_NE(text.find("#0\n$dumpvars\n"), std::string::npos) << "time 0 at the first sample";
    int channels = 0;
    const Transitions ours = OurTransitions(text, &channels);
    EXPECT_EQ(channels, 3);
    // ch2 rises at the trigger, or its caught pulse ends there a tick later.
    const auto& ch2 = ours.at(2);
    const bool rises =
        std::find(ch2.begin(), ch2.end(), std::make_pair(triggerUs, 1)) != ch2.end() ||
        std::find(ch2.begin(), ch2.end(), std::make_pair(triggerUs + 1, 1)) != ch2.end();
    EXPECT_TRUE(rises) << "no rising edge of ch2 at " << triggerUs;
    EXPECT_GE(ch2.back().first, triggerUs + 50000) << "-d counts from the trigger";

    const ProcessRun sigrok = RunProgram({"sigrok-cli", "-I", "vcd", "-i", vcd, "-O", "csv"});
    ASSERT_EQ(sigrok.exitCode, 0) << sigrok.output.substr(0, 2000);
    std::string channelsLine;
    EXPECT_EQ(SigrokTransitions(sigrok.output, &channelsLine), ours);
    EXPECT_EQ(channelsLine, "; Channels (3/3)");
}

// A FIFO with nobody reading is not opened until there is a module to record: without one
// the program ends at once. Standard output takes the recording as a stream.
TEST_F(Recorder, StreamsGoToStandardOutputAndFifosWithoutBlocking) {
    const std::string fifo = File("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    {
        CScenarioFile scenario("resources: []\n");
        const ProcessRun rec = RunProgram({"timeout", "20", SFP_REC_PROGRAM, "-o", fifo});
        EXPECT_EQ(rec.exitCode, 1) << rec.output;
        EXPECT_NE(rec.output.find("no module found"), std::string::npos) << rec.output;
    }
    CScenarioFile scenario(kMovingModule);
    const ProcessRun rec =
        RunProgram({"sh", "-c", std::string(SFP_REC_PROGRAM) + " -i 10 -d 0.1 -o - 2>/dev/null"});
    EXPECT_EQ(rec.exitCode, 0);
    EXPECT_EQ(rec.output.rfind("$date\n", 0), 0u) << rec.output.substr(0, 300);
    EXPECT_NE(rec.output.find("$enddefinitions $end\n#0\n$dumpvars\n"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists("-"));
}

// Two modules in one file: a scope each, named after the slot, on one time base.
TEST_F(Recorder, TwoModulesShareOneFileInScopesOfTheirOwn) {
    std::string twoModules = kMovingModule;
    std::string second = twoModules.substr(twoModules.find("  - name"));
    for (const auto& [from, to] :
         {std::pair<std::string, std::string>{"VXI0::24", "VXI0::25"}, {"slot: 24", "slot: 25"}}) {
        second.replace(second.find(from), from.size(), to);
    }
    CScenarioFile scenario(twoModules + second);
    const std::string vcd = File("two.vcd");
    const ProcessRun rec = RunProgram({SFP_REC_PROGRAM, "-a", "VXI0::24::INSTR", "-a",
                                       "VXI0::25::INSTR", "-i", "10", "-d", "0.2", "-o", vcd});
    ASSERT_EQ(rec.exitCode, 0) << rec.output;
    const std::string text = ReadFile(vcd);
    const std::string::size_type first = text.find("$scope module slot24 $end");
    const std::string::size_type other = text.find("$scope module slot25 $end");
    ASSERT_NE(first, std::string::npos) << text.substr(0, 600);
    ASSERT_NE(other, std::string::npos) << text.substr(0, 600);
    // Each wire has its own identifier across both modules.
    std::istringstream in(text);
    std::string line;
    std::map<std::string, int> ids;
    long long last = -1;
    bool ordered = true;
    while (std::getline(in, line)) {
        if (line.rfind("$var wire 1 ", 0) == 0) {
            ++ids[line.substr(12, line.find(' ', 12) - 12)];
        } else if (line.size() > 1 && line[0] == '#') {
            const long long now = std::stoll(line.substr(1));
            ordered = ordered && now > last;
            last = now;
        }
    }
    EXPECT_EQ(ids.size(), 128u);
    EXPECT_TRUE(ordered) << "times go forward across both modules";
    // Both modules' port 1 counts: each has changes of its own.
    EXPECT_NE(text.find("\n1" + std::string(1, char('!' + 16)) + "\n"), std::string::npos);
    if (Installed("vcd2fst")) {
        const ProcessRun fst = RunProgram({"vcd2fst", vcd, File("two.fst")});
        EXPECT_EQ(fst.exitCode, 0) << fst.output;
        EXPECT_EQ(fst.output.find("arn"), std::string::npos) << fst.output;
    }
}

// --help and --version on standard output with status 0; the panel opens no window for them.
TEST(Programs, AnswerHelpAndVersionOnTheTerminal) {
    std::vector<std::pair<std::string, std::vector<std::string>>> programs = {
        {SFP_REC_PROGRAM,
         {"-a", "-i", "--on-change", "-d", "-o", "--format", "-C", "-t", "--pre", "--vectors",
          "-h, --help", "-V, --version"}},
        {SFP_PANEL_PROGRAM, {"/a", "/n", "/r", "-h, --help", "-V, --version"}},
#ifdef SFP_SIMD_PROGRAM
        {SFP_SIMD_PROGRAM, {"--scenario", "--listen", "--verbose", "-h, --help", "-V, --version"}},
#endif
    };
    for (const auto& [program, options] : programs) {
        const std::string name = std::filesystem::path(program).filename().string();
        // No display at all: the panel must not need one to answer.
        const ProcessRun help =
            RunProgram({"env", "-u", "DISPLAY", "-u", "QT_QPA_PLATFORM", program, "--help"});
        EXPECT_EQ(help.exitCode, 0) << help.output;
        EXPECT_EQ(help.output.rfind("Usage: " + name + " ", 0), 0u) << help.output;
        for (const std::string& option : options) {
            EXPECT_NE(help.output.find("\n  " + option + " "), std::string::npos)
                << name << " " << option;
        }
        for (const char* flag : {"-V", "--version"}) {
            const ProcessRun version = RunProgram({program, flag});
            EXPECT_EQ(version.exitCode, 0);
            EXPECT_EQ(version.output, name + " " SFP_VERSION_TEXT "\n");
        }
    }
    // The help goes to standard output: a pager or a file gets it.
    const ProcessRun quiet =
        RunProgram({"sh", "-c", std::string(SFP_REC_PROGRAM) + " --help 2>/dev/null | head -1"});
    EXPECT_EQ(quiet.output, "Usage: aq3310-rec [OPTION]...\n");
}
