// Brings Qt up headless for every test executable.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QTimer>
#include <cstdlib>

#include "common/TestPlatform.h"
#include "platform/HeadlessEnvironment.h"

int main(int argc, char** argv) {
    // Discovery runs the binary without the test's environment, so default it here too.
    PrepareHeadlessEnvironment();
    IgnoreUserVisaConfiguration();
    QApplication app(argc, argv);
    // Watchdog: a modal left open for five seconds is rejected, so a test that forgot to close
    // one fails on its assertions instead of hanging until CTest's time-out.
    QTimer watchdog;
    QWidget* lastModal = nullptr;
    int seen = 0;
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        seen = (modal != nullptr && modal == lastModal) ? seen + 1 : 0;
        lastModal = modal;
        if (seen >= 10) {
            if (auto* dialog = qobject_cast<QDialog*>(modal)) {
                dialog->reject();
            } else if (modal != nullptr) {
                modal->close();
            }
            seen = 0;
        }
    });
    watchdog.start(500);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
