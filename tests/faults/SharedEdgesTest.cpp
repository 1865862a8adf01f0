// The panel and the channel monitor reading one simulated module at once: the module clears a
// transition register whenever either reads it, and each must still see every edge.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPointer>
#include <memory>
#include <string>
#include <vector>

#include "app/MainFrame.h"
#include "app/SfpApp.h"
#include "common/EventWait.h"
#include "common/RecordingPlatform.h"
#include "common/SimSupport.h"
#include "instrument/Connection.h"
#include "monitor/Sampler.h"
#include "panel/Pan1Dlg.h"

namespace {

// Port 0 counts up by one at every command the module runs, from 0 at its start.
const char* const kCountingModule =
    "resources:\n"
    "  - {name: 'VXI0::24::INSTR', interface: vxi, slot: 24, manufacturer: 0xFFF, model: 0x154,\n"
    "     module: {step_ms: 0, ports: [{mode: count, start: 0, step: 1}]}}\n";

// A reading of a port runs two commands (the query and the error-queue check), so the positive
// register is read two counts after the value and the negative one four.
constexpr int kPosAfterValue = 2;
constexpr int kNegAfterValue = 4;

// The edges a counter latches while it counts from `after` (read then) up to `upTo`.
int Rises(int after, int upTo) {
    int edges = 0;
    for (int k = after + 1; k <= upTo; ++k) {
        edges |= ~(k - 1) & k;
    }
    return edges & 0xFFFF;
}
int Falls(int after, int upTo) {
    int edges = 0;
    for (int k = after + 1; k <= upTo; ++k) {
        edges |= (k - 1) & ~k;
    }
    return edges & 0xFFFF;
}

// What one reader saw: the value, then both registers, of port 0; checked against the counter.
class CEdgeLedger {
public:
    void Check(const char* who, int value, int pos, int neg) {
        EXPECT_EQ(pos, Rises(m_posReadAt, value + kPosAfterValue)) << who << " at " << value;
        EXPECT_EQ(neg, Falls(m_negReadAt, value + kNegAfterValue)) << who << " at " << value;
        m_posReadAt = value + kPosAfterValue;
        m_negReadAt = value + kNegAfterValue;
    }

private:
    int m_posReadAt = 0;
    int m_negReadAt = 0;
};

}  // namespace

TEST(SharedEdges, PanelAndMonitorOnOneModuleEachSeeEveryEdge) {
    CRecordingPlatform platform;
    CScenarioFile scenario(kCountingModule);
    g_hDriverLib.Release();
    auto app = std::make_unique<CSfpApp>();
    app->m_visaLibraryNames = {"libvisa.so"};
    app->m_strDriverLibraryName = "libaqk3310.so";
    app->InitInstance();
    QPointer<CMainFrame> frame = app->m_pMainWnd;
    ASSERT_NE(frame.data(), nullptr);
    QPointer<CPan1Dlg> panel = frame->Client()->findChild<CPan1Dlg*>();
    ASSERT_NE(panel.data(), nullptr);
    ASSERT_TRUE(app->m_pInstrument->IsLive());

    CEdgeLedger panelSaw;
    CEdgeLedger monitorSaw;
    const auto checkPanel = [&] {
        panelSaw.Check("panel", std::stoi(panel->ReadoutText(IDC_PORT_VALUE)),
                       std::stoi(panel->ReadoutText(IDC_POS_EDGE_REG)),
                       std::stoi(panel->ReadoutText(IDC_NEG_EDGE_REG)));
    };
    checkPanel();  // the reading the panel takes when it opens

    int samples = 0;
    {
        CSampler sampler(*app->m_pInstrument, {});
        QObject::connect(&sampler, &CSampler::SampleReady, [&](const Sample& sample) {
            ++samples;
            monitorSaw.Check("monitor", sample.value[0], sample.positive[0], sample.negative[0]);
        });
        sampler.Start(CSampler::Mode::Period, 1);
        // Every panel reading after a monitor sample: the monitor has just taken the panel's
        // edges, and the panel has just taken the monitor's.
        for (int readings = 0; readings < 8; ++readings) {
            const int before = samples;
            ASSERT_TRUE(ProcessEventsUntil([&] { return samples > before; })) << readings;
            panel->OnTakeReading();
            checkPanel();
        }
        sampler.Stop();
    }
    EXPECT_TRUE(platform.Boxes().empty());
    frame->DestroyWindow();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
