#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "vxi11/RecordStream.h"

namespace vxi11 {

// The client's interrupt channel: a small RPC server for device_intr_srq. The device connects
// to it after create_intr_chan; each request it sends is handed to the callback (on the
// listener's thread) with the handle given to device_enable_srq.
class CSrqListener {
public:
    using Callback = std::function<void(const Bytes& handle)>;

    explicit CSrqListener(Callback callback);
    ~CSrqListener();
    CSrqListener(const CSrqListener&) = delete;
    CSrqListener& operator=(const CSrqListener&) = delete;

    bool Start(const std::string& address, std::string* error);
    std::uint16_t Port() const { return m_port; }

private:
    void Run();
    void Serve(int fd);

    Callback m_callback;
    CSocket m_listener;
    std::uint16_t m_port = 0;
    std::thread m_thread;
    std::mutex m_mutex;
    int m_connection = -1;  // the device's connection while one is served
    std::atomic<bool> m_stopping{false};
};

}  // namespace vxi11
