#include "vxi11/RecordStream.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

namespace vxi11 {

namespace {

constexpr std::uint32_t kLastFragment = 0x80000000u;
// Senders write a record as one fragment or a few; more than this is a sender that never ends.
constexpr int kMaxFragments = 64;

int RemainingMs(const Clock::time_point* deadline) {
    if (deadline == nullptr) {
        return -1;
    }
    // Rounded up: a wait never ends before its deadline.
    const auto left =
        std::chrono::duration_cast<std::chrono::microseconds>(*deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(std::min<long long>((left + 999) / 1000, 1 << 30));
}

// Waits until fd is ready for events; false at the deadline.
bool WaitFor(int fd, short events, const Clock::time_point* deadline) {
    for (;;) {
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, RemainingMs(deadline));
        if (ready > 0) {
            return true;
        }
        if (ready == 0 || errno != EINTR) {
            return false;
        }
    }
}

enum class IoResult { Ok, Closed, TimedOut };

IoResult ReadExactly(int fd, std::uint8_t* data, std::size_t size,
                     const Clock::time_point* deadline) {
    while (size > 0) {
        // The clock first: once the deadline passed, a sender that keeps bytes coming would
        // have poll report "readable" at once, for ever.
        if (deadline != nullptr && (Clock::now() >= *deadline || !WaitFor(fd, POLLIN, deadline))) {
            return IoResult::TimedOut;
        }
        const ssize_t got = ::recv(fd, data, size, 0);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return IoResult::Closed;
        }
        data += got;
        size -= static_cast<std::size_t>(got);
    }
    return IoResult::Ok;
}

// A name lookup the resolver works on by itself; it must outlive the wait when the resolver
// does not let go of it in time.
struct Lookup {
    gaicb request{};
    addrinfo hints{};
    std::string host;
};

enum class ResolveResult { Ok, Unknown, TimedOut };

// The lookup asks the name service without a deadline of its own (one that never answers
// holds it for the resolver's retries, 10 s and more): it runs in the resolver's thread and is
// given up at the deadline.
ResolveResult Resolve(const std::string& host, std::uint16_t port, Clock::time_point deadline,
                      sockaddr_in* address) {
    std::memset(address, 0, sizeof(*address));
    address->sin_family = AF_INET;
    address->sin_port = htons(port);
    if (::inet_pton(AF_INET, host.c_str(), &address->sin_addr) == 1) {
        return ResolveResult::Ok;
    }
#if defined(__SANITIZE_THREAD__)
    // The thread sanitizer does not follow the thread glibc starts for getaddrinfo_a (it dies
    // there): in its builds the lookup runs on a thread of ours, left to end by itself.
    struct Shared {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        bool found = false;
        in_addr address{};
    };
    auto shared = std::make_shared<Shared>();
    try {
        std::thread([shared, host] {
            addrinfo hints{};
            hints.ai_family = AF_INET;
            hints.ai_socktype = SOCK_STREAM;
            addrinfo* found = nullptr;
            const bool ok = ::getaddrinfo(host.c_str(), nullptr, &hints, &found) == 0 && found;
            std::lock_guard<std::mutex> lock(shared->mutex);
            if (ok) {
                shared->address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
            }
            if (found != nullptr) {
                ::freeaddrinfo(found);
            }
            shared->found = ok;
            shared->finished = true;
            shared->done.notify_all();
        }).detach();
    } catch (...) {
        return ResolveResult::Unknown;
    }
    std::unique_lock<std::mutex> lock(shared->mutex);
    if (!shared->done.wait_until(lock, deadline, [&] { return shared->finished; })) {
        return ResolveResult::TimedOut;
    }
    address->sin_addr = shared->address;
    return shared->found ? ResolveResult::Ok : ResolveResult::Unknown;
#else
    auto lookup = std::make_unique<Lookup>();
    lookup->host = host;
    lookup->hints.ai_family = AF_INET;
    lookup->hints.ai_socktype = SOCK_STREAM;
    lookup->request.ar_name = lookup->host.c_str();
    lookup->request.ar_request = &lookup->hints;
    gaicb* list[] = {&lookup->request};
    if (::getaddrinfo_a(GAI_NOWAIT, list, 1, nullptr) != 0) {
        return ResolveResult::Unknown;
    }
    while (::gai_error(&lookup->request) == EAI_INPROGRESS) {
        const auto left =
            std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            if (::gai_cancel(&lookup->request) != EAI_CANCELED) {
                // Still in the resolver's hands: it writes its answer here later. A few hundred
                // bytes per lookup that never ends, rather than a wait without end.
                lookup.release();
            }
            return ResolveResult::TimedOut;
        }
        const timespec wait{static_cast<time_t>(left.count() / 1000000000),
                            static_cast<long>(left.count() % 1000000000)};
        ::gai_suspend(list, 1, &wait);
    }
    addrinfo* found = lookup->request.ar_result;
    const bool ok = ::gai_error(&lookup->request) == 0 && found != nullptr;
    if (ok) {
        address->sin_addr = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
    }
    if (found != nullptr) {
        ::freeaddrinfo(found);
    }
    return ok ? ResolveResult::Ok : ResolveResult::Unknown;
#endif
}

}  // namespace

