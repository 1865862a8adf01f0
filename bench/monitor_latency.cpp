// The channel monitor's sample-to-pixels latency on the simulated module: from an edge latched
// in the module to the lamps widget having repainted with it, sampling "on change" and, as the
// baseline of the same run, every 300 ms.
//
// The module's port 0 counts up once every --step-ms milliseconds of wall-clock time (the
// scenario's step_ms), ports 1 to 3 stay fixed. Its inputs step at known times: the library
// starts the module's clock when it loads the scenario, at the first viOpenDefaultRM with no
// session open, on the same steady clock as ours, in whole milliseconds. This program makes that
// call itself between two readings of the clock that agree, and keeps the session open, so the
// edge of step k latches at start + k * step exactly; nothing is added to the module or the
// monitor. The count on port 0 tells which step a painted sample holds.
//
// An event filter on the lamps widget lets each paint run and reads the clock when it is done;
// a paint that shows a new count of port 0 is the first to show the edges of the steps up to it.
// Each edge's latency is that paint's time minus the edge's step time. For the paints, where the
// time went: from the edge to the worker starting its reading (the sample's time), from there to
// the sample reaching the window, and from there to the paint done.
//
// Usage: monitor-latency [--edges=N] [--step-ms=M] [--period-ms=P]
// Needs the substitute libraries on the library path (LD_LIBRARY_PATH=build/release/sim/lib).
// Output: key=value lines, one block per mode.
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QSpinBox>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "bench/BenchPlatform.h"
#include "instrument/Connection.h"
#include "instrument/Instrument.h"
#include "monitor/LampsWidget.h"
#include "monitor/MonitorWindow.h"
#include "monitor/Sampler.h"
#include "monitor/TimingDiagram.h"
#include "platform/HeadlessEnvironment.h"
#include "platform/native/DynamicLibrary.h"
#include "sim/visa/SimHooks.h"

namespace {

using Clock = std::chrono::steady_clock;

long long NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
        .count();
}

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

int IntOption(int argc, char** argv, const char* prefix, int fallback) {
    const std::size_t length = std::strlen(prefix);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], prefix, length) == 0) {
            return std::atoi(argv[i] + length);
        }
    }
    return fallback;
}

