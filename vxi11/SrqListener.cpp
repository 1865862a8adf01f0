#include "vxi11/SrqListener.h"

#include <sys/socket.h>

namespace vxi11 {

CSrqListener::CSrqListener(Callback callback) : m_callback(std::move(callback)) {}

CSrqListener::~CSrqListener() {
    m_stopping = true;
    m_listener.Shutdown();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_connection >= 0) {
            ::shutdown(m_connection, SHUT_RDWR);
        }
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

bool CSrqListener::Start(const std::string& address, std::string* error) {
    m_listener = ListenTcp(address, 0, &m_port, error);
    if (!m_listener.IsOpen()) {
        return false;
    }
    m_thread = std::thread([this] { Run(); });
    return true;
}

void CSrqListener::Run() {
    while (!m_stopping) {
        CSocket socket(::accept4(m_listener.Fd(), nullptr, nullptr, SOCK_CLOEXEC));
        if (!socket.IsOpen()) {
            if (m_stopping || errno != EINTR) {
                return;
            }
            continue;
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stopping) {
                return;
            }
            m_connection = socket.Fd();
        }
        Serve(socket.Fd());
        std::lock_guard<std::mutex> lock(m_mutex);
        m_connection = -1;
    }
}

void CSrqListener::Serve(int fd) {
    Bytes record;
    while (ReadRecord(fd, 4096, &record) == RecordResult::Ok) {
        CXdrReader reader(record);
        CallHeader header;
        if (DecodeCallHeader(reader.Get(), &header) != HeaderResult::Call) {
            return;
        }
        if (header.program != kInterruptProgram || header.version != kProgramVersion) {
            if (!WriteRecord(fd, EncodeReply(header.xid, AcceptStat::ProgramUnavailable))) {
                return;
            }
            continue;
        }
        if (header.procedure != kProcIntrSrq) {
            const AcceptStat stat =
                header.procedure == 0 ? AcceptStat::Success : AcceptStat::ProcedureUnavailable;
            if (!WriteRecord(fd, EncodeReply(header.xid, stat))) {
                return;
            }
            continue;
        }
        CDecoded<Device_SrqParms> parms(Proc(xdr_Device_SrqParms));
        if (!parms.Decode(reader.Get())) {
            if (!WriteRecord(fd, EncodeReply(header.xid, AcceptStat::GarbageArguments))) {
                return;
            }
            continue;
        }
        const auto* handle = reinterpret_cast<const std::uint8_t*>(parms->handle.handle_val);
        // The reply goes first: the device waits for it, the callback may take its time.
        if (!WriteRecord(fd, EncodeReply(header.xid, AcceptStat::Success))) {
            return;
        }
        m_callback(Bytes(handle, handle + parms->handle.handle_len));
    }
}

}  // namespace vxi11
