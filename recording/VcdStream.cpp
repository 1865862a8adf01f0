#include "recording/VcdStream.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

namespace {

constexpr int kIdsPerModule = kChannelCount + kPortCount;

// Printable identifiers in base 94 from '!': module 0's wires are '!'.., its vectors 'a'..'d'.
std::string Id(int module, int index) {
    int n = module * kIdsPerModule + index;
    std::string id;
    do {
        id += static_cast<char>('!' + n % 94);
        n /= 94;
    } while (n > 0);
    return id;
}

}  // namespace

CVcdStream::CVcdStream(const VcdOptions& options, ITextSink& sink) : m_out(sink) {
    m_options = StreamOptions(options, &m_selected);
    m_modules.resize(m_options.modules.size());
}

void CVcdStream::Begin() {
    if (m_begun) {
        return;
    }
    m_begun = true;
    if (!m_options.date.empty()) {
        m_out.Put("$date\n    " + m_options.date + "\n$end\n");
    }
    m_out.Put("$version\n    " +
              (m_options.writer.empty() ? DefaultWriterName() : m_options.writer) + "\n$end\n");
    for (const std::string& comment : m_options.comments) {
        m_out.Put("$comment\n    " + comment + "\n$end\n");
    }
    m_out.Put("$timescale 1 us $end\n");
    for (std::size_t module = 0; module < m_modules.size(); ++module) {
        const int m = static_cast<int>(module);
        m_out.Put("$scope module " + m_options.modules[module] + " $end\n");
        for (int port = 0; port < kPortCount; ++port) {
            if (m_selected[port] == 0) {
                continue;
            }
            m_out.Put("$scope module port" + std::to_string(port) + " $end\n");
            for (int bit = 0; bit < 16; ++bit) {
                const int channel = port * 16 + bit;
                if ((m_selected[port] >> bit) & 1) {
                    m_out.Put("$var wire 1 " + Id(m, channel) + " ch" + std::to_string(channel) +
                              " $end\n");
                }
            }
            if (m_options.vectors) {
                m_out.Put("$var wire 16 " + Id(m, kChannelCount + port) + " port" +
                          std::to_string(port) + " [15:0] $end\n");
            }
            m_out.Put("$upscope $end\n");
        }
        m_out.Put("$upscope $end\n");
    }
    m_out.Put("$enddefinitions $end\n");
}

void CVcdStream::PutTime(std::int64_t fileUs) {
    if (fileUs <= m_timeUs) {
        return;
    }
    char text[32];
    const int length = std::snprintf(text, sizeof text, "#%" PRId64 "\n", fileUs);
    m_out.Put(text, static_cast<std::size_t>(length));
    m_timeUs = fileUs;
}

// The wires and vectors of the ports whose bits in mask differ from before: levels of value
// with the bits of flip inverted.
void CVcdStream::PutChanges(int module, const Ports& value, const Ports& mask, const Ports& flip) {
    for (int port = 0; port < kPortCount; ++port) {
        const auto changed = static_cast<std::uint16_t>(mask[port] & m_selected[port]);
        if (changed == 0) {
            continue;
        }
        const auto shown =
            static_cast<std::uint16_t>((value[port] ^ flip[port]) & m_selected[port]);
        for (int bit = 0; bit < 16; ++bit) {
            if ((changed >> bit) & 1) {
                m_out.Put(((shown >> bit) & 1) != 0 ? "1" : "0");
                m_out.Put(Id(module, port * 16 + bit) + "\n");
            }
        }
        if (m_options.vectors) {
            char text[20];
            text[0] = 'b';
            for (int bit = 15; bit >= 0; --bit) {
                text[16 - bit] = ((shown >> bit) & 1) != 0 ? '1' : '0';
            }
            text[17] = ' ';
            m_out.Put(text, 18);
            m_out.Put(Id(module, kChannelCount + port) + "\n");
        }
    }
}

// Pulses' returns due at or before a time, oldest first.
void CVcdStream::PutReturnsUpTo(std::int64_t fileUs) {
    for (;;) {
        Module* next = nullptr;
        for (Module& module : m_modules) {
            if (module.returning != Ports{} && module.returnUs <= fileUs &&
                (next == nullptr || module.returnUs < next->returnUs)) {
                next = &module;
            }
        }
        if (next == nullptr) {
            return;
        }
        PutTime(next->returnUs);
        PutChanges(static_cast<int>(next - m_modules.data()), next->last.value, next->returning,
                   Ports{});
        next->returning = Ports{};
    }
}

void CVcdStream::Add(int module, const Sample& given) {
    if (module < 0 || static_cast<std::size_t>(module) >= m_modules.size() || !m_out.Ok()) {
        return;
    }
    Begin();
    Module& state = m_modules[static_cast<std::size_t>(module)];
    Sample sample = given;
    const bool first = !m_any;
    if (first) {
        m_any = true;
        m_originUs = sample.timeUs;
    }
    // A pulse needs a tick of its own to return on, as in CRecording.
    if (state.started && sample.timeUs < state.last.timeUs + 2) {
        sample.timeUs = state.last.timeUs + 2;
    }
    const std::int64_t fileUs =
        std::max(sample.timeUs - m_originUs, std::max<std::int64_t>(m_timeUs, 0));
    PutReturnsUpTo(fileUs);
    if (!state.started) {
        state.started = true;
        PutTime(fileUs);
        const Ports all = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
        if (first) {
            m_out.Put("$dumpvars\n");
        }
        PutChanges(module, sample.value, all, Ports{});
        if (first) {
            m_out.Put("$end\n");
        }
        state.last = sample;
        return;
    }
    Ports mask{};
    Ports pulses{};
    for (int port = 0; port < kPortCount; ++port) {
        pulses[port] = CaughtPulses(state.last.value[port], sample.value[port],
                                    sample.positive[port], sample.negative[port]);
        mask[port] = static_cast<std::uint16_t>(
            ((state.last.value[port] ^ sample.value[port]) | pulses[port]) & m_selected[port]);
        pulses[port] &= m_selected[port];
    }
    state.last = sample;
    if (mask == Ports{}) {
        return;  // nothing the file shows has changed
    }
    PutTime(fileUs);
    PutChanges(module, sample.value, mask, pulses);
    if (pulses != Ports{}) {
        state.returning = pulses;
        state.returnUs = fileUs + 1;
    }
}

bool CVcdStream::Finish(std::int64_t endUs) {
    Begin();
    if (m_any) {
        PutReturnsUpTo(INT64_MAX);
        // A last time after the last change, so that readers which show up to the final time
        // show that change too.
        PutTime(std::max(endUs - m_originUs, m_timeUs + 1));
    }
    return m_out.Push();
}
