#pragma once

#include "platform/DialogUnits.h"

class QWidget;
struct DlgTemplate;

// Builds a template's controls as children of the dialog widget: each at its rectangle, with
// its id, text, tab stop and group; radio buttons exclusive within their group, tab order in
// template order. Sizes the dialog to the template and gives it the template font. Returns the
// base units used.
DialogBaseUnits BuildDialogFromTemplate(QWidget* dialog, const DlgTemplate& dlgTemplate);
