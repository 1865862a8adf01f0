// The panel's readings and the monitor's share one session: neither may come between the
// registers of the other's reading.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/SfpApp.h"
#include "common/RecordingPlatform.h"
#include "monitor/Sampler.h"
#include "panel/PanelReadings.h"

namespace {

// Logs every register read with the thread that made it.
class CLoggingInstrument : public CInstrument {
public:
    CLoggingInstrument() { m_bLive = 1; }
    ViUInt16 MeasDigPort(int port) override { return Log("meas", port); }
    ViUInt16 SensPosPortTran(int port) override { return Log("pos", port); }
    ViUInt16 SensNegPortTran(int port) override { return Log("neg", port); }

    std::vector<std::pair<std::thread::id, std::string>> Calls() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_calls;
    }

private:
    ViUInt16 Log(const char* op, int port) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_calls.emplace_back(std::this_thread::get_id(), op + std::to_string(port));
        }
        std::this_thread::yield();  // widen the window another thread could use
        return 0;
    }
    std::mutex m_mutex;
    std::vector<std::pair<std::thread::id, std::string>> m_calls;
};

class CPortOnePanel : public CPanelReadings {
public:
    explicit CPortOnePanel(IPanelHost& host) : CPanelReadings(host) {}

protected:
    int GetCheckedRadioButton(int first, int /*last*/) const override {
        return first == IDC_PORT0 ? IDC_PORT0 + 1 : IDC_DEC;
    }
    std::string GetReadoutText(int /*id*/) const override { return "0"; }
    void SetReadoutText(int /*id*/, const std::string& /*text*/) override {}
};

}  // namespace

TEST(InstrumentGuard, PanelAndMonitorReadingsNeverInterleave) {
    CRecordingPlatform platform;
    CSfpApp app;
    auto owned = std::make_unique<CLoggingInstrument>();
    CLoggingInstrument& instrument = *owned;
    app.m_pInstrument = std::move(owned);
    CSampler sampler(instrument, {});
    int samples = 0;
    QObject::connect(&sampler, &CSampler::SampleReady, [&samples] { ++samples; });
    sampler.Start(CSampler::Mode::Period, 10);
    CPortOnePanel panel(app);
    QElapsedTimer clock;
    clock.start();
    // The panel reads without pause until the monitor has taken its samples among them.
    while (samples < 20 && clock.elapsed() < 10000) {
        panel.OnTakeReading();
        QCoreApplication::processEvents();
    }
    sampler.Stop();
    ASSERT_GE(samples, 20);

    const auto calls = instrument.Calls();
    const std::thread::id gui = std::this_thread::get_id();
    const std::vector<std::string> sample = {"meas0", "pos0", "neg0", "meas1", "pos1", "neg1",
                                             "meas2", "pos2", "neg2", "meas3", "pos3", "neg3"};
    const std::vector<std::string> panelReading = {"meas1", "pos1", "neg1"};
    int worker = 0;
    for (std::size_t i = 0; i < calls.size();) {
        const bool fromGui = calls[i].first == gui;
        const std::vector<std::string>& expected = fromGui ? panelReading : sample;
        // A whole reading from one thread before anything from the other.
        for (std::size_t k = 0; k < expected.size() && i < calls.size(); ++k, ++i) {
            ASSERT_EQ(calls[i].first == gui, fromGui) << "interleaved at call " << i;
            ASSERT_EQ(calls[i].second, expected[k]) << "call " << i;
        }
        worker += fromGui ? 0 : 1;
    }
    EXPECT_GE(worker, 20);
}
