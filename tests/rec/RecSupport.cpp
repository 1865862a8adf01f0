#include "rec/RecSupport.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

extern char** environ;

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

ProcessRun RunProgram(const std::vector<std::string>& args, void (*onFirstOutput)(pid_t)) {
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

void Recorder::SetUp() {
    m_folder = std::filesystem::temp_directory_path() /
               ("sfp-rec-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(m_folder);
}
