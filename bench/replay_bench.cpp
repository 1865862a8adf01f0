// A recording replayed on the simulated module: how late its edges reach the module, the
// memory a replay takes and how fast a recording is read (docs/PERFORMANCE.md,
// scripts/bench-replay). Prints key=value lines.
//
//   replay-bench --make FILE BYTES          writes a VCD of about BYTES, as aq3310-rec writes
//   replay-bench --lateness FOLDER          1,000 edges at speed 1 and at speed 100
//   replay-bench --play FILE                reads FILE through a replay: changes, seconds, peak RSS
//   replay-bench --lines FILE               reads FILE line by line, no parsing: seconds, peak RSS
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "sim/module/Device.h"
#include "sim/replay/Replay.h"

namespace {

using Clock = std::chrono::steady_clock;

long long NowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch())
        .count();
}

long PeakRssKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

// Our recorder's layout: 64 wires and 4 vectors; each time a few random wires change.
int Make(const std::string& path, long long bytes) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        return 1;
    }
    std::fputs("$timescale 1 us $end\n$scope module k3310 $end\n", out);
    for (int port = 0; port < 4; ++port) {
        std::fprintf(out, "$scope module port%d $end\n", port);
        for (int bit = 0; bit < 16; ++bit) {
            std::fprintf(out, "$var wire 1 %c ch%d $end\n", '!' + port * 16 + bit, port * 16 + bit);
        }
        std::fprintf(out, "$var wire 16 %c port%d [15:0] $end\n$upscope $end\n", 'a' + port, port);
    }
    std::fputs("$upscope $end\n$enddefinitions $end\n", out);
    std::mt19937 random(3310);
    std::uint16_t value[4] = {};
    long long written = 0;
    for (long long time = 0; written < bytes; time += 1 + random() % 1000) {
        written += std::fprintf(out, "#%lld\n", time);
        for (int changes = 1 + static_cast<int>(random() % 3); changes > 0; --changes) {
            const int channel = static_cast<int>(random() % 64);
            const int port = channel / 16;
            value[port] = static_cast<std::uint16_t>(value[port] ^ (1u << (channel % 16)));
            written +=
                std::fprintf(out, "%d%c\nb", (value[port] >> (channel % 16)) & 1, '!' + channel);
            for (int bit = 15; bit >= 0; --bit) {
                std::fputc('0' + ((value[port] >> bit) & 1), out);
            }
            written += 17 + std::fprintf(out, " %c\n", 'a' + port);
        }
    }
    return std::fclose(out) == 0 ? 0 : 1;
}

