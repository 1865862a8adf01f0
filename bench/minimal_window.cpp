// The floor for the whole-program figures: the least a Qt Widgets program does to show one
// window and paint it. Same size as the program's frame, painted the dark grey of the panel's
// background, so that the same watcher looking at the same corner pixel sees it painted.
// With --text it also shows one line of text, which brings in the font libraries that any
// program showing text loads.
#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QWidget>
#include <cstring>

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
    if (argc > 1 && std::strcmp(argv[1], "--text") == 0) {
        auto* label = new QLabel(QStringLiteral("minimal window"), &window);
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, Qt::white);
        label->setPalette(palette);
        label->move(8, 8);
    }
    window.show();
    return QApplication::exec();
}
