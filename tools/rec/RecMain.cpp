// aq3310-rec: records the 64 inputs of one or more modules to a VCD or CSV file, written as it
// samples, without a display.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/options/CommandLine.h"
#include "instrument/Connection.h"
#include "instrument/Instrument.h"
#include "platform/native/Platform.h"
#include "recording/RecordingStream.h"
#include "tools/rec/RecDiagnosis.h"
#include "tools/rec/RecOptions.h"
#include "tools/rec/RecOutput.h"
#include "tools/rec/RecRun.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) {
    g_stop = 1;
}

// The connection procedure's messages are kept for the diagnosis; there is nobody to choose
// between several modules, so the choice is refused and the user told to name one.
class CConsolePlatform final : public IPlatform {
public:
    void MessageBox(const std::string& text) override { m_messages.push_back(text); }
    void MessageBeep() override {}
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void SetTimer(unsigned, unsigned) override {}
    void KillTimer(unsigned) override {}
    void SetTickHandler(std::function<void()>) override {}
    bool SelectInstrument(const std::vector<std::string>& names, std::string&) override {
        std::string list;
        for (const std::string& name : names) {
            list += " " + name;
        }
        m_messages.push_back("several modules found (" + list.substr(1) + "); name one with -a");
        return false;
    }
    const std::vector<std::string>& Messages() const { return m_messages; }

private:
    std::vector<std::string> m_messages;
};

std::string DateText(std::time_t when) {
    char text[64] = {};
    std::tm utc = {};
    gmtime_r(&when, &utc);
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &utc);
    return text;
}

// A VCD scope name: the slot where the module has one, else its resource name made a word.
std::string ScopeName(const CConnectionState& connection, const std::string& resource,
                      const std::vector<std::string>& taken) {
    std::string name;
    if (connection.m_nSlot > 0) {
        name = "slot" + std::to_string(connection.m_nSlot);
    } else {
        for (char c : resource.empty() ? connection.m_strResourceName : resource) {
            const bool word =
                (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
            name += word ? c : '_';
        }
    }
    const std::string base = name;
    for (int n = 2; std::find(taken.begin(), taken.end(), name) != taken.end(); ++n) {
        name = base + "_" + std::to_string(n);
    }
    return name;
}

std::string Plan(const RecOptions& options, const std::vector<std::string>& resources,
                 const std::string& output) {
    std::string text = "recording ";
    for (std::size_t i = 0; i < resources.size(); ++i) {
        text += (i == 0 ? "" : ", ") + resources[i];
    }
    text +=
        options.onChange ? ", on change" : ", every " + std::to_string(options.intervalMs) + " ms";
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%g s", options.seconds);
    char pre[32];
    std::snprintf(pre, sizeof pre, "%g s", options.preSeconds);
    if (!options.trigger.empty()) {
        text += ", waiting for " + options.trigger + " (keeping " + pre + " before it)";
        text += options.seconds > 0 ? std::string(", then ") + seconds : ", then until stopped";
    } else {
        text += options.seconds > 0 ? std::string(", for ") + seconds : ", until stopped";
    }
    if (options.channels.size() != 0 && options.channels.size() != 64) {
        text += ", " + std::to_string(options.channels.size()) + " inputs";
    }
    return text + ", to " + output;
}

}  // namespace

int main(int argc, char** argv) {
    RecOptions options;
    std::string error;
    if (!ParseRecOptions(argc - 1, argv + 1, &options, &error)) {
        std::fprintf(stderr, "aq3310-rec: %s\nTry 'aq3310-rec --help'.\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(kRecUsage, stdout);
        return 0;
    }
    if (options.version) {
        std::printf("aq3310-rec %s\n", SFP_VERSION);
        return 0;
    }
    // An interruption ends the recording with a complete file; a reader that goes away ends it
    // with a message rather than a silent death.
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    const std::time_t started = std::time(nullptr);
    const std::string path =
        options.output.empty() ? DefaultOutputName(options.format, started) : options.output;
    CRecOutput output(path);
    // Fail before looking for a module, not after, when the file cannot be written at all.
    error = output.Check();
    if (!error.empty()) {
        std::fprintf(stderr, "aq3310-rec: %s\n", error.c_str());
        return 1;
    }

    CConsolePlatform platform;
    SetPlatform(&platform);
    std::vector<std::string> wanted = options.resources;
    if (wanted.empty()) {
        wanted.push_back(std::string());  // search
    }
    std::vector<std::unique_ptr<CConnectionState>> connections;
    VcdOptions file(DateText(started), options.vectors);
    file.writer = std::string("aq3310-rec ") + SFP_VERSION;
    file.channels = options.channels;
    std::vector<std::string> names;
    for (const std::string& resource : wanted) {
        auto connection = std::make_unique<CConnectionState>(
            ConnectionOptionsFrom(CCommandLine(resource.empty() ? "" : "/a " + resource)));
        const std::size_t before = platform.Messages().size();
        connection->ConnectInstrument();
        if (connection->m_pInstrument == nullptr || !connection->m_pInstrument->IsLive()) {
            const std::vector<std::string> messages(platform.Messages().begin() + before,
                                                    platform.Messages().end());
            const std::string why = WhyNoModule(resource, connection->m_visaLibraryNames, messages);
            if (resource.empty()) {
                std::fprintf(stderr, "aq3310-rec: no module found: %s\n", why.c_str());
            } else {
                std::fprintf(stderr, "aq3310-rec: cannot record from %s: %s\n", resource.c_str(),
                             why.c_str());
            }
            connections.clear();
            SetPlatform(nullptr);
            return 1;
        }
        names.push_back(connection->m_strResourceName);
        if (wanted.size() > 1) {
            file.modules.push_back(ScopeName(*connection, resource, file.modules));
        }
        connections.push_back(std::move(connection));
    }
    std::fprintf(stderr, "aq3310-rec: %s\n", Plan(options, names, output.Name()).c_str());

    error = output.Open();
    if (!error.empty()) {
        std::fprintf(stderr, "aq3310-rec: %s\n", error.c_str());
        connections.clear();
        SetPlatform(nullptr);
        return 1;
    }
    std::vector<CInstrument*> instruments;
    std::vector<std::vector<std::string>> visaNames;
    for (const auto& connection : connections) {
        instruments.push_back(connection->m_pInstrument.get());
        visaNames.push_back(connection->m_visaLibraryNames);
    }
    const int status = RunRecording(options, file, names, instruments, visaNames, output, &g_stop,
                                    isatty(STDERR_FILENO) != 0);
    connections.clear();
    SetPlatform(nullptr);
    return status;
}