int Play(const std::string& path) {
    sim::ReplayScenario scenario;
    scenario.file = path;
    sim::CReplay::Problem problem;
    const auto start = Clock::now();
    const auto replay = sim::CReplay::Open(scenario, &problem);
    std::array<std::uint16_t, 4> value{};
    if (!replay || !replay->Restart(0, &value)) {
        std::fprintf(stderr, "replay-bench: %s\n", problem.text.c_str());
        return 1;
    }
    long long changes = 0;
    std::uint16_t seen = 0;
    while (replay->NextChangeUs() >= 0) {
        replay->Advance(replay->NextChangeUs() + 1000000000LL,
                        [&](const sim::CReplay::Change& change) {
                            ++changes;
                            seen = static_cast<std::uint16_t>(seen ^ change.bits);
                        });
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("play.changes=%lld\nplay.seconds=%.3f\nplay.peak_rss_kib=%ld\nplay.check=%u\n",
                changes, seconds, PeakRssKiB(), unsigned{seen});
    return replay->Failure().empty() ? 0 : 1;
}

int Lines(const std::string& path) {
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (in == nullptr) {
        return 1;
    }
    const auto start = Clock::now();
    char* line = nullptr;
    std::size_t size = 0;
    long long lines = 0;
    while (::getline(&line, &size, in) >= 0) {
        ++lines;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::free(line);
    std::fclose(in);
    std::printf("lines.count=%lld\nlines.seconds=%.3f\nlines.peak_rss_kib=%ld\n", lines, seconds,
                PeakRssKiB());
    return 0;
}

// 1,000 edges of ch0, 2 to 3 ms apart on the module's clock, played as the library's worker
// plays them: it sleeps until the step time the module names (whole milliseconds), then
// catches the module up to its millisecond clock. An edge's lateness is the time the catch-up
// that applied it ended, less its due time.
void Lateness(const std::string& folder, double speed) {
    const std::string path =
        folder + "/lateness-" + std::to_string(static_cast<int>(speed)) + ".vcd";
    std::vector<long long> fileUs;
    {
        std::ofstream out(path);
        out << "$timescale 1 us $end\n$var wire 1 ! ch0 $end\n$enddefinitions $end\n#0\n0!\n";
        std::mt19937 random(24);
        long long time = 10000;
        for (int i = 0; i < 1000; ++i) {
            time += static_cast<long long>((2000 + random() % 1000) * speed);
            fileUs.push_back(time);
            out << '#' << time << '\n' << ((i % 2) == 0 ? '1' : '0') << "!\n";
        }
    }
    sim::ResourceScenario resource;
    resource.name = "VXI0::24::INSTR";
    resource.module.emplace();
    resource.module->replay.emplace();
    resource.module->replay->file = path;
    resource.module->replay->speed = speed;
    const long long originMs = NowUs() / 1000;
    sim::CDevice device(resource, originMs);
    device.Execute("*SRE 1", originMs);
    std::vector<long long> lateness;
    std::vector<long long> onClock;  // the module's millisecond clock at the catch-up, less due
    std::size_t next = 0;
    int requests = 0;
    for (long long step = device.NextStepMs(); step >= 0; step = device.NextStepMs()) {
        std::this_thread::sleep_until(Clock::time_point(std::chrono::milliseconds(step)));
        const long long nowMs = NowUs() / 1000;
        device.CatchUp(nowMs);
        const long long doneUs = NowUs();
        requests += device.RequestsService() ? 1 : 0;
        device.Execute("*CLS", nowMs);
        for (; next < fileUs.size() &&
               originMs * 1000 + std::llround(static_cast<double>(fileUs[next]) / speed) <=
                   nowMs * 1000;
             ++next) {
            const long long dueUs =
                originMs * 1000 + std::llround(static_cast<double>(fileUs[next]) / speed);
            lateness.push_back(doneUs - dueUs);
            onClock.push_back(nowMs * 1000 - dueUs);
        }
    }
    const int s = static_cast<int>(speed);
    std::printf("lateness.speed%d.edges=%zu\nlateness.speed%d.requests=%d\n", s, lateness.size(), s,
                requests);
    for (auto* figures : {&lateness, &onClock}) {
        std::sort(figures->begin(), figures->end());
        const auto at = [&](double q) {
            return figures->empty()
                       ? -1
                       : (*figures)[std::min(
                             figures->size() - 1,
                             static_cast<std::size_t>(q * static_cast<double>(figures->size())))];
        };
        const char* name = figures == &lateness ? "real" : "module_clock";
        std::printf(
            "lateness.speed%d.%s.median_us=%lld\nlateness.speed%d.%s.p99_us=%lld\n"
            "lateness.speed%d.%s.max_us=%lld\n",
            s, name, at(0.5), s, name, at(0.99), s, name, figures->empty() ? -1 : figures->back());
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 2 ? argv[1] : "";
    if (mode == "--make" && argc == 4) {
        return Make(argv[2], std::atoll(argv[3]));
    }
    if (mode == "--play") {
        return Play(argv[2]);
    }
    if (mode == "--lines") {
        return Lines(argv[2]);
    }
    if (mode == "--lateness") {
        Lateness(argv[2], 1);
        Lateness(argv[2], 100);
        return 0;
    }
    std::fprintf(stderr,
                 "usage: replay-bench --make FILE BYTES | --play FILE | --lines FILE | "
                 "--lateness FOLDER\n");
    return 2;
}
