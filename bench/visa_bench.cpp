// The substitute VISA library against a plain function call in the same run: a "*IDN?" round
// trip, a register read, and a service request's latency from the latched edge to
// viWaitOnEvent returning. Run by scripts/bench-visa.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "instrument/VisaTypes.h"
#include "sim/visa/SimHooks.h"

// The substitute library's exports, linked directly.
extern "C" {
ViStatus viOpenDefaultRM(ViSession* rm);
ViStatus viOpen(ViSession rm, const ViChar* name, ViAccessMode mode, ViUInt32 timeout,
                ViSession* vi);
ViStatus viClose(ViObject vi);
ViStatus viWrite(ViSession vi, const ViByte* buffer, ViUInt32 count, ViUInt32* written);
ViStatus viRead(ViSession vi, ViByte* buffer, ViUInt32 count, ViUInt32* read);
ViStatus viIn16(ViSession vi, ViUInt16 space, ViBusAddress offset, ViUInt16* value);
ViStatus viEnableEvent(ViSession vi, ViEventType type, ViUInt16 mechanism, ViEventFilter context);
ViStatus viDiscardEvents(ViSession vi, ViEventType type, ViUInt16 mechanism);
ViStatus viWaitOnEvent(ViSession vi, ViEventType type, ViUInt32 timeout, ViEventType* outType,
                       ViEvent* outContext);
}

namespace {

using Clock = std::chrono::steady_clock;

// One K3310 whose port 0 walks a bit on every command, so each command latches an edge.
const char* const kScenario = R"(
resources:
  - name: VXI0::24::INSTR
    manufacturer: 0xFFF
    model: 0x154
    module: {ports: [{mode: walk}, 1, 2, 3]}
)";

struct CSessions {
    CSessions() {
        const std::string path = "/tmp/sfp-visa-bench.yaml";
        std::ofstream(path) << kScenario;
        setenv(sim::kScenarioVariable, path.c_str(), 1);
        viOpenDefaultRM(&rm);
        viOpen(rm, "VXI0::24::INSTR", 0, 0, &vi);
        viOpen(rm, "VXI0::24::INSTR", 0, 0, &watcher);
    }
    ~CSessions() { viClose(rm); }
    ViSession rm = VI_NULL;
    ViSession vi = VI_NULL;
    ViSession watcher = VI_NULL;
};

CSessions& Sessions() {
    static CSessions sessions;
    return sessions;
}

// The baseline: a call the compiler may not inline, with one argument and a result.
__attribute__((noinline)) ViStatus PlainCall(ViSession vi, ViUInt16* value) {
    benchmark::DoNotOptimize(vi);
    *value = static_cast<ViUInt16>(vi);
    return VI_SUCCESS;
}

void BM_PlainCall(benchmark::State& state) {
    ViUInt16 value = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(PlainCall(7, &value));
    }
}
BENCHMARK(BM_PlainCall);

void BM_IdnQuery(benchmark::State& state) {
    CSessions& s = Sessions();
    const ViByte command[] = "*IDN?\n";
    ViByte reply[256];
    for (auto _ : state) {
        ViUInt32 count = 0;
        viWrite(s.vi, command, 6, &count);
        if (viRead(s.vi, reply, sizeof(reply), &count) != VI_SUCCESS) {
            state.SkipWithError("the query failed");
            break;
        }
    }
}
BENCHMARK(BM_IdnQuery);

void BM_In16(benchmark::State& state) {
    CSessions& s = Sessions();
    ViUInt16 value = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(viIn16(s.vi, VI_A16_SPACE, 0, &value));
    }
}
BENCHMARK(BM_In16);

// 1,000 edges: each cleared with *CLS, then latched by a command while another thread waits.
void BM_ServiceRequestLatency(benchmark::State& state) {
    CSessions& s = Sessions();
    viEnableEvent(s.watcher, VI_EVENT_SERVICE_REQ, VI_QUEUE, 0);
    const ViByte enable[] = "*SRE 1\n";
    const ViByte clear[] = "*CLS\n";
    const ViByte edge[] = "MEAS:DIG:PORT? 0\n";
    ViUInt32 count = 0;
    viWrite(s.vi, enable, 7, &count);
    std::vector<double> latencies;
    for (auto _ : state) {
        latencies.clear();
        for (int i = 0; i < 1000; ++i) {
            viWrite(s.vi, clear, 5, &count);
            viDiscardEvents(s.watcher, VI_EVENT_SERVICE_REQ, VI_QUEUE);
            std::atomic<bool> waiting{false};
            Clock::time_point woke;
            std::thread waiter([&] {
                waiting = true;
                ViEventType type = 0;
                viWaitOnEvent(s.watcher, VI_EVENT_SERVICE_REQ, 5000, &type, nullptr);
                woke = Clock::now();
            });
            while (!waiting) {
                std::this_thread::yield();
            }
            const Clock::time_point start = Clock::now();
            viWrite(s.vi, edge, sizeof(edge) - 1, &count);
            waiter.join();
            latencies.push_back(std::chrono::duration<double, std::micro>(woke - start).count());
        }
    }
    std::sort(latencies.begin(), latencies.end());
    state.counters["median_us"] = latencies[latencies.size() / 2];
    state.counters["p99_us"] = latencies[latencies.size() * 99 / 100];
    state.counters["max_us"] = latencies.back();
}
BENCHMARK(BM_ServiceRequestLatency)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
