// aq3310-rec: records the module's 64 inputs to a VCD or CSV file, without a display.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "instrument/Connection.h"
#include "instrument/Instrument.h"
#include "platform/native/Platform.h"
#include "recording/Recording.h"
#include "recording/RecordingFile.h"
#include "recording/SampleReader.h"
#include "recording/ServiceRequests.h"
#include "tools/rec/RecOptions.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) {
    g_stop = 1;
}

// The connection procedure's messages go to standard error; there is nobody to choose between
// several modules, so the choice is refused and the user told to name one.
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

std::string DateText() {
    const std::time_t now = std::time(nullptr);
    char text[64] = {};
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", std::gmtime(&now));
    return text;
}

using Clock = std::chrono::steady_clock;

std::int64_t MicrosecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
}

// Sleeps until a time, waking often enough to notice a signal.
void SleepUntil(Clock::time_point until) {
    while (g_stop == 0) {
        const Clock::time_point now = Clock::now();
        if (now >= until) {
            return;
        }
        std::this_thread::sleep_for(
            std::min<Clock::duration>(until - now, std::chrono::milliseconds(50)));
    }
}

void Progress(const CRecording& recording, std::int64_t elapsedUs, bool final) {
    std::fprintf(stderr, "\r%10.1f s  %10zu samples  %10zu changes%s",
                 static_cast<double>(elapsedUs) / 1e6, recording.SampleCount(),
                 recording.EdgeCount(), final ? "\n" : "");
}

}  // namespace

int main(int argc, char** argv) {
    RecOptions options;
    std::string error;
    if (!ParseRecOptions(argc - 1, argv + 1, &options, &error)) {
        std::fprintf(stderr, "aq3310-rec: %s\n%s", error.c_str(), kRecUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(kRecUsage, stdout);
        return 0;
    }
    // From here on an interruption ends the recording with a complete file.
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    const VcdOptions vcd{DateText(), options.vectors};
    CRecording recording;
    // Fail before recording, not after, when the file cannot be written at all.
    error = SaveRecording(recording, options.output, options.format, vcd);
    if (!error.empty()) {
        std::fprintf(stderr, "aq3310-rec: %s\n", error.c_str());
        return 1;
    }

    CConsolePlatform platform;
    SetPlatform(&platform);
    CConnectionState connection(options.resource.empty() ? "" : "/a " + options.resource);
    connection.ConnectInstrument();
    if (connection.m_pInstrument == nullptr || !connection.m_pInstrument->IsLive()) {
        std::string why;
        for (std::string message : platform.Messages()) {
            // The connection's texts are the panel's; there is no panel to fall back to here.
            const std::string::size_type fallback = message.find("Creating non live panel.");
            if (fallback != std::string::npos) {
                message = message.substr(0, message.find_last_not_of(' ', fallback - 1) + 1);
            }
            why += (why.empty() ? "" : "; ") + message;
        }
        std::fprintf(stderr, "aq3310-rec: no module found%s%s\n", why.empty() ? "" : ": ",
                     why.c_str());
        std::remove(options.output.c_str());
        SetPlatform(nullptr);
        return 1;
    }
    CInstrument& instrument = *connection.m_pInstrument;
    std::fprintf(stderr, "aq3310-rec: recording %s to %s\n", connection.m_strResourceName.c_str(),
                 options.output.c_str());

    CServiceRequests requests(instrument, connection.m_visaLibraryNames);
    bool onChange = false;
    if (options.onChange) {
        if (requests.Available() && requests.Enable() >= 0) {
            onChange = true;
        } else {
            std::fprintf(stderr, "aq3310-rec: no sampling on change (%s); sampling every %d ms\n",
                         requests.Available() ? "service requests could not be enabled"
                                              : requests.Reason().c_str(),
                         options.intervalMs);
        }
    }

    const bool tty = isatty(STDERR_FILENO) != 0;
    const Clock::time_point start = Clock::now();
    const auto interval = std::chrono::milliseconds(options.intervalMs);
    const auto limitUs = static_cast<std::int64_t>(options.seconds * 1e6);
    Clock::time_point next = start;
    Clock::time_point shown = start;
    int status = 0;
    // At least one sample, so that even an early interruption leaves the inputs' state.
    for (;;) {
        const std::int64_t nowUs = MicrosecondsSince(start);
        Sample sample;
        const ViStatus read = ReadSample(instrument, nowUs, &sample);
        if (read < 0) {
            const char* text = instrument.ErrorMessage(read);
            std::fprintf(stderr, "%saq3310-rec: reading failed (status 0x%08X%s%s); stopping\n",
                         tty ? "\n" : "", static_cast<unsigned>(read), text ? ": " : "",
                         text ? text : "");
            status = 1;
            break;
        }
        recording.Append(sample);
        if (tty && Clock::now() - shown >= std::chrono::milliseconds(500)) {
            shown = Clock::now();
            Progress(recording, nowUs, false);
        }
        if (g_stop != 0 || (options.seconds > 0 && nowUs >= limitUs)) {
            break;
        }
        if (onChange) {
            // A bounded wait, so the duration and signals are noticed without a request.
            const ViStatus waited = requests.Wait(200);
            if (waited < 0 && waited != VI_ERROR_TMO) {
                std::fprintf(stderr,
                             "aq3310-rec: waiting for service requests failed; "
                             "sampling every %d ms\n",
                             options.intervalMs);
                onChange = false;
                next = Clock::now();
            }
            continue;
        }
        next += interval;
        const Clock::time_point now = Clock::now();
        if (next < now) {
            next = now;  // behind: sample at once rather than in a burst
        }
        if (options.seconds > 0) {
            next = std::min(next, start + std::chrono::microseconds(limitUs));
        }
        SleepUntil(next);
    }
    requests.Disable();
    if (tty) {
        Progress(recording, recording.EndUs(), true);
    }
    error = SaveRecording(recording, options.output, options.format, vcd);
    if (!error.empty()) {
        std::fprintf(stderr, "aq3310-rec: %s\n", error.c_str());
        status = 1;
    } else {
        std::fprintf(stderr, "aq3310-rec: %zu samples, %zu changes written to %s\n",
                     recording.SampleCount(), recording.EdgeCount(), options.output.c_str());
    }
    connection.m_pInstrument.reset();
    SetPlatform(nullptr);
    return status;
}
