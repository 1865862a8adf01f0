#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "common/SimSupport.h"
#include "rec/RecSupport.h"
#include "tools/rec/RecOptions.h"

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
        // A link lost while recording: the resource and the status, and the samples before it.
        {"resources:\n  - {name: VXI0::24::INSTR, slot: 24, manufacturer: 0xFFF, model: 0x154,\n"
         "     module: {ports: [{mode: count, start: 0, step: 1}],\n"
         "              fail: [{command: 'MEAS:DIG:PORT?', status: VI_ERROR_CONN_LOST, "
         "skip: 12}]}}\n",
         {"-i", "10", "-o", File("lost.csv")},
         "aq3310-rec: reading VXI0::24 failed: VI_ERROR_CONN_LOST (0xBFFF00A6)"},
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
    const std::string lost = ReadFile(File("lost.csv"));
    EXPECT_EQ(std::count(lost.begin(), lost.end(), '\n'), 1 + 3)
        << "the column names and the three samples read before the link was lost: " << lost;

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
