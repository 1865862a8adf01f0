#pragma once

#include <QFont>
#include <QRect>
#include <QString>

// Dialog units to pixels, as the platform's dialog manager converts them: x * baseX / 4 and
// y * baseY / 8, rounded, where the base units come from the template font.
struct DialogBaseUnits {
    int x;
    int y;
};

// The template font: the named face at the point size when it can be had, otherwise a free
// sans face of similar metrics. The classic bitmap face ships outside fontconfig's folders,
// so it is registered with the application on first use.
QFont DialogFont(const QString& family, int points);
// The font the template's texts are drawn with at a device pixel ratio: the template font, or,
// above 1 when that face has only bitmap strikes (which would be drawn small and spread apart),
// an outline face of the same point size: Tahoma from the same folder, else DejaVu Sans. The
// layout always keeps the template font's metrics.
QFont DialogTextFont(const QString& family, int points, qreal ratio);
// Average width of "A".."Z" "a".."z" (rounded as the platform does) and the font's height.
DialogBaseUnits BaseUnitsOf(const QFont& font);
// Converts a rectangle in dialog units (x, y, width, height).
QRect DialogToPixels(const DialogBaseUnits& base, int x, int y, int cx, int cy);
int DialogXToPixels(const DialogBaseUnits& base, int x);
int DialogYToPixels(const DialogBaseUnits& base, int y);
