#pragma once

#include <cstddef>
#include <string>

#include "recording/RecordingWriters.h"

// Collects a writer's text and hands it to the sink in large pieces; remembers a failed write
// so the writer can stop early and report it.
class CTextBuffer {
public:
    explicit CTextBuffer(ITextSink& sink) : m_sink(sink) {}

    void Put(const char* data, std::size_t size) {
        m_buffer.append(data, size);
        if (m_buffer.size() >= kChunk) {
            Flush();
        }
    }
    void Put(const std::string& text) { Put(text.data(), text.size()); }
    bool Ok() const { return m_ok; }
    bool Finish() {
        Flush();
        return m_ok;
    }
    // Finish, and have the sink pass the text on, so that it survives this process.
    bool Push() {
        Flush();
        m_ok = m_ok && m_sink.Flush();
        return m_ok;
    }

private:
    static constexpr std::size_t kChunk = 1 << 16;
    void Flush() {
        if (m_ok && !m_buffer.empty()) {
            m_ok = m_sink.Write(m_buffer.data(), m_buffer.size());
        }
        m_buffer.clear();
    }

    ITextSink& m_sink;
    std::string m_buffer;
    bool m_ok = true;
};
