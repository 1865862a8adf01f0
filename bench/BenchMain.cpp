// The in-process benchmarks. With no arguments of its own it is a Google Benchmark program over
// every case. With --instructions=CASE it runs that case --count times inside one function,
// sfp_bench_measured, for an instruction counter to measure (scripts/bench uses callgrind with
// --toggle-collect=sfp_bench_measured), and prints the count.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/BenchCases.h"

#include "platform/HeadlessEnvironment.h"

extern "C" __attribute__((noinline, used)) void sfp_bench_measured(CBenchCase* benchCase,
                                                                   long count) {
    for (long i = 0; i < count; ++i) {
        benchCase->Run();
    }
}

namespace {

const char* OptionValue(int argc, char** argv, const char* prefix) {
    const std::size_t length = std::strlen(prefix);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], prefix, length) == 0) {
            return argv[i] + length;
        }
    }
    return nullptr;
}

int CountInstructions(const std::string& name, long count) {
    for (const CBenchEntry& entry : AllCases()) {
        if (entry.name != name) {
            continue;
        }
        auto benchCase = entry.make();
        const std::string problem = benchCase->Start();
        if (!problem.empty()) {
            std::fprintf(stderr, "%s: %s\n", name.c_str(), problem.c_str());
            return 1;
        }
        benchCase->Run();  // first-time costs stay outside the count
        sfp_bench_measured(benchCase.get(), count);
        std::printf("%s %ld\n", name.c_str(), count);
        return 0;
    }
    std::fprintf(stderr, "no case named %s\n", name.c_str());
    return 2;
}

void RegisterAll() {
    for (const CBenchEntry& entry : AllCases()) {
        const auto make = entry.make;
        benchmark::RegisterBenchmark(entry.name.c_str(), [make](benchmark::State& state) {
            auto benchCase = make();
            const std::string problem = benchCase->Start();
            if (!problem.empty()) {
                state.SkipWithError(problem.c_str());
                return;
            }
            benchCase->Run();
            for (auto _ : state) {
                benchCase->Run();
            }
        })->Unit(benchmark::kMicrosecond);
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Painting needs no display: the offscreen platform paints into memory, pixel for pixel.
    PrepareHeadlessEnvironment();
    QApplication app(argc, argv);
    if (OptionValue(argc, argv, "--list") != nullptr) {
        for (const CBenchEntry& entry : AllCases()) {
            std::printf("%s\n", entry.name.c_str());
        }
        return 0;
    }
    if (const char* name = OptionValue(argc, argv, "--instructions=")) {
        const char* count = OptionValue(argc, argv, "--count=");
        return CountInstructions(name, count != nullptr ? std::atol(count) : 100);
    }
    RegisterAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
