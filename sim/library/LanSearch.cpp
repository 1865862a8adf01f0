#include "sim/library/LanSearch.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include "sim/core/LanConfig.h"
#include "sim/core/RemoteLink.h"
#include "sim/core/VisaPattern.h"

namespace sim {

namespace {

// Hosts a LAN search asks at once.
constexpr std::size_t kSearchThreads = 16;

}  // namespace

void SplitTcpipName(const std::string& canonical, std::string* host, std::string* device) {
    const std::string::size_type first = canonical.find("::");
    const std::string::size_type second = canonical.find("::", first + 2);
    const std::string::size_type third = canonical.find("::", second + 2);
    *host = canonical.substr(first + 2, second - first - 2);
    *device = canonical.substr(second + 2, third - second - 2);
}

std::vector<std::string> FindLan(const std::string& expression) {
    const LanConfig config = ReadLanConfig();
    std::vector<std::string> names;
    for (const std::string& name : config.instruments) {
        if (MatchVisaPattern(expression, name) == PatternResult::Match) {
            names.push_back(name);
        }
    }
    // Hosts are asked kSearchThreads at a time: a search costs one time-out per that many
    // hosts that do not answer, and a long list costs no more threads than that. Whatever goes
    // wrong here (no thread, no memory) costs the network part only, never the local list.
    std::vector<char> answered(names.size(), 0);
    std::atomic<std::size_t> next{0};
    const auto ask = [&] {
        for (std::size_t i = next++; i < names.size(); i = next++) {
            std::string host;
            std::string device;
            SplitTcpipName(names[i], &host, &device);
            ViStatus status = VI_SUCCESS;
            answered[i] =
                CRemoteLink::Open(host, device, config.timeoutMs, false, 0, &status) != nullptr;
        }
    };
    std::vector<std::thread> workers;
    try {
        while (workers.size() < std::min(kSearchThreads, names.size())) {
            workers.emplace_back(ask);
        }
    } catch (...) {
        // Fewer threads than wanted: the ones running share the list.
    }
    if (workers.empty()) {
        return {};
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    std::vector<std::string> present;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (answered[i] != 0) {
            present.push_back(names[i]);
        }
    }
    return present;
}

}  // namespace sim
