#pragma once

#include <QString>
#include <cstdint>

#include "recording/Trigger.h"

class CRecording;
struct Sample;

// The monitor's trigger: once armed, each new sample is matched against the one before it, as
// aq3310-rec -t does; the first match fires once, and the recording then starts with the last
// kPreUs of history before it.
class CTriggerArm {
public:
    // Arms with a condition in sigrok-cli's words ("ch3=r,ch5=1"); false with the reason.
    bool Arm(const QString& text, QString* error);
    void Disarm() { m_armed = false; }
    bool IsArmed() const { return m_armed; }
    // Call before sample joins history. True when it fires the trigger: recording then holds
    // the part of history from kPreUs before it, and the sample is for the caller to append.
    bool Check(const CRecording& history, const Sample& sample, CRecording* recording);
    bool HasFired() const { return m_fired; }
    std::int64_t FiredAtUs() const { return m_firedUs; }
    QString Text() const { return QString::fromStdString(m_trigger.Text()); }

    static constexpr std::int64_t kPreUs = 1000000;

private:
    CTrigger m_trigger;
    bool m_armed = false;
    bool m_fired = false;
    std::int64_t m_firedUs = 0;
};
