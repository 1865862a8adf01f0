#include "monitor/Sampler.h"

#include "recording/SampleReader.h"
#include "recording/ServiceRequests.h"

namespace {

using Clock = std::chrono::steady_clock;
// The pause between two attempts to take the guard while another thread holds it.
constexpr std::chrono::milliseconds kGuardRetry(2);
// The longest wait for a service request before looking at the stop flag again.
constexpr ViUInt32 kRequestWaitMs = 100;

}  // namespace

CSampler::CSampler(CInstrument& instrument, std::vector<std::string> visaNames, QObject* parent)
    : QObject(parent),
      m_instrument(instrument),
      m_visaNames(std::move(visaNames)),
      m_start(Clock::now()) {
    m_delivery.setInterval(kDeliveryMs);
    connect(&m_delivery, &QTimer::timeout, this, &CSampler::Deliver);
}

std::int64_t CSampler::NowUs() const {
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - m_start).count();
}

void CSampler::Post(Event event) {
    std::lock_guard<std::mutex> lock(m_queueMutex);
    m_queue.push_back(std::move(event));
}

void CSampler::Deliver() {
    std::vector<Event> events;
    {
        std::lock_guard<std::mutex> lock(m_queueMutex);
        events.swap(m_queue);
    }
    for (const Event& event : events) {
        switch (event.kind) {
            case Event::Kind::Sample:
                emit SampleReady(event.sample);
                break;
            case Event::Kind::Failed:
                emit Failed(event.status);
                break;
            case Event::Kind::ModeChosen:
                emit ModeChosen(event.mode, event.reason);
                break;
        }
    }
}

CSampler::~CSampler() {
    Stop();
}

void CSampler::Start(Mode mode, int periodMs) {
    Stop();
    m_stop = false;
    m_finished = false;
    {
        // Nothing of an earlier run is delivered after a restart.
        std::lock_guard<std::mutex> lock(m_queueMutex);
        m_queue.clear();
    }
    m_worker = std::thread(&CSampler::Run, this, mode, std::chrono::milliseconds(periodMs));
    m_delivery.start();
}

void CSampler::Stop() {
    if (!m_worker.joinable()) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_worker.join();
    m_finished = true;
    m_delivery.stop();
}

bool CSampler::WaitUntil(Clock::time_point until) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return !m_wake.wait_until(lock, until, [this] { return m_stop; });
}

bool CSampler::Read(std::int64_t timeUs, Sample* sample, ViStatus* status) {
    // Never blocks on the guard: a stop must get through while the GUI thread holds it, for
    // instance behind a message box.
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stop) {
                return false;
            }
        }
        if (TryReadSample(m_instrument, timeUs, sample, status, EdgeReader::Monitor)) {
            return true;
        }
        if (!WaitUntil(Clock::now() + kGuardRetry)) {
            return false;
        }
    }
}

void CSampler::Run(Mode mode, std::chrono::milliseconds period) {
    CServiceRequests requests(m_instrument, m_visaNames);
    Mode inForce = Mode::Period;
    QString reason;
    if (mode == Mode::OnChange) {
        if (!requests.Available()) {
            reason = QString::fromStdString(requests.Reason());
        } else if (requests.Enable() < 0) {
            reason = QStringLiteral("service requests could not be enabled");
        } else {
            inForce = Mode::OnChange;
        }
    }
    Event chosen;
    chosen.kind = Event::Kind::ModeChosen;
    chosen.mode = inForce;
    chosen.reason = reason;
    Post(std::move(chosen));

    Clock::time_point next = Clock::now();
    for (;;) {
        const auto timeUs =
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - m_start).count();
        Sample sample;
        ViStatus status = VI_SUCCESS;
        if (!Read(timeUs, &sample, &status)) {
            break;
        }
        if (status < 0) {
            Event failed;
            failed.kind = Event::Kind::Failed;
            failed.status = status;
            Post(std::move(failed));
            break;
        }
        Event taken;
        taken.sample = sample;
        Post(std::move(taken));
        if (inForce == Mode::OnChange) {
            // The status byte is read after each sample and then once per quiet pulse: a module
            // that stays quiet and a link that died look alike on the event queue alone.
            Clock::time_point lastRead = Clock::now();
            bool readFirst = true;
            ViStatus waited = VI_ERROR_TMO;
            while (waited == VI_ERROR_TMO) {
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    if (m_stop) {
                        break;
                    }
                }
                const Clock::time_point now = Clock::now();
                if (now - lastRead >= std::chrono::milliseconds(m_pulseMs.load())) {
                    readFirst = true;
                }
                if (readFirst) {
                    lastRead = now;
                }
                waited = requests.Wait(kRequestWaitMs, readFirst);
                readFirst = false;
            }
            if (waited < 0 && waited != VI_ERROR_TMO) {
                Event failed;
                failed.kind = Event::Kind::Failed;
                failed.status = waited;
                Post(std::move(failed));
                break;
            }
            continue;
        }
        next += period;
        const Clock::time_point now = Clock::now();
        if (next < now) {
            next = now;  // fell behind: carry on from now instead of catching up in a burst
        }
        if (!WaitUntil(next)) {
            break;
        }
    }
    requests.Disable();
    m_finished = true;
}
