#pragma once

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "sim/scenario/Scenario.h"
#include "vxi11/RpcServer.h"
#include "vxi11/Vxi11Client.h"
#include "vxi11/Vxi11Server.h"

// Four fixed ports, so that every reply follows from its query alone.
extern const char* const kFixedScenario;
sim::Scenario ParsedScenario(const char* yaml);

// A server on a loopback port of its own, in this process.
class CLoopbackServer {
public:
    explicit CLoopbackServer(const char* yaml = kFixedScenario);
    vxi11::CVxi11Server server;
    vxi11::CRpcServer network;
    std::uint16_t Port() const { return network.CorePort(); }
    // A client with a link to device, or one that failed (its status in *status).
    std::unique_ptr<vxi11::CVxi11Client> Link(const std::string& device = "inst0",
                                              int* status = nullptr);
};

// One call written by hand on a raw connection, for what the client core never sends.
struct RawReply {
    bool received = false;
    vxi11::Bytes bytes;
};
RawReply RawExchange(int fd, const vxi11::Bytes& record, int timeoutMs = 5000);
vxi11::Bytes RawCall(std::uint32_t procedure, xdrproc_t args, const void* argument,
                     std::uint32_t program = vxi11::kCoreProgram, std::uint32_t version = 1);
// A raw connection to a loopback port, from source (another loopback address) when given.
vxi11::CSocket RawConnect(std::uint16_t port, const char* source = nullptr);
// A link made by hand on a raw connection; its id (0 when refused).
std::int32_t RawLink(int fd, const char* device = "inst0");
// The device error of a reply that carries only one, or -1.
int ErrorOf(const RawReply& reply);
// The accept status of a reply (-1 when it is not an accepted reply); the stream stands at the
// results afterwards.
int AcceptStatus(XDR* xdr);

template <typename T>
xdrproc_t XdrProc(bool_t (*function)(XDR*, T*)) {
    return reinterpret_cast<xdrproc_t>(reinterpret_cast<void (*)()>(function));
}

// A program run for a test; stopped (SIGTERM, then SIGKILL) when the object goes.
class CChildProcess {
public:
    CChildProcess() = default;
    ~CChildProcess();
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    bool Start(const std::vector<std::string>& argv);
    // The next line of its standard output, waiting at most timeoutMs; false at its end.
    bool ReadLine(std::string* line, int timeoutMs);
    // Waits for its output to close or the time-out; true when it closed (the program is gone
    // or closed it).
    bool WaitOutputClosed(int timeoutMs);
    // Sends signal and waits for the exit; the exit status, or -1 after the time-out.
    int Stop(int signal, int timeoutMs);
    pid_t Pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
    int m_output = -1;
    std::string m_buffered;
};

// Runs a command line to its end, at most timeoutMs; its exit status (or -1) and output.
int RunCommand(const std::vector<std::string>& argv, int timeoutMs, std::string* output);

// A VXI-11 device written by hand, for one client on listener: it answers create_link and
// every other call at once, except device_read, which it answers with one byte and no end, just
// inside the read's time-out (7/8 of it). Returns when the client goes, or when none came
// within 10 s.
void ServeDribblingDevice(int listener);

// Waits until the process is stopped (a signal took effect: state 'T' in /proc); false after
// the time-out.
bool AwaitStopped(pid_t pid, int timeoutMs);

// The resident memory of a process, in KiB (0 when unknown).
long ResidentKiB(pid_t pid);
