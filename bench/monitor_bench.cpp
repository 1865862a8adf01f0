// The channel monitor's timing diagram with an hour of history: one frame of 64 traces over
// 1 h of 10 ms samples, zoomed out to the whole hour and in to 1 s, against one frame of the
// same widget with nothing recorded. Also the cost of storing a sample and the bytes a stored
// change takes. Google Benchmark; built with SFP_BENCH=ON.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <cstdint>
#include <memory>

#include "monitor/TimingDiagram.h"
#include "platform/HeadlessEnvironment.h"
#include "recording/Recording.h"

namespace {

// Tall enough that all 64 traces and the 4 bus rows are painted, none scrolled away.
constexpr int kWidth = 1200;
constexpr int kHeight = 1400;
constexpr std::int64_t kPeriodUs = 10000;
constexpr int kHourSamples = 3600 * 100;

// Port 0 counts (channel 0 changes at every sample), port 1 walks a bit, port 2 toggles seeded
// random bits, port 3 catches a pulse on bit 0 every seventh sample.
Sample HourSample(int i, std::uint32_t* random) {
    Sample sample;
    sample.timeUs = i * kPeriodUs;
    sample.value[0] = static_cast<std::uint16_t>(i);
    sample.value[1] = static_cast<std::uint16_t>(1u << (i % 16));
    std::uint32_t x = *random;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    *random = x;
    sample.value[2] = static_cast<std::uint16_t>(x & 0x0F0F);
    if (i % 7 == 0) {
        sample.positive[3] = 1;
        sample.negative[3] = 1;
    }
    return sample;
}

const CRecording& Hour() {
    static const std::unique_ptr<CRecording> recording = [] {
        auto made = std::make_unique<CRecording>();
        std::uint32_t random = 3310;
        for (int i = 0; i < kHourSamples; ++i) {
            made->Append(HourSample(i, &random));
        }
        return made;
    }();
    return *recording;
}

void Frame(benchmark::State& state, const CRecording* recording, bool zoomToSecond) {
    CTimingDiagram diagram;
    diagram.resize(kWidth, kHeight);
    diagram.SetRecording(recording);
    if (zoomToSecond) {
        const int traceWidth = kWidth - diagram.TraceAreaLeft();
        const double factor = diagram.UsPerPixel() * traceWidth / 1e6;
        diagram.ZoomAt(factor, diagram.TraceAreaLeft() + traceWidth / 2);
    }
    state.counters["span_s"] =
        static_cast<double>(diagram.VisibleEndUs() - diagram.VisibleStartUs()) / 1e6;
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        diagram.render(&image);
        benchmark::DoNotOptimize(image.bits());
    }
}

void BM_DiagramEmpty(benchmark::State& state) {
    static const CRecording empty;
    Frame(state, &empty, false);
}
void BM_DiagramHourWhole(benchmark::State& state) {
    Frame(state, &Hour(), false);
}
void BM_DiagramHourOneSecond(benchmark::State& state) {
    Frame(state, &Hour(), true);
}

void BM_AppendHour(benchmark::State& state) {
    for (auto _ : state) {
        CRecording recording;
        std::uint32_t random = 3310;
        for (int i = 0; i < kHourSamples; ++i) {
            recording.Append(HourSample(i, &random));
        }
        benchmark::DoNotOptimize(recording.SampleCount());
        state.counters["stored_samples"] = static_cast<double>(recording.Stored().size());
        state.counters["changes"] = static_cast<double>(recording.EdgeCount());
        state.counters["bytes"] = static_cast<double>(recording.MemoryBytes());
        state.counters["bytes_per_change"] = static_cast<double>(recording.MemoryBytes()) /
                                             static_cast<double>(recording.EdgeCount());
    }
    state.SetItemsProcessed(state.iterations() * kHourSamples);
}

BENCHMARK(BM_DiagramEmpty)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DiagramHourWhole)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DiagramHourOneSecond)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AppendHour)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    PrepareHeadlessEnvironment();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
