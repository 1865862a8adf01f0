#include "bench/BenchCases.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QWidget>

std::vector<CBenchEntry> AllCases() {
    std::vector<CBenchEntry> all;
    for (auto group : {PanelCases, StockCases, RawDriverCases}) {
        for (CBenchEntry& entry : group()) {
            all.push_back(std::move(entry));
        }
    }
    return all;
}

void DrainPostedEvents() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool WaitUntilPainted(QWidget* window) {
    QElapsedTimer waited;
    waited.start();
    // The expose event that sets Qt::WA_Mapped paints the window before it returns.
    while (window != nullptr && !window->testAttribute(Qt::WA_Mapped)) {
        if (waited.elapsed() > 5000) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return window != nullptr;
}
