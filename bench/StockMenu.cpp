#include "bench/StockMenu.h"

#include <QMainWindow>
#include <QMenuBar>

#include "resources/MenuResource.h"

void AddStockMenu(QMainWindow& frame) {
    for (const MenuPopupData& popup : MainMenu()) {
        QMenu* menu = frame.menuBar()->addMenu(QString::fromStdString(popup.text));
        for (const MenuItemData& item : popup.items) {
            if (item.id == 0) {
                menu->addSeparator();
            } else {
                menu->addAction(QString::fromStdString(item.text));
            }
        }
    }
}
