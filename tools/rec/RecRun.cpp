#include "tools/rec/RecRun.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <ctime>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "instrument/Instrument.h"
#include "recording/RecordingStream.h"
#include "recording/SampleReader.h"
#include "recording/ServiceRequests.h"
#include "recording/Trigger.h"
#include "tools/rec/RecDiagnosis.h"
#include "tools/rec/RecOutput.h"
#include "tools/rec/SampleMerge.h"

namespace {

constexpr std::int64_t kNever = INT64_MAX;
// How often the file is handed on: a kill loses no more than this.
constexpr auto kFlushEvery = std::chrono::milliseconds(500);
// The longest a thread sleeps before it looks at the stop flag: keeps the end within 200 ms.
constexpr auto kSlice = std::chrono::milliseconds(20);

struct Shared {
    std::atomic<bool> stop{false};
    std::atomic<std::int64_t> endUs{kNever};  // each sampler's last sample is at this time
    std::mutex mutex;
    std::string failure;  // the first reading that failed

    void Fail(const std::string& why) {
        std::lock_guard<std::mutex> lock(mutex);
        if (failure.empty()) {
            failure = why;
        }
        stop = true;
    }
};

void SampleModule(int module, const std::string& name, CInstrument& instrument,
                  const std::vector<std::string>& visaNames, const RecOptions& options,
                  CSampleMerge& merge, Shared& shared) {
    CServiceRequests requests(instrument, visaNames);
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
    const std::int64_t intervalUs = options.intervalMs * std::int64_t{1000};
    std::int64_t nextUs = 0;
    for (;;) {
        const std::int64_t timeUs = merge.BeginReading(module);
        Sample sample;
        const ViStatus read = ReadSample(instrument, timeUs, &sample);
        if (read < 0) {
            const char* text = instrument.ErrorMessage(read);
            shared.Fail("reading " + name + " failed: " + VisaStatusText(read) +
                        (text ? ": " : "") + (text ? text : ""));
            break;
        }
        merge.Push(module, sample);
        if (shared.stop || timeUs >= shared.endUs) {
            break;
        }
        if (onChange) {
            // A bounded wait, so the end and signals are noticed without a request.
            const ViStatus waited = requests.Wait(50);
            if (waited < 0 && waited != VI_ERROR_TMO) {
                std::fprintf(stderr,
                             "aq3310-rec: waiting for service requests failed; "
                             "sampling every %d ms\n",
                             options.intervalMs);
                onChange = false;
            }
            continue;
        }
        nextUs = std::max(nextUs + intervalUs, timeUs);  // behind: at once, not in a burst
        for (;;) {
            const std::int64_t until = std::min<std::int64_t>(nextUs, shared.endUs);
            const std::int64_t now = merge.NowUs();
            if (now >= until || shared.stop) {
                break;
            }
            std::this_thread::sleep_for(std::min<std::chrono::microseconds>(
                std::chrono::microseconds(until - now), kSlice));
        }
    }
    requests.Disable();
    merge.Done(module);
}

std::string Seconds(std::int64_t us) {
    char text[32];
    std::snprintf(text, sizeof text, "%" PRId64 ".%06" PRId64 " s", us / 1000000, us % 1000000);
    return text;
}

std::string WallClock(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count() %
        1000;
    std::tm utc = {};
    gmtime_r(&seconds, &utc);
    char text[64] = {};
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &utc);
    std::snprintf(text + length, sizeof text - length, ".%03d UTC", static_cast<int>(ms));
    return text;
}

}  // namespace

