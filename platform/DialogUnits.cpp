#include "platform/DialogUnits.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QStringList>
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

// Registered only when a scaled screen asks for it: most runs never need it.
const char* const kOutlineFontFile = "/usr/share/wine/fonts/tahoma.ttf";

QFont OutlineFont(int points) {
    static const QString family = [] {
        const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(kOutlineFontFile));
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        return families.isEmpty() ? QStringLiteral("DejaVu Sans") : families.first();
    }();
    QFont font(family);
    font.setPointSize(points);
    return font;
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

QFont DialogTextFont(const QString& family, int points, qreal ratio) {
    QFont font = DialogFont(family, points);
    if (ratio > 1.0 && !QFontDatabase::isScalable(QFontInfo(font).family())) {
        font = OutlineFont(points);
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
