#pragma once

class QWidget;

// Template controls carry their dialog id in this dynamic property, so that a control can be
// found and taken over by id as the platform's dialog functions do.
constexpr const char* kDlgCtrlIdProperty = "dlgCtrlId";

void SetDlgCtrlId(QWidget* control, int id);
int GetDlgCtrlId(const QWidget* control);  // 0 when the widget has none
// The direct child of parent with that id, or null.
QWidget* GetDlgItem(const QWidget* parent, int id);
