// The floor for the whole-program figures: the least a Qt Widgets program does to show one
// window and paint it. Same size as the program's frame, painted the dark grey of the panel's
// background, so that the same watcher looking at the same corner pixel sees it painted.
#include <QApplication>
#include <QPainter>
#include <QWidget>

#include "app/FrameGeometry.h"

namespace {

class CMinimalWindow : public QWidget {
protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter(this).fillRect(rect(), QColor(64, 64, 64));
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    CMinimalWindow window;
    window.setWindowTitle(QStringLiteral("minimal window"));
    window.setFixedSize(kFrameWidth, kFrameHeight);
    window.show();
    return QApplication::exec();
}
