#include "platform/DialogUnits.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <cmath>

namespace {

const char* const kFontFiles[] = {
    "/usr/share/wine/fonts/ms_sans_serif.ttf",
};

void RegisterBundledFaces() {
    static bool done = false;
    if (done) {
        return;
    }
    done = true;
    for (const char* file : kFontFiles) {
        QFontDatabase::addApplicationFont(QString::fromLatin1(file));
    }
}

int MulDivRound(int value, int mul, int div) {
    return static_cast<int>(std::lround(static_cast<double>(value) * mul / div));
}

}  // namespace

QFont DialogFont(const QString& family, int points) {
    RegisterBundledFaces();
    QFont font(family);
    font.setPointSize(points);
    font.setStyleStrategy(QFont::NoAntialias);
    if (QFontInfo(font).family() != family) {
        // Metric-compatible enough for an 8-point dialog: a free sans face.
        font = QFont(QStringLiteral("DejaVu Sans"));
        font.setPointSize(points);
    }
    return font;
}

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(width / 26 + 1) / 2, metrics.height()};
}

int DialogXToPixels(const DialogBaseUnits& base, int x) {
    return MulDivRound(x, base.x, 4);
}
int DialogYToPixels(const DialogBaseUnits& base, int y) {
    return MulDivRound(y, base.y, 8);
}

QRect DialogToPixels(const DialogBaseUnits& base, int x, int y, int cx, int cy) {
    // Each of the four values is converted on its own, as the dialog manager does.
    return QRect(DialogXToPixels(base, x), DialogYToPixels(base, y), DialogXToPixels(base, cx),
                 DialogYToPixels(base, cy));
}
