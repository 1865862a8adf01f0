#include "Vxi11Support.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

using namespace vxi11;

const char* const kFixedScenario = R"(resources:
  - name: VXI0::24::INSTR
    interface: vxi
    slot: 24
    manufacturer: 0xFFF
    model: 0x154
    module:
      ports: [0x1111, 0x2222, 0x4444, 0x8888]
  - name: GPIB0::9::INSTR
    idn: "OTHERCO,DMM 100,1234,2.0"
)";

sim::Scenario ParsedScenario(const char* yaml) {
    sim::ParseResult parsed = sim::ParseScenario(yaml, "test.yaml");
    return parsed.scenario ? *parsed.scenario : sim::Scenario();
}

CLoopbackServer::CLoopbackServer(const char* yaml) : server(ParsedScenario(yaml)), network(server) {
    std::string error;
    network.Start("127.0.0.1", 0, &error);
}

std::unique_ptr<CVxi11Client> CLoopbackServer::Link(const std::string& device, int* status) {
    auto client = std::make_unique<CVxi11Client>();
    const int result = client->Open("127.0.0.1", device, 2000, Port());
    if (status != nullptr) {
        *status = result;
    }
    return client;
}

RawReply RawExchange(int fd, const Bytes& record, int timeoutMs) {
    RawReply reply;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    if (WriteRecord(fd, record, &deadline)) {
        reply.received = ReadRecord(fd, kMaxRecord, &reply.bytes, &deadline) == RecordResult::Ok;
    }
    return reply;
}

Bytes RawCall(std::uint32_t procedure, xdrproc_t args, const void* argument, std::uint32_t program,
              std::uint32_t version) {
    return EncodeCall(CallHeader{77, program, version, procedure}, args, argument);
}

CSocket RawConnect(std::uint16_t port, const char* source) {
    if (source == nullptr) {
        std::string error;
        return ConnectTcp("127.0.0.1", port, Clock::now() + std::chrono::seconds(2), &error);
    }
    CSocket socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    ::inet_pton(AF_INET, source, &address.sin_addr);
    if (::bind(socket.Fd(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        return CSocket();
    }
    address.sin_port = htons(port);
    ::inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
    if (::connect(socket.Fd(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        return CSocket();
    }
    return socket;
}

std::int32_t RawLink(int fd, const char* device) {
    Create_LinkParms parms{};
    parms.device = const_cast<char*>(device);
    const RawReply reply =
        RawExchange(fd, RawCall(kProcCreateLink, XdrProc(xdr_Create_LinkParms), &parms));
    CXdrReader reader(reply.bytes);
    Create_LinkResp result{};
    if (!reply.received || AcceptStatus(reader.Get()) != 0 ||
        !xdr_Create_LinkResp(reader.Get(), &result) || result.error != kOk) {
        return 0;
    }
    return static_cast<std::int32_t>(result.lid);
}

int ErrorOf(const RawReply& reply) {
    CXdrReader reader(reply.bytes);
    Device_Error result{};
    if (!reply.received || AcceptStatus(reader.Get()) != 0 ||
        !xdr_Device_Error(reader.Get(), &result)) {
        return -1;
    }
    return static_cast<int>(result.error);
}

int AcceptStatus(XDR* xdr) {
    std::uint32_t words[3] = {};
    for (std::uint32_t& word : words) {
        if (!xdr_u_int32_t(xdr, &word)) {
            return -1;
        }
    }
    std::uint32_t flavor = 0;
    std::uint32_t length = 0;
    std::uint32_t stat = 0;
    if (words[1] != 1 || words[2] != 0 || !xdr_u_int32_t(xdr, &flavor) ||
        !xdr_u_int32_t(xdr, &length) || length != 0 || !xdr_u_int32_t(xdr, &stat)) {
        return -1;
    }
    return static_cast<int>(stat);
}

CChildProcess::~CChildProcess() {
    if (m_pid > 0) {
        Stop(SIGTERM, 5000);
    }
    if (m_pid > 0) {
        Stop(SIGKILL, 5000);
    }
    if (m_output >= 0) {
        ::close(m_output);
    }
}

bool CChildProcess::Start(const std::vector<std::string>& argv) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        return false;
    }
    m_pid = ::fork();
    if (m_pid == 0) {
        ::dup2(pipeFds[1], STDOUT_FILENO);
        std::vector<char*> args;
        for (const std::string& arg : argv) {
            args.push_back(const_cast<char*>(arg.c_str()));
        }
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    m_output = pipeFds[0];
    return m_pid > 0;
}

bool CChildProcess::ReadLine(std::string* line, int timeoutMs) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const std::size_t end = m_buffered.find('\n');
        if (end != std::string::npos) {
            *line = m_buffered.substr(0, end);
            m_buffered.erase(0, end + 1);
            return true;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd entry{m_output, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&entry, 1, static_cast<int>(left.count())) <= 0) {
            return false;
        }
        char chunk[512];
        const ssize_t got = ::read(m_output, chunk, sizeof(chunk));
        if (got <= 0) {
            return false;
        }
        m_buffered.append(chunk, static_cast<std::size_t>(got));
    }
}

bool CChildProcess::WaitOutputClosed(int timeoutMs) {
    std::string line;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < deadline) {
        pollfd entry{m_output, POLLIN, 0};
        if (::poll(&entry, 1, 50) > 0) {
            char chunk[512];
            if (::read(m_output, chunk, sizeof(chunk)) <= 0) {
                return true;
            }
        }
    }
    return false;
}

