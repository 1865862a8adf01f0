#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "instrument/VisaTypes.h"
#include "recording/Sample.h"

class CInstrument;

// Takes samples in a worker thread and hands them to the thread the sampler lives in (the GUI
// thread) as signals: the worker queues what it has under a mutex and a timer of the GUI thread
// collects it, so no Qt object is touched from the worker. The worker holds the instrument's guard
// only while it reads, so the panel's readings and the monitor's take turns on the session. A
// failed reading stops the worker and is signalled once.
class CSampler : public QObject {
    Q_OBJECT
public:
    enum class Mode { Period, OnChange };

    CSampler(CInstrument& instrument, std::vector<std::string> visaNames,
             QObject* parent = nullptr);
    ~CSampler() override;

    // Starts (or restarts) the worker. "On change" falls back to the period when the VISA
    // library delivers no service requests; ModeChosen then says why.
    void Start(Mode mode, int periodMs);
    // Stops the worker and waits for it; what it queued and was not delivered is dropped.
    void Stop();
    bool IsRunning() const { return m_worker.joinable() && !m_finished; }
    // The present time on the samples' clock.
    std::int64_t NowUs() const;

signals:
    void SampleReady(const Sample& sample);
    // The mode in force after a start, with the reason when it is not the one asked for.
    void ModeChosen(CSampler::Mode mode, const QString& reason);
    void Failed(ViStatus status);

public:
    // Emits what the worker has queued; the timer calls it, tests may too.
    void Deliver();

    // How often the GUI thread collects samples while the worker runs.
    static constexpr int kDeliveryMs = 5;
    // How long "on change" waits without a service request before it reads the status byte,
    // so that a dead link is noticed within about two seconds.
    static constexpr int kPulseMs = 1000;
    // Tests shorten the pulse; takes effect at the next wait.
    void SetPulseMs(int ms) { m_pulseMs = ms; }

private:
    struct Event {
        enum class Kind { Sample, Failed, ModeChosen } kind = Kind::Sample;
        Sample sample;
        ViStatus status = VI_SUCCESS;
        Mode mode = Mode::Period;
        QString reason;
    };
    void Post(Event event);
    void Run(Mode mode, std::chrono::milliseconds period);
    bool WaitUntil(std::chrono::steady_clock::time_point until);
    bool Read(std::int64_t timeUs, Sample* sample, ViStatus* status);

    CInstrument& m_instrument;
    std::vector<std::string> m_visaNames;
    std::thread m_worker;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::atomic<bool> m_finished{false};
    std::atomic<int> m_pulseMs{kPulseMs};
    // Sample times count from here, across pauses.
    const std::chrono::steady_clock::time_point m_start;
    std::mutex m_queueMutex;
    std::vector<Event> m_queue;
    QTimer m_delivery;
};