double Quantile(std::vector<double> values, double q) {
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(q * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

double Mean(const std::vector<double>& values) {
    double sum = 0;
    for (double v : values) {
        sum += v;
    }
    return values.empty() ? 0.0 : sum / static_cast<double>(values.size());
}

using OpenDefaultRmFn = ViStatus(SFP_VI_CALL*)(ViSession* rm);
using CloseFn = ViStatus(SFP_VI_CALL*)(ViUInt32 vi);

// Holds a resource manager session of the substitute library open, so that the scenario and
// its module's clock stay as loaded, and knows when that clock started.
class CModuleClock {
public:
    bool Open(const std::string& library, int stepMs) {
        m_stepMs = stepMs;
        m_library = CDynamicLibrary::Load(library);
        if (!m_library) {
            return false;
        }
        auto open = LookupFunction<OpenDefaultRmFn>(m_library, "viOpenDefaultRM");
        m_close = LookupFunction<CloseFn>(m_library, "viClose");
        if (open == nullptr || m_close == nullptr) {
            return false;
        }
        // The module's clock starts within the call; retry until no millisecond turned inside.
        for (int attempt = 0; attempt < 100; ++attempt) {
            const long long before = NowMs();
            if (open(&m_rm) < 0) {
                return false;
            }
            const long long after = NowMs();
            if (before == after) {
                m_startMs = before;
                return true;
            }
            m_close(m_rm);
            m_rm = VI_NULL;
        }
        return false;
    }
    ~CModuleClock() {
        if (m_rm != VI_NULL) {
            m_close(m_rm);
        }
    }
    Clock::time_point StepTime(long long step) const {
        return Clock::time_point(std::chrono::milliseconds(m_startMs + step * m_stepMs));
    }

private:
    CDynamicLibrary m_library;
    CloseFn m_close = nullptr;
    ViSession m_rm = VI_NULL;
    long long m_startMs = 0;
    int m_stepMs = 1;
};

struct Delivered {
    Clock::time_point readStart;
    Clock::time_point delivered;
};

// Watches the lamps' paints during one mode and collects each edge's latency.
class CPaintWatch : public QObject {
public:
    CPaintWatch(CMonitorWindow& window, CSampler& sampler, const CModuleClock& clock, int edges)
        : m_window(window), m_sampler(sampler), m_clock(clock), m_edges(edges) {
        connect(&sampler, &CSampler::SampleReady, this, [this](const Sample& sample) {
            // Connected after the window's own slot: the window holds the sample now.
            const Clock::time_point now = Clock::now();
            const auto readStart =
                now - std::chrono::microseconds(m_sampler.NowUs() - sample.timeUs);
            m_delivered[sample.value[0]] = {readStart, now};
            ++samples;
        });
        window.Lamps()->installEventFilter(this);
        window.Diagram()->installEventFilter(this);
    }
    ~CPaintWatch() override {
        m_window.Lamps()->removeEventFilter(this);
        m_window.Diagram()->removeEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint) {
            return false;
        }
        // QObject::event is public: the widget paints now, and the clock is read after.
        const Clock::time_point begun = Clock::now();
        watched->event(event);
        const Clock::time_point painted = Clock::now();
        if (watched != m_window.Lamps()) {
            diagramPaintMs.push_back(Ms(painted - begun));
            return true;
        }
        lampsPaintMs.push_back(Ms(painted - begun));
        ++paints;
        const CLampStates& states = m_window.Lamps()->States();
        if (states.HasSample()) {
            OnPainted(states, painted);
        }
        return true;
    }

    bool Done() const { return static_cast<int>(latencyMs.size()) >= m_edges; }

    std::vector<double> latencyMs;
    std::vector<double> toReadMs;
    std::vector<double> toWindowMs;
    std::vector<double> toPixelsMs;
    std::vector<double> lampsPaintMs;
    std::vector<double> diagramPaintMs;
    int paints = 0;
    int samples = 0;

private:
    void OnPainted(const CLampStates& states, Clock::time_point painted) {
        unsigned value = 0;
        for (int bit = 0; bit < 16; ++bit) {
            value |= static_cast<unsigned>(states.Level(bit)) << bit;
        }
        if (!m_hasBaseline) {
            // Its edges may have latched before this mode began.
            m_hasBaseline = true;
            m_lastStep = value;
            return;
        }
        const long long step = m_lastStep + ((value - m_lastStep) & 0xFFFF);
        if (step == m_lastStep || Done()) {
            return;
        }
        for (long long k = m_lastStep + 1; k <= step && !Done(); ++k) {
            latencyMs.push_back(Ms(painted - m_clock.StepTime(k)));
        }
        const auto found = m_delivered.find(static_cast<std::uint16_t>(value));
        if (found != m_delivered.end()) {
            // Where the time of the newest edge in this paint went.
            const Clock::time_point edge = m_clock.StepTime(step);
            toReadMs.push_back(Ms(found->second.readStart - edge));
            toWindowMs.push_back(Ms(found->second.delivered - found->second.readStart));
            toPixelsMs.push_back(Ms(painted - found->second.delivered));
        }
        m_delivered.clear();
        m_lastStep = step;
    }

    CMonitorWindow& m_window;
    CSampler& m_sampler;
    const CModuleClock& m_clock;
    int m_edges;
    bool m_hasBaseline = false;
    long long m_lastStep = 0;
    std::map<std::uint16_t, Delivered> m_delivered;
};

// Samples in one mode until the given number of edges has been painted; false on a time-out.
bool Measure(CMonitorWindow& window, CSampler& sampler, const CModuleClock& clock, bool onChange,
             int periodMs, int edges, int stepMs) {
    window.findChild<QComboBox*>(QStringLiteral("mode"))->setCurrentIndex(onChange ? 1 : 0);
    window.findChild<QSpinBox*>(QStringLiteral("period"))->setValue(periodMs);
    CPaintWatch watch(window, sampler, clock, edges);
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (watch.Done()) {
            loop.quit();
        }
    });
    poll.start(50);
    const int limitMs = edges * stepMs * 2 + 20000;
    QTimer::singleShot(limitMs, &loop, [&] { loop.exit(1); });
    const Clock::time_point began = Clock::now();
    window.StartSampling();
    const bool finished = loop.exec() == 0;
    window.PauseSampling();
    const char* mode = onChange ? "on-change" : "period";
    std::printf("mode=%s\n", mode);
    if (!onChange) {
        std::printf("%s.period_ms=%d\n", mode, periodMs);
    }
    std::printf("%s.edges=%zu\n", mode, watch.latencyMs.size());
    std::printf("%s.samples=%d\n", mode, watch.samples);
    std::printf("%s.paints=%d\n", mode, watch.paints);
    std::printf("%s.seconds=%.1f\n", mode, Ms(Clock::now() - began) / 1000);
    std::printf("%s.latency_median_ms=%.2f\n", mode, Quantile(watch.latencyMs, 0.5));
    std::printf("%s.latency_p99_ms=%.2f\n", mode, Quantile(watch.latencyMs, 0.99));
    std::printf("%s.latency_mean_ms=%.2f\n", mode, Mean(watch.latencyMs));
    std::printf("%s.latency_min_ms=%.2f\n", mode, Quantile(watch.latencyMs, 0.0));
    std::printf("%s.latency_max_ms=%.2f\n", mode, Quantile(watch.latencyMs, 1.0));
    std::printf("%s.edge_to_read_median_ms=%.3f\n", mode, Quantile(watch.toReadMs, 0.5));
    std::printf("%s.edge_to_read_p99_ms=%.3f\n", mode, Quantile(watch.toReadMs, 0.99));
    std::printf("%s.read_to_window_median_ms=%.3f\n", mode, Quantile(watch.toWindowMs, 0.5));
    std::printf("%s.read_to_window_p99_ms=%.3f\n", mode, Quantile(watch.toWindowMs, 0.99));
    std::printf("%s.window_to_pixels_median_ms=%.3f\n", mode, Quantile(watch.toPixelsMs, 0.5));
    std::printf("%s.window_to_pixels_p99_ms=%.3f\n", mode, Quantile(watch.toPixelsMs, 0.99));
    std::printf("%s.lamps_paint_median_ms=%.3f\n", mode, Quantile(watch.lampsPaintMs, 0.5));
    std::printf("%s.diagram_paint_median_ms=%.3f\n", mode, Quantile(watch.diagramPaintMs, 0.5));
    std::fflush(stdout);
    if (!finished) {
        std::fprintf(stderr, "monitor-latency: %s: only %zu of %d edges within %d ms\n", mode,
                     watch.latencyMs.size(), edges, limitMs);
    }
    return finished;
}

}  // namespace

