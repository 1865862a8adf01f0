#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

// What the recorder's tests share: the moving module, running a program, reading its files
// and sigrok-cli's reading of them.

// Inputs that move on every command: the walking bit of port 0 passes each bit up and down
// between two samples, so caught pulses come with every sample.
extern const char* const kMovingModule;

struct ProcessRun {
    int exitCode = -1;
    std::string output;  // standard output and error together
};

// Starts a program with its output on a pipe. onFirstOutput, when set, gets the pid as soon as
// the program has written something, before the rest is read.
ProcessRun RunProgram(const std::vector<std::string>& args, void (*onFirstOutput)(pid_t) = nullptr);

bool Installed(const char* program);

using Transitions = std::map<int, std::vector<std::pair<long long, int>>>;

// The wire changes after the first time of one of our files, per channel, in ticks from it.
Transitions OurTransitions(const std::string& vcd, int* channels);

// The same from sigrok-cli's CSV: one row per tick from the first time on.
Transitions SigrokTransitions(const std::string& csv, std::string* channelsLine);

std::string ReadFile(const std::string& path);

// A folder of its own per test, removed afterwards.
class Recorder : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override { std::filesystem::remove_all(m_folder); }
    std::string File(const std::string& name) const { return (m_folder / name).string(); }

    std::filesystem::path m_folder;
};
