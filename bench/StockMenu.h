#pragma once

class QMainWindow;

// The program's menu bar, made from the same menu resource with stock Qt menus and actions.
void AddStockMenu(QMainWindow& frame);