CSocket::~CSocket() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

CSocket& CSocket::operator=(CSocket&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = other.Release();
    }
    return *this;
}

int CSocket::Release() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

void CSocket::Shutdown() const {
    if (m_fd >= 0) {
        ::shutdown(m_fd, SHUT_RDWR);
    }
}

CSocket ConnectTcp(const std::string& host, std::uint16_t port, Clock::time_point deadline,
                   std::string* error) {
    sockaddr_in address{};
    switch (Resolve(host, port, deadline, &address)) {
        case ResolveResult::Ok:
            break;
        case ResolveResult::Unknown:
            *error = "unknown host " + host;
            return CSocket();
        case ResolveResult::TimedOut:
            *error = "no answer from the name service for " + host + " within the time-out";
            return CSocket();
    }
    CSocket socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!socket.IsOpen()) {
        *error = std::strerror(errno);
        return CSocket();
    }
    if (::connect(socket.Fd(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        if (errno != EINPROGRESS) {
            *error = std::strerror(errno);
            return CSocket();
        }
        if (!WaitFor(socket.Fd(), POLLOUT, &deadline)) {
            *error = "no answer from " + host + " within the time-out";
            return CSocket();
        }
        int failure = 0;
        socklen_t length = sizeof(failure);
        ::getsockopt(socket.Fd(), SOL_SOCKET, SO_ERROR, &failure, &length);
        if (failure != 0) {
            *error = std::strerror(failure);
            return CSocket();
        }
    }
    // Later reads and writes wait in poll with their own deadlines.
    ::fcntl(socket.Fd(), F_SETFL, ::fcntl(socket.Fd(), F_GETFL) & ~O_NONBLOCK);
    const int one = 1;
    ::setsockopt(socket.Fd(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
    return socket;
}

CSocket ListenTcp(const std::string& address, std::uint16_t port, std::uint16_t* boundPort,
                  std::string* error) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    if (::inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1) {
        *error = "not an IPv4 address: " + address;
        return CSocket();
    }
    CSocket socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const int one = 1;
    if (!socket.IsOpen() ||
        ::setsockopt(socket.Fd(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one)) != 0 ||
        ::bind(socket.Fd(), reinterpret_cast<sockaddr*>(&local), sizeof(local)) != 0 ||
        ::listen(socket.Fd(), 256) != 0) {
        *error = std::string("cannot listen on ") + address + ": " + std::strerror(errno);
        return CSocket();
    }
    std::uint32_t ignored = 0;
    LocalAddress(socket.Fd(), &ignored, boundPort);
    return socket;
}

bool LocalAddress(int fd, std::uint32_t* address, std::uint16_t* port) {
    sockaddr_in local{};
    socklen_t length = sizeof(local);
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        return false;
    }
    *address = ntohl(local.sin_addr.s_addr);
    *port = ntohs(local.sin_port);
    return true;
}

RecordResult ReadRecord(int fd, std::uint32_t maxSize, Bytes* record,
                        const Clock::time_point* deadline) {
    record->clear();
    for (int fragment = 0;; ++fragment) {
        if (fragment == kMaxFragments) {
            return RecordResult::TooLarge;
        }
        std::uint8_t mark[4];
        const IoResult got = ReadExactly(fd, mark, sizeof(mark), deadline);
        if (got != IoResult::Ok) {
            return got == IoResult::TimedOut ? RecordResult::TimedOut : RecordResult::Closed;
        }
        const std::uint32_t word = (std::uint32_t{mark[0]} << 24) | (std::uint32_t{mark[1]} << 16) |
                                   (std::uint32_t{mark[2]} << 8) | mark[3];
        const std::uint32_t length = word & ~kLastFragment;
        if (length > maxSize - record->size()) {
            return RecordResult::TooLarge;
        }
        const std::size_t start = record->size();
        record->resize(start + length);
        const IoResult body = ReadExactly(fd, record->data() + start, length, deadline);
        if (body != IoResult::Ok) {
            return body == IoResult::TimedOut ? RecordResult::TimedOut : RecordResult::Closed;
        }
        if ((word & kLastFragment) != 0) {
            return RecordResult::Ok;
        }
    }
}

bool WriteRecord(int fd, const Bytes& record, const Clock::time_point* deadline) {
    const std::uint32_t word = kLastFragment | static_cast<std::uint32_t>(record.size());
    Bytes framed = {static_cast<std::uint8_t>(word >> 24), static_cast<std::uint8_t>(word >> 16),
                    static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word)};
    framed.insert(framed.end(), record.begin(), record.end());
    std::size_t sent = 0;
    while (sent < framed.size()) {
        if (deadline != nullptr && !WaitFor(fd, POLLOUT, deadline)) {
            return false;
        }
        const int flags = MSG_NOSIGNAL | (deadline != nullptr ? MSG_DONTWAIT : 0);
        const ssize_t done = ::send(fd, framed.data() + sent, framed.size() - sent, flags);
        if (done < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (done <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(done);
    }
    return true;
}

}  // namespace vxi11
