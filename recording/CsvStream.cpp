#include "recording/CsvStream.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

CCsvStream::CCsvStream(const VcdOptions& options, ITextSink& sink) : m_out(sink) {
    m_options = StreamOptions(options, &m_selected);
    m_modules.resize(m_options.modules.size());
}

void CCsvStream::Begin() {
    if (m_begun) {
        return;
    }
    m_begun = true;
    for (const std::string& comment : m_options.comments) {
        m_out.Put("# " + comment + "\n");
    }
    m_out.Put("time_s");
    for (const std::string& name : m_options.modules) {
        const std::string prefix = m_modules.size() > 1 ? name + "_" : std::string();
        for (int port = 0; port < kPortCount; ++port) {
            if (m_selected[port] != 0) {
                const std::string p = std::to_string(port);
                m_out.Put("," + prefix + "port" + p + "," + prefix + "pos" + p + "," + prefix +
                          "neg" + p);
            }
        }
    }
    m_out.Put("\n");
}

void CCsvStream::PutRow(int module, const Sample& sample) {
    m_timeUs = std::max(m_timeUs, sample.timeUs);
    const std::int64_t fileUs = m_timeUs - m_originUs;
    char text[64];
    int length = std::snprintf(text, sizeof text, "%" PRId64 ".%06" PRId64, fileUs / 1000000,
                               fileUs % 1000000);
    m_out.Put(text, static_cast<std::size_t>(length));
    for (std::size_t m = 0; m < m_modules.size(); ++m) {
        const bool own = static_cast<int>(m) == module;
        const Sample& shown = own ? sample : m_modules[m].last;
        for (int port = 0; port < kPortCount; ++port) {
            const std::uint16_t selected = m_selected[port];
            if (selected == 0) {
                continue;
            }
            if (!own && !m_modules[m].started) {
                m_out.Put(",,,");
                continue;
            }
            length = std::snprintf(text, sizeof text, ",%u,%u,%u",
                                   unsigned{shown.value[port]} & selected,
                                   own ? unsigned{shown.positive[port]} & selected : 0u,
                                   own ? unsigned{shown.negative[port]} & selected : 0u);
            m_out.Put(text, static_cast<std::size_t>(length));
        }
    }
    m_out.Put("\n", 1);
}

void CCsvStream::Add(int module, const Sample& sample) {
    if (module < 0 || static_cast<std::size_t>(module) >= m_modules.size() || !m_out.Ok()) {
        return;
    }
    Begin();
    if (!m_any) {
        m_any = true;
        m_originUs = sample.timeUs;
        m_timeUs = sample.timeUs;
    }
    Module& state = m_modules[static_cast<std::size_t>(module)];
    bool news = !state.started;
    for (int port = 0; port < kPortCount; ++port) {
        news = news || ((state.last.value[port] ^ sample.value[port]) | sample.positive[port] |
                        sample.negative[port]) != 0;
    }
    state.started = true;
    state.last = sample;
    state.lastWritten = news;
    if (news) {
        PutRow(module, sample);
    }
}

bool CCsvStream::Finish(std::int64_t) {
    Begin();
    for (std::size_t m = 0; m < m_modules.size(); ++m) {
        if (m_modules[m].started && !m_modules[m].lastWritten) {
            PutRow(static_cast<int>(m), m_modules[m].last);
            m_modules[m].lastWritten = true;
        }
    }
    return m_out.Push();
}
