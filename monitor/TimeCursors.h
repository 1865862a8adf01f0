#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

// The diagram's two cursors, A and B, as times rather than pixels: they stay on their moment
// while the view zooms and pans, and read the time between them.
class CTimeCursors {
public:
    enum Which { A = 0, B = 1 };

    bool Has(Which which) const { return m_set[which]; }
    std::int64_t At(Which which) const { return m_us[which]; }
    void Set(Which which, std::int64_t us) {
        m_us[which] = us;
        m_set[which] = true;
    }
    void Clear(Which which) { m_set[which] = false; }

    // "A +1.200000 s  B +1.300000 s  Δt 100.000 ms  1/Δt 10.000 Hz", times from originUs;
    // only what is set.
    QString Text(std::int64_t originUs) const;
    static QString DurationText(double us);
    // "+1.250000 s": a time from an origin.
    static QString OffsetText(std::int64_t us, std::int64_t originUs);
    static QString FrequencyText(double hz);

private:
    std::int64_t m_us[2] = {0, 0};
    bool m_set[2] = {false, false};
};
