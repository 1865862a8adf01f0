#include "tools/rec/RecOutput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

std::string Folder(const std::string& path) {
    const std::string::size_type slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

CRecOutput::~CRecOutput() {
    if (m_fd > STDERR_FILENO) {
        ::close(m_fd);
    }
}

std::string CRecOutput::Check() const {
    if (m_path == "-") {
        return std::string();
    }
    struct stat info = {};
    int error = 0;
    if (::stat(m_path.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            error = EISDIR;
        } else if (::access(m_path.c_str(), W_OK) != 0) {
            error = errno;
        }
    } else if (errno != ENOENT) {
        error = errno;
    } else if (::access(Folder(m_path).c_str(), W_OK | X_OK) != 0) {
        error = errno;
    }
    return error == 0 ? std::string() : "cannot write " + m_path + ": " + std::strerror(error);
}

std::string CRecOutput::Open() {
    if (m_path == "-") {
        m_fd = STDOUT_FILENO;
    } else {
        // O_TRUNC does nothing to a FIFO or a device; only a plain file starts empty. A FIFO
        // without a reader waits here; an interruption ends the wait (no retry).
        m_fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (m_fd < 0) {
            m_error = errno;
            return Failure();
        }
    }
    struct stat info = {};
    m_regular = ::fstat(m_fd, &info) == 0 && S_ISREG(info.st_mode);
    return std::string();
}

bool CRecOutput::Write(const char* data, std::size_t size) {
    if (m_fd < 0 || m_error != 0) {
        m_error = m_error != 0 ? m_error : EBADF;
        return false;
    }
    while (size > 0) {
        const ssize_t done = ::write(m_fd, data, size);
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done <= 0) {
            m_error = done < 0 ? errno : ENOSPC;
            return false;
        }
        data += done;
        size -= static_cast<std::size_t>(done);
        m_written += static_cast<std::uint64_t>(done);
    }
    return true;
}

bool CRecOutput::Flush() {
    if (m_error != 0) {
        return false;
    }
    // Into the page cache is safe from a kill; onto the disk is safe from a power cut.
    if (m_regular && ::fdatasync(m_fd) != 0 && errno != EINVAL && errno != EROFS) {
        m_error = errno;
        return false;
    }
    return true;
}

std::string CRecOutput::Failure() const {
    return m_error == 0 ? std::string() : "cannot write " + Name() + ": " + std::strerror(m_error);
}