int RunRecording(const RecOptions& options, const VcdOptions& file,
                 const std::vector<std::string>& names,
                 const std::vector<CInstrument*>& instruments,
                 const std::vector<std::vector<std::string>>& visaNames, CRecOutput& output,
                 volatile std::sig_atomic_t* stop, bool progress) {
    const int count = static_cast<int>(instruments.size());
    Shared shared;
    CTrigger trigger;
    std::string ignored;
    const bool waiting = !options.trigger.empty();
    if (waiting) {
        CTrigger::Parse(options.trigger, &trigger, &ignored);
    }
    const auto seconds = static_cast<std::int64_t>(options.seconds * 1e6);
    const auto preUs = static_cast<std::int64_t>(options.preSeconds * 1e6);
    if (!waiting && seconds > 0) {
        shared.endUs = seconds;
    }
    const auto wallStart = std::chrono::system_clock::now();
    CSampleMerge merge(count, CSampleMerge::Clock::now());
    std::vector<std::thread> threads;
    for (int module = 0; module < count; ++module) {
        threads.emplace_back(SampleModule, module, std::cref(names[module]),
                             std::ref(*instruments[module]), std::cref(visaNames[module]),
                             std::cref(options), std::ref(merge), std::ref(shared));
    }

    std::unique_ptr<IRecordingStream> stream;
    VcdOptions header = file;
    if (!waiting) {
        stream = MakeRecordingStream(options.format, header, output);
        stream->Begin();
    }
    // Before the trigger: the samples of the last --pre seconds, and per module the last one
    // before them, which gives the levels at the window's start.
    std::deque<CSampleMerge::Entry> before;
    std::vector<std::unique_ptr<Sample>> base(static_cast<std::size_t>(count));
    Sample previous;
    bool havePrevious = false;
    std::size_t written = 0;
    std::int64_t lastUs = 0;
    bool writeFailed = false;
    auto lastFlush = std::chrono::steady_clock::now();
    auto shown = lastFlush;
    auto prune = [&](std::int64_t fromUs) {
        while (!before.empty() && before.front().second.timeUs < fromUs) {
            base[static_cast<std::size_t>(before.front().first)] =
                std::make_unique<Sample>(before.front().second);
            before.pop_front();
        }
    };
    auto write = [&](int module, const Sample& sample) {
        stream->Add(module, sample);
        lastUs = std::max(lastUs, sample.timeUs);
        ++written;
    };
    for (;;) {
        const bool finished = merge.AllDone();
        for (const CSampleMerge::Entry& entry : merge.TakeReady()) {
            if (stream != nullptr) {
                write(entry.first, entry.second);
                continue;
            }
            const bool fires =
                entry.first == 0 && havePrevious && trigger.Matches(previous, entry.second);
            if (entry.first == 0) {
                previous = entry.second;
                havePrevious = true;
            }
            if (!fires) {
                before.push_back(entry);
                prune(entry.second.timeUs - preUs);
                continue;
            }
            const std::int64_t triggerUs = entry.second.timeUs;
            if (seconds > 0) {
                shared.endUs = triggerUs + seconds;
            }
            const std::int64_t windowUs = triggerUs - preUs;
            prune(windowUs);
            bool anyBase = false;
            for (const auto& sample : base) {
                anyBase = anyBase || sample != nullptr;
            }
            // The levels before the window come a little earlier than the trigger even with no
            // --pre, so that its edge shows as an edge at the time the comment gives.
            const std::int64_t baseUs = std::min(windowUs, triggerUs - 2);
            const std::int64_t originUs =
                anyBase ? baseUs : (before.empty() ? triggerUs : before.front().second.timeUs);
            const std::string when = WallClock(wallStart + std::chrono::microseconds(triggerUs));
            header.comments.push_back("trigger " + options.trigger + " at " +
                                      Seconds(triggerUs - originUs) + " (" + when + ")");
            stream = MakeRecordingStream(options.format, header, output);
            stream->Begin();
            for (int module = 0; module < count; ++module) {
                if (const auto& sample = base[static_cast<std::size_t>(module)]) {
                    Sample start = *sample;  // the levels in force; its latches are older
                    start.timeUs = baseUs;
                    start.positive = {};
                    start.negative = {};
                    write(module, start);
                }
            }
            for (const CSampleMerge::Entry& kept : before) {
                write(kept.first, kept.second);
            }
            before.clear();
            write(entry.first, entry.second);
            std::fprintf(stderr, "%saq3310-rec: triggered on %s at %s, %s into the file\n",
                         progress ? "\n" : "", options.trigger.c_str(), when.c_str(),
                         Seconds(triggerUs - originUs).c_str());
        }
        if (*stop != 0) {
            shared.stop = true;
        }
        const auto now = std::chrono::steady_clock::now();
        if (stream != nullptr && now - lastFlush >= kFlushEvery) {
            lastFlush = now;
            if (!stream->Flush()) {
                writeFailed = true;
                shared.stop = true;
            }
        }
        if (progress && now - shown >= std::chrono::milliseconds(500)) {
            shown = now;
            std::fprintf(stderr, "\r%10.1f s  %10zu samples written%s",
                         static_cast<double>(merge.NowUs()) / 1e6, written,
                         stream == nullptr ? "  (waiting for the trigger)" : "");
        }
        if (finished) {
            break;
        }
        std::this_thread::sleep_for(kSlice);
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    if (progress) {
        std::fputc('\n', stderr);
    }

    int status = 0;
    if (!shared.failure.empty()) {
        std::fprintf(stderr, "aq3310-rec: %s; stopping\n", shared.failure.c_str());
        status = 1;
    }
    const bool caught = stream != nullptr;
    if (!caught) {
        header.comments.push_back("trigger " + options.trigger + " never came");
        stream = MakeRecordingStream(options.format, header, output);
        stream->Begin();
    }
    if (!stream->Finish(lastUs) || writeFailed) {
        std::fprintf(stderr, "aq3310-rec: %s; the %llu bytes written before are kept\n",
                     output.Failure().c_str(), static_cast<unsigned long long>(output.Written()));
        return 1;
    }
    if (!caught) {
        std::fprintf(stderr, "aq3310-rec: the trigger %s never came; nothing recorded in %s\n",
                     options.trigger.c_str(), output.Name().c_str());
        return 1;
    }
    std::fprintf(stderr, "aq3310-rec: %zu samples written to %s\n", written, output.Name().c_str());
    return status;
}
