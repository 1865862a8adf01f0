#include "sim/replay/TokenReader.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace sim {

namespace {

constexpr std::size_t kBlock = 1 << 18;

bool IsSpace(char c) {
    return c == ' ' || c == '\n' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

}  // namespace

bool CTokenReader::Open(const std::string& path, std::string* error) {
    namespace fs = std::filesystem;
    std::error_code code;
    // Looked at before it is opened: opening a FIFO would wait for a writer.
    const fs::file_status status = fs::status(path, code);
    if (code) {
        *error = "cannot read the recording (" + code.message() + ")";
        return false;
    }
    if (!fs::is_regular_file(status)) {
        *error =
            fs::is_directory(status) ? "is a folder, not a recording" : "is not a regular file";
        return false;
    }
    m_file.reset(std::fopen(path.c_str(), "rb"));
    if (!m_file) {
        *error = std::string("cannot open the recording (") + std::strerror(errno) + ")";
        return false;
    }
    m_buffer.assign(kBlock + kMaxWord, '\0');
    m_begin = m_end = 0;
    m_eof = false;
    m_line = 1;
    m_error.clear();
    return true;
}

// Moves what is left to the front and reads on behind it; false when nothing more came.
bool CTokenReader::Fill() {
    if (m_eof || !m_file) {
        return false;
    }
    std::memmove(m_buffer.data(), m_buffer.data() + m_begin, m_end - m_begin);
    m_end -= m_begin;
    m_begin = 0;
    const std::size_t got =
        std::fread(m_buffer.data() + m_end, 1, m_buffer.size() - m_end, m_file.get());
    m_end += got;
    if (got == 0) {
        m_eof = true;
        if (std::ferror(m_file.get()) != 0) {
            m_error = "the recording cannot be read on";
        }
        return false;
    }
    return true;
}

bool CTokenReader::Next(std::string_view* word) {
    for (;;) {
        while (m_begin < m_end && IsSpace(m_buffer[m_begin])) {
            m_line += m_buffer[m_begin] == '\n' ? 1 : 0;
            ++m_begin;
        }
        if (m_begin < m_end) {
            break;
        }
        if (!Fill()) {
            return false;
        }
    }
    std::size_t stop = m_begin;
    for (;;) {
        while (stop < m_end && !IsSpace(m_buffer[stop])) {
            ++stop;
        }
        if (stop - m_begin > kMaxWord) {
            m_wordLine = m_line;
            m_error = "a word longer than " + std::to_string(kMaxWord) + " characters";
            m_eof = true;
            m_begin = m_end;
            return false;
        }
        if (stop < m_end || m_eof) {
            break;
        }
        const std::size_t offset = stop - m_begin;
        if (!Fill()) {
            stop = m_begin + offset;
            break;
        }
        stop = m_begin + offset;
    }
    m_wordLine = m_line;
    *word = std::string_view(m_buffer.data() + m_begin, stop - m_begin);
    m_begin = stop;
    return true;
}

}  // namespace sim
