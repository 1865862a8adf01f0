#include "monitor/TriggerArm.h"

#include <algorithm>
#include <string>

#include "recording/Recording.h"

bool CTriggerArm::Arm(const QString& text, QString* error) {
    std::string why;
    CTrigger parsed;
    if (!CTrigger::Parse(text.toStdString(), &parsed, &why) || parsed.IsEmpty()) {
        *error = why.empty() ? QStringLiteral("no condition given") : QString::fromStdString(why);
        return false;
    }
    m_trigger = parsed;
    m_armed = true;
    m_fired = false;
    return true;
}

bool CTriggerArm::Check(const CRecording& history, const Sample& sample, CRecording* recording) {
    if (!m_armed || history.IsEmpty() || !m_trigger.Matches(history.Last(), sample)) {
        return false;
    }
    m_armed = false;
    m_fired = true;
    m_firedUs = sample.timeUs;
    recording->Clear();
    // The state kPreUs before the trigger is that of the last stored sample at or before then.
    const std::vector<Sample>& stored = history.Stored();
    const std::int64_t from = sample.timeUs - kPreUs;
    auto it = std::upper_bound(stored.begin(), stored.end(), from,
                               [](std::int64_t t, const Sample& s) { return t < s.timeUs; });
    if (it != stored.begin()) {
        Sample start = *std::prev(it);
        start.timeUs = from;
        start.positive = {};
        start.negative = {};
        recording->Append(start);
    }
    for (; it != stored.end(); ++it) {
        recording->Append(*it);
    }
    return true;
}
