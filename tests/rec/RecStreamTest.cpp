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
