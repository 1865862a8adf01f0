#include "tools/rec/SampleMerge.h"

#include <algorithm>

CSampleMerge::CSampleMerge(int modules, Clock::time_point start)
    : m_start(start), m_modules(static_cast<std::size_t>(modules)) {}

std::int64_t CSampleMerge::NowUs() const {
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - m_start).count();
}

std::int64_t CSampleMerge::BeginReading(int module) {
    std::lock_guard<std::mutex> lock(m_mutex);
    // Taken under the lock, so that TakeReady never releases past a reading just begun.
    Module& state = m_modules[static_cast<std::size_t>(module)];
    state.reading = true;
    state.readingUs = NowUs();
    return state.readingUs;
}

void CSampleMerge::Push(int module, const Sample& sample) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_modules[static_cast<std::size_t>(module)].reading = false;
    m_pending.emplace_back(module, sample);
}

void CSampleMerge::Done(int module) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Module& state = m_modules[static_cast<std::size_t>(module)];
    state.reading = false;
    state.done = true;
}

bool CSampleMerge::AllDone() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return std::all_of(m_modules.begin(), m_modules.end(),
                       [](const Module& module) { return module.done; });
}

std::vector<CSampleMerge::Entry> CSampleMerge::TakeReady() {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::int64_t release = NowUs();
    bool allDone = true;
    for (const Module& module : m_modules) {
        allDone = allDone && module.done;
        if (module.reading) {
            release = std::min(release, module.readingUs);
        }
    }
    // Each module's samples are in order already; a stable sort keeps them so at equal times.
    std::stable_sort(m_pending.begin(), m_pending.end(), [](const Entry& a, const Entry& b) {
        return a.second.timeUs < b.second.timeUs;
    });
    const auto end = std::find_if(
        m_pending.begin(), m_pending.end(),
        [release, allDone](const Entry& e) { return !allDone && e.second.timeUs >= release; });
    std::vector<Entry> ready(m_pending.begin(), end);
    m_pending.erase(m_pending.begin(), end);
    return ready;
}
