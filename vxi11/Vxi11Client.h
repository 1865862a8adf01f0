#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "vxi11/RecordStream.h"
#include "vxi11/RpcCall.h"

namespace vxi11 {

class CSrqListener;

// One link to a VXI-11 device: the core channel, the abort channel and, once service requests
// are enabled, an interrupt channel the device calls back on. Every call returns the device's
// error code (0 for success) or a negative transport failure; nothing waits longer than the
// call's own time-out plus the link's reply margin, so a host that does not answer costs only
// that. Calls on one link are serialized; Abort() may come from another thread.
class CVxi11Client {
public:
    static constexpr int kTransportError = kCallBrokeOff;  // cannot reach the host, or it broke off
    static constexpr int kNoReply = kCallNoReply;          // nothing came back in time
    static constexpr int kBadReply = kCallBadReply;        // a reply that is not the one asked for

    CVxi11Client();
    ~CVxi11Client();
    CVxi11Client(const CVxi11Client&) = delete;
    CVxi11Client& operator=(const CVxi11Client&) = delete;

    // Connects to host (its portmapper finds the core channel unless corePort is given) and
    // creates a link to device; timeoutMs bounds the connection and the margin of every call.
    int Open(const std::string& host, const std::string& device, int timeoutMs,
             std::uint16_t corePort = 0, bool lockDevice = false, std::uint32_t lockTimeoutMs = 0);
    // Destroys the link (when the device still answers) and closes every channel.
    void Close();

    // How long operations wait for a lock another link holds (0: they fail at once).
    void SetLockTimeout(std::uint32_t ms) { m_lockTimeoutMs = ms; }

    // Sends data in pieces of at most the device's maximum; end marks the last piece.
    int Write(const std::string& data, bool end, std::uint32_t ioTimeoutMs,
              std::size_t* written = nullptr);
    // One read of at most requestSize bytes, ending at termChar when it is 0..255.
    int Read(std::uint32_t requestSize, int termChar, std::uint32_t ioTimeoutMs, std::string* data,
             std::int32_t* reason);
    // Reads until the device marks the end (or termChar, 0..255), at most maxSize bytes; the
    // time-out bounds the whole message, however the device hands it out. *reason tells why
    // the last read ended.
    int ReadMessage(std::string* message, std::uint32_t ioTimeoutMs, std::size_t maxSize = 65536,
                    int termChar = -1, std::int32_t* reason = nullptr);
    int Query(const std::string& command, std::string* reply, std::uint32_t ioTimeoutMs);
    int ReadStb(std::uint8_t* stb);
    int Trigger();
    int Clear();
    int Remote();
    int Local();
    int Lock(std::uint32_t lockTimeoutMs);
    int Unlock();
    // Opens the interrupt channel (once) and asks the device to send service requests with
    // handle; callback runs on the channel's thread.
    int EnableSrq(const Bytes& handle, std::function<void(const Bytes&)> callback);
    int DisableSrq();
    // Ends the link's waiting read, write or lock, over the abort channel.
    int Abort();

    std::int32_t LinkId() const { return m_link; }
    std::uint32_t MaxRecvSize() const { return m_maxRecvSize; }
    const std::string& LastError() const { return m_error; }
    // The address the link is connected to, in dotted form (empty without a link).
    std::string PeerAddress();

private:
    // One call on a channel; decodes the results with proc into result.
    int Call(CSocket& socket, std::uint32_t program, std::uint32_t procedure, xdrproc_t args,
             const void* argument, xdrproc_t proc, void* result, std::uint32_t waitMs,
             std::string* error);
    int Generic(std::uint32_t procedure);
    std::int32_t Flags() const;

    std::mutex m_mutex;
    std::string m_host;
    int m_timeoutMs = 0;
    CSocket m_core;
    std::mutex m_abortMutex;
    CSocket m_abort;
    std::uint16_t m_abortPort = 0;
    std::int32_t m_link = 0;
    std::uint32_t m_maxRecvSize = 0;
    std::uint32_t m_lockTimeoutMs = 0;
    std::atomic<std::uint32_t> m_xid{1};
    std::string m_error;
    std::unique_ptr<CSrqListener> m_srq;
    bool m_interruptChannel = false;
};

}  // namespace vxi11
