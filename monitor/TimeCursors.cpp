#include "monitor/TimeCursors.h"

#include <cmath>

QString CTimeCursors::OffsetText(std::int64_t us, std::int64_t originUs) {
    const double seconds = static_cast<double>(us - originUs) / 1e6;
    return QStringLiteral("%1%2 s")
        .arg(seconds < 0 ? QStringLiteral("-") : QStringLiteral("+"))
        .arg(std::fabs(seconds), 0, 'f', 6);
}

QString CTimeCursors::DurationText(double us) {
    const double magnitude = std::fabs(us);
    if (magnitude >= 1e6) {
        return QStringLiteral("%1 s").arg(us / 1e6, 0, 'f', 6);
    }
    if (magnitude >= 1e3) {
        return QStringLiteral("%1 ms").arg(us / 1e3, 0, 'f', 3);
    }
    return QStringLiteral("%1 µs").arg(us, 0, 'f', 0);
}

QString CTimeCursors::FrequencyText(double hz) {
    if (hz >= 1e6) {
        return QStringLiteral("%1 MHz").arg(hz / 1e6, 0, 'f', 3);
    }
    if (hz >= 1e3) {
        return QStringLiteral("%1 kHz").arg(hz / 1e3, 0, 'f', 3);
    }
    return QStringLiteral("%1 Hz").arg(hz, 0, 'f', 3);
}

QString CTimeCursors::Text(std::int64_t originUs) const {
    QStringList parts;
    if (Has(A)) {
        parts << QStringLiteral("A %1").arg(OffsetText(At(A), originUs));
    }
    if (Has(B)) {
        parts << QStringLiteral("B %1").arg(OffsetText(At(B), originUs));
    }
    if (Has(A) && Has(B)) {
        const auto delta = static_cast<double>(At(B) - At(A));
        parts << QStringLiteral("Δt %1").arg(DurationText(delta));
        if (delta != 0) {
            parts << QStringLiteral("1/Δt %1").arg(FrequencyText(1e6 / std::fabs(delta)));
        }
    }
    return parts.join(QStringLiteral("  "));
}