int main(int argc, char** argv) {
    const int edges = IntOption(argc, argv, "--edges=", 1000);
    // Not a divisor of the period, so that the edges fall at every phase of the polling.
    const int stepMs = IntOption(argc, argv, "--step-ms=", 23);
    const int periodMs = IntOption(argc, argv, "--period-ms=", 300);
    if (edges < 1 || stepMs < 1 || periodMs < 10) {
        std::fprintf(stderr, "usage: monitor-latency [--edges=N] [--step-ms=M] [--period-ms=P]\n");
        return 2;
    }
    PrepareHeadlessEnvironment();
    QApplication app(argc, argv);
    CBenchPlatform platform;

    const std::string scenarioPath =
        "/tmp/sfp-monitor-latency-" + std::to_string(::getpid()) + ".yaml";
    std::ofstream(scenarioPath) << "resources:\n"
                                   "  - name: VXI0::24::INSTR\n"
                                   "    slot: 24\n"
                                   "    manufacturer: 0xFFF\n"
                                   "    model: 0x154\n"
                                   "    module:\n"
                                   "      step_ms: "
                                << stepMs
                                << "\n"
                                   "      ports: [{mode: count, start: 0, step: 1}, 0, 0, 0]\n";
    setenv(sim::kScenarioVariable, scenarioPath.c_str(), 1);

    int result = 0;
    {
        CModuleClock clock;
        if (!clock.Open(VisaLibraryNames().front(), stepMs)) {
            std::fprintf(stderr,
                         "monitor-latency: cannot load %s or start its module's clock "
                         "(LD_LIBRARY_PATH=build/release/sim/lib)\n",
                         VisaLibraryNames().front().c_str());
            std::remove(scenarioPath.c_str());
            return 1;
        }
        CConnectionState connection;
        connection.ConnectInstrument();
        if (!connection.m_pInstrument || !connection.m_pInstrument->IsLive()) {
            std::fprintf(stderr, "monitor-latency: the simulated module is not live: %s\n",
                         platform.lastBox.c_str());
            std::remove(scenarioPath.c_str());
            return 1;
        }
        CMonitorWindow window(*connection.m_pInstrument, connection.m_visaLibraryNames);
        window.show();
        CSampler* sampler = window.findChild<CSampler*>();
        if (!window.OnChangeOffered() || sampler == nullptr) {
            std::fprintf(stderr, "monitor-latency: on change is not offered\n");
            result = 1;
        } else {
            std::printf("edges=%d\nstep_ms=%d\n", edges, stepMs);
            if (!Measure(window, *sampler, clock, true, periodMs, edges, stepMs)) {
                result = 1;
            }
            if (!Measure(window, *sampler, clock, false, periodMs, edges, stepMs)) {
                result = 1;
            }
        }
    }
    std::remove(scenarioPath.c_str());
    return result;
}
