#pragma once

#include <QColor>

#include "platform/native/Color.h"

inline QColor ToQColor(COLORREF c) {
    return QColor(static_cast<int>(GetRValue(c)), static_cast<int>(GetGValue(c)),
                  static_cast<int>(GetBValue(c)));
}

inline COLORREF FromQColor(const QColor& c) {
    return MakeRgb(static_cast<unsigned>(c.red()), static_cast<unsigned>(c.green()),
                   static_cast<unsigned>(c.blue()));
}