int CChildProcess::Stop(int signal, int timeoutMs) {
    if (m_pid <= 0) {
        return -1;
    }
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, m_pid, 0));
    ::kill(m_pid, signal);
    pollfd entry{pidfd, POLLIN, 0};
    const bool exited = pidfd >= 0 && ::poll(&entry, 1, timeoutMs) > 0;
    if (pidfd >= 0) {
        ::close(pidfd);
    }
    if (!exited) {
        return -1;
    }
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int RunCommand(const std::vector<std::string>& argv, int timeoutMs, std::string* output) {
    CChildProcess child;
    if (!child.Start(argv)) {
        return -1;
    }
    output->clear();
    std::string line;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || !child.ReadLine(&line, static_cast<int>(left.count()))) {
            break;
        }
        *output += line + "\n";
    }
    // Its output closed: it has ended, or is ended now.
    return child.Stop(0, std::max<int>(1, timeoutMs / 4));
}

long ResidentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return 0;
}

bool AwaitStopped(pid_t pid, int timeoutMs) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string line;
        std::getline(stat, line);
        // The state follows the command name, which is in parentheses and may hold spaces.
        const std::size_t name = line.rfind(')');
        if (name != std::string::npos && name + 2 < line.size() && line[name + 2] == 'T') {
            return true;
        }
        std::this_thread::yield();
    } while (Clock::now() < deadline);
    return false;
}

void ServeDribblingDevice(int listener) {
    pollfd arrival{listener, POLLIN, 0};
    if (::poll(&arrival, 1, 10000) <= 0) {
        return;
    }
    CSocket client(::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC));
    Bytes call;
    while (client.IsOpen() && ReadRecord(client.Fd(), kMaxRecord, &call) == RecordResult::Ok) {
        CXdrReader reader(call);
        CallHeader header;
        if (DecodeCallHeader(reader.Get(), &header) != HeaderResult::Call) {
            return;
        }
        Bytes reply;
        if (header.procedure == kProcCreateLink) {
            Create_LinkResp result{};
            result.lid = 1;
            result.maxRecvSize = 1024;
            reply =
                EncodeReply(header.xid, AcceptStat::Success, XdrProc(xdr_Create_LinkResp), &result);
        } else if (header.procedure == kProcRead) {
            Device_ReadParms parms{};
            xdr_Device_ReadParms(reader.Get(), &parms);
            // The client leaving ends the wait.
            pollfd gone{client.Fd(), POLLRDHUP, 0};
            if (::poll(&gone, 1, std::max<int>(1, static_cast<int>(parms.io_timeout / 8 * 7))) >
                0) {
                return;
            }
            Device_ReadResp result{};
            char byte = 'x';
            result.data.data_len = 1;
            result.data.data_val = &byte;
            reply =
                EncodeReply(header.xid, AcceptStat::Success, XdrProc(xdr_Device_ReadResp), &result);
        } else {
            Device_Error result{};
            reply =
                EncodeReply(header.xid, AcceptStat::Success, XdrProc(xdr_Device_Error), &result);
        }
        if (!WriteRecord(client.Fd(), reply)) {
            return;
        }
    }
}
