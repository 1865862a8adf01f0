// Auto Update in process, on the real tick timer: the program is started as RunProgram starts
// it (Qt platform services, QApplication's event loop), its tick handler is wrapped so that each
// tick's start is time-stamped before the frame's own handler runs, and Auto Update is switched
// on through its menu item. Idle ticks are measured first, then Auto Update ticks, in the same
// process.
//
// Usage: sfp-auto-update [--live] [--idle-ticks=N] [--ticks=N]
// Output: key=value lines.
#include <sys/resource.h>

#include <unistd.h>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "app/MainFrame.h"
#include "app/SfpApp.h"
#include "instrument/EmulatedInstrument.h"
#include "platform/QtPlatform.h"
#include "resources/MenuResource.h"

#include "platform/HeadlessEnvironment.h"

namespace {

using Clock = std::chrono::steady_clock;

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0.0 : n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
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

bool HasFlag(int argc, char** argv, const char* flag) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], flag) == 0) {
            return true;
        }
    }
    return false;
}

// What one phase of ticks cost: tick starts and the handler's own time.
struct Phase {
    std::vector<Clock::time_point> starts;
    std::vector<double> handlerMs;
    double cpuAtFirst = 0;
    double cpuAtLast = 0;

    void Print(const char* name) const {
        std::vector<double> periods;
        double worst = 0;
        for (std::size_t i = 1; i < starts.size(); ++i) {
            periods.push_back(Ms(starts[i] - starts[i - 1]));
            worst = std::max(worst, std::abs(periods.back() - kTickPeriodMs));
        }
        const double wall = Ms(starts.back() - starts.front()) / 1e3;
        std::printf("%s.periods=%zu\n", name, periods.size());
        std::printf("%s.period_median_ms=%.3f\n", name, Median(periods));
        std::printf("%s.period_worst_deviation_ms=%.3f\n", name, worst);
        std::printf("%s.wall_s=%.3f\n", name, wall);
        std::printf("%s.cpu_s=%.4f\n", name, cpuAtLast - cpuAtFirst);
        std::printf("%s.cpu_percent_of_core=%.4f\n", name, 100 * (cpuAtLast - cpuAtFirst) / wall);
        std::printf("%s.handler_median_us=%.1f\n", name, 1e3 * Median(handlerMs));
        std::printf("%s.handler_max_us=%.1f\n", name,
                    1e3 * *std::max_element(handlerMs.begin(), handlerMs.end()));
    }
};

}  // namespace

int main(int argc, char** argv) {
    PrepareHeadlessEnvironment();
    const bool live = HasFlag(argc, argv, "--live");
    const int idleTicks = std::max(2, IntOption(argc, argv, "--idle-ticks=", 50));
    const int autoTicks = std::max(2, IntOption(argc, argv, "--ticks=", 200));

    QApplication qapp(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    CQtPlatform platform;
    SetPlatform(&platform);
    // Nobody is there to close a box, and one that opens stops the ticks: a run that has not
    // ended well after its last tick is not what it claims. One timer, so that no polling of the
    // tool's own adds to what is measured.
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, [] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* box = qobject_cast<QMessageBox*>(modal);
        std::fprintf(stderr, "sfp-auto-update: the run did not end in time%s%s\n",
                     box != nullptr ? "; a box is open: " : "",
                     box != nullptr ? box->text().toLocal8Bit().constData() : "");
        std::exit(1);
    });
    deadline.start((idleTicks + autoTicks + 20) * static_cast<int>(kTickPeriodMs));

    int status = 0;
    {
        CSfpApp app;
        if (!live) {
            app.m_crStatus = kColorDarkGrey;
            app.m_pInstrument = std::make_unique<CEmulatedInstrument>();
        }
        app.InitInstance();
        QPointer<CMainFrame> frame = app.m_pMainWnd;
        if (frame == nullptr || (app.m_pInstrument->IsLive() != live)) {
            std::fprintf(
                stderr, "sfp-auto-update: the program did not start %s\n",
                live ? "live (set LD_LIBRARY_PATH to the substitute libraries)" : "emulated");
            return 1;
        }
        Phase idle;
        Phase on;
        GetPlatform().SetTickHandler([&] {
            const Clock::time_point start = Clock::now();
            const double cpu = CpuSeconds();
            Phase& phase = static_cast<int>(idle.starts.size()) <= idleTicks ? idle : on;
            if (phase.starts.empty()) {
                phase.cpuAtFirst = cpu;
            }
            phase.cpuAtLast = cpu;
            phase.starts.push_back(start);
            if (&phase == &on && static_cast<int>(on.starts.size()) > autoTicks) {
                // The closing time stamp only: its tick's work lies outside the phase. The exit
                // is queued, because it clears the handler that is running now.
                QMetaObject::invokeMethod(
                    frame, [&frame] { frame->DestroyWindow(); }, Qt::QueuedConnection);
                return;
            }
            frame->OnTimer();
            phase.handlerMs.push_back(Ms(Clock::now() - start));
            if (&phase == &idle && static_cast<int>(idle.starts.size()) == idleTicks + 1) {
                frame->MenuItem(ID_AUTO_UPDATE)->trigger();
                if (app.m_bAutoUpdate == 0) {
                    std::fprintf(stderr, "sfp-auto-update: Auto Update did not switch on\n");
                    std::exit(1);
                }
            }
        });
        QObject::connect(frame, &QObject::destroyed, &qapp, [] { QCoreApplication::exit(0); });
        status = QApplication::exec();
        std::printf("stack=%s\n", live ? "live" : "emulated");
        std::printf("platform=%s\n", QApplication::platformName().toLocal8Bit().constData());
        std::printf("timer_period_ms=%u\n", kTickPeriodMs);
        idle.Print("idle");
        on.Print("auto");
        app.ReleaseAll();
    }
    SetPlatform(nullptr);
    return status;
}
