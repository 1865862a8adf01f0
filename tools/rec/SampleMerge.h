#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "recording/Sample.h"

// Where the sampling threads of several modules hand their samples to the writer, on one
// clock. A sample is released only when no module can still produce an earlier one: a module
// that is reading holds the release back to its reading's time, an idle one to now. So the
// file is written in time order however long one module's reading takes.
class CSampleMerge {
public:
    using Clock = std::chrono::steady_clock;
    using Entry = std::pair<int, Sample>;  // module, sample

    CSampleMerge(int modules, Clock::time_point start);

    // The time of the reading a module starts now, in microseconds from the start.
    std::int64_t BeginReading(int module);
    void Push(int module, const Sample& sample);
    // The module takes no more samples (it ended or failed).
    void Done(int module);
    // The samples that no later one can precede, oldest first; all of them when every module
    // is done.
    std::vector<Entry> TakeReady();
    bool AllDone() const;
    std::int64_t NowUs() const;

private:
    struct Module {
        bool reading = false;
        bool done = false;
        std::int64_t readingUs = 0;
    };
    mutable std::mutex m_mutex;
    Clock::time_point m_start;
    std::vector<Module> m_modules;
    std::vector<Entry> m_pending;
};
