#include "monitor/Sampler.h"

#include <QMetaObject>

#include "recording/SampleReader.h"
#include "recording/ServiceRequests.h"

namespace {

using Clock = std::chrono::steady_clock;
// How long one attempt waits for the guard before looking at the stop flag again.
constexpr std::chrono::milliseconds kGuardWait(50);
// The longest wait for a service request before looking at the stop flag again.
constexpr ViUInt32 kRequestWaitMs = 100;

}  // namespace

CSampler::CSampler(CInstrument& instrument, std::vector<std::string> visaNames, QObject* parent)
    : QObject(parent),
      m_instrument(instrument),
      m_visaNames(std::move(visaNames)),
      m_start(Clock::now()) {
    qRegisterMetaType<Sample>("Sample");
    qRegisterMetaType<ViStatus>("ViStatus");
    qRegisterMetaType<CSampler::Mode>("CSampler::Mode");
}

CSampler::~CSampler() {
    Stop();
}

void CSampler::Start(Mode mode, int periodMs) {
    Stop();
    m_stop = false;
    m_finished = false;
    m_worker = std::thread(&CSampler::Run, this, mode, std::chrono::milliseconds(periodMs));
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
}

bool CSampler::WaitUntil(Clock::time_point until) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return !m_wake.wait_until(lock, until, [this] { return m_stop; });
}

bool CSampler::Read(std::int64_t timeUs, Sample* sample, ViStatus* status) {
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stop) {
                return false;
            }
        }
        if (TryReadSample(m_instrument, timeUs, kGuardWait, sample, status)) {
            return true;
        }
    }
}

void CSampler::Run(Mode mode, std::chrono::milliseconds period) {
    // Queued to this object's thread; Qt drops what is still queued when the object goes.
    auto post = [this](auto function) {
        QMetaObject::invokeMethod(
            this, [this, function] { function(this); }, Qt::QueuedConnection);
    };
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
    post([inForce, reason](CSampler* sampler) { emit sampler->ModeChosen(inForce, reason); });

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
            post([status](CSampler* sampler) { emit sampler->Failed(status); });
            break;
        }
        post([sample](CSampler* sampler) { emit sampler->SampleReady(sample); });
        if (inForce == Mode::OnChange) {
            ViStatus waited = VI_ERROR_TMO;
            while (waited == VI_ERROR_TMO) {
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    if (m_stop) {
                        break;
                    }
                }
                waited = requests.Wait(kRequestWaitMs);
            }
            if (waited < 0 && waited != VI_ERROR_TMO) {
                post([waited](CSampler* sampler) { emit sampler->Failed(waited); });
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
