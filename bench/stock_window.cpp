// The floor that Qt itself sets for this program's window, as a whole program: the same frame,
// menu bar and panel template, built from the same resources with stock Qt controls; nothing
// taken over or owner-drawn, no icon, no instrument, no library loaded by name. Its background
// is the panel's dark grey, so that the same watcher sees its first paint in the same corner.
#include <QApplication>
#include <QDialog>
#include <QMainWindow>
#include <QMenuBar>

#include "bench/StockMenu.h"
#include "platform/DialogBuilder.h"
#include "resources/DialogTemplates.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow frame;
    frame.setWindowTitle(QStringLiteral("stock window"));
    frame.setCentralWidget(new QWidget(&frame));
    AddStockMenu(frame);
    auto* dialog = new QDialog(frame.centralWidget());
    dialog->setWindowFlags(Qt::Widget);
    QPalette palette = dialog->palette();
    palette.setColor(QPalette::Window, QColor(64, 64, 64));
    dialog->setPalette(palette);
    dialog->setAutoFillBackground(true);
    BuildDialogFromTemplate(dialog, GetDialogTemplate(IDD_PANEL));
    dialog->move(0, 0);
    frame.setFixedSize(dialog->width(), dialog->height() + frame.menuBar()->sizeHint().height());
    frame.show();
    return QApplication::exec();
}
