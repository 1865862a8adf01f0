#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <array>
#include <cstdint>

#include "common/SampleSupport.h"
#include "common/SimSupport.h"
#include "common/TestPlatform.h"
#include "instrument/Connection.h"
#include "recording/Sample.h"

namespace monitor_test {

constexpr int kWaitMs = 10000;

// Runs the event loop until the condition holds, for at most kWaitMs; the caller asserts the
// result, so a condition that never comes fails the test instead of passing it silently.
template <typename Condition>
bool WaitFor(Condition condition) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > kWaitMs) {
            return false;
        }
        QEventLoop loop;
        QTimer::singleShot(2, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// A live instrument on the simulated module, through the program's connection procedure.
struct SimConnection {
    explicit SimConnection(const char* yaml) : scenario(yaml) {
        state.m_visaLibraryNames = {SimLibrary("visa")};
        state.m_strDriverLibraryName = SimLibrary("aqk3310");
        state.ConnectInstrument();
    }
    CScenarioFile scenario;
    CConnectionState state;
};

}  // namespace monitor_test
