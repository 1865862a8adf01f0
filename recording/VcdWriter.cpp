#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "recording/Recording.h"
#include "recording/RecordingWriters.h"
#include "recording/TextBuffer.h"

namespace {

char WireId(int channel) {
    return static_cast<char>('!' + channel);
}
char VectorId(int port) {
    return static_cast<char>('!' + kChannelCount + port);
}

void PutVector(CTextBuffer& out, int port, std::uint16_t value) {
    char text[32];
    text[0] = 'b';
    for (int bit = 15; bit >= 0; --bit) {
        text[16 - bit] = ((value >> bit) & 1) != 0 ? '1' : '0';
    }
    text[17] = ' ';
    text[18] = VectorId(port);
    text[19] = '\n';
    out.Put(text, 20);
}

void PutWire(CTextBuffer& out, int channel, int level) {
    const char text[3] = {level != 0 ? '1' : '0', WireId(channel), '\n'};
    out.Put(text, 3);
}

void PutTime(CTextBuffer& out, std::int64_t timeUs) {
    char text[32];
    const int length = std::snprintf(text, sizeof text, "#%" PRId64 "\n", timeUs);
    out.Put(text, static_cast<std::size_t>(length));
}

// The wires and vectors of the ports whose bits in mask differ from before: levels of value
// with the bits of flip inverted.
void PutChanges(CTextBuffer& out, bool vectors, const std::array<std::uint16_t, 4>& value,
                const std::array<std::uint16_t, 4>& mask,
                const std::array<std::uint16_t, 4>& flip) {
    for (int port = 0; port < kPortCount; ++port) {
        if (mask[port] == 0) {
            continue;
        }
        const auto shown = static_cast<std::uint16_t>(value[port] ^ flip[port]);
        for (int bit = 0; bit < 16; ++bit) {
            if ((mask[port] >> bit) & 1) {
                PutWire(out, port * 16 + bit, (shown >> bit) & 1);
            }
        }
        if (vectors) {
            PutVector(out, port, shown);
        }
    }
}

}  // namespace

bool WriteVcd(const CRecording& recording, const VcdOptions& options, ITextSink& sink) {
    CTextBuffer out(sink);
    if (!options.date.empty()) {
        out.Put("$date\n    " + options.date + "\n$end\n");
    }
    out.Put("$version\n    aq3310-rec\n$end\n$timescale 1 us $end\n$scope module k3310 $end\n");
    for (int port = 0; port < kPortCount; ++port) {
        out.Put("$scope module port" + std::to_string(port) + " $end\n");
        for (int bit = 0; bit < 16; ++bit) {
            const int channel = port * 16 + bit;
            out.Put(std::string("$var wire 1 ") + WireId(channel) + " ch" +
                    std::to_string(channel) + " $end\n");
        }
        if (options.vectors) {
            out.Put(std::string("$var wire 16 ") + VectorId(port) + " port" + std::to_string(port) +
                    " [15:0] $end\n");
        }
        out.Put("$upscope $end\n");
    }
    out.Put("$upscope $end\n$enddefinitions $end\n");
    if (recording.IsEmpty()) {
        return out.Finish();
    }

    const std::vector<Sample>& stored = recording.Stored();
    const std::array<std::uint16_t, 4> all = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
    const std::array<std::uint16_t, 4> none = {};
    PutTime(out, stored.front().timeUs);
    out.Put("$dumpvars\n");
    PutChanges(out, options.vectors, stored.front().value, all, none);
    out.Put("$end\n");
    std::int64_t lastTime = stored.front().timeUs;
    for (std::size_t i = 1; i < stored.size() && out.Ok(); ++i) {
        const Sample& sample = stored[i];
        const std::array<std::uint16_t, 4> pulses = recording.PulsesOf(i);
        std::array<std::uint16_t, 4> mask{};
        bool anyPulse = false;
        for (std::size_t port = 0; port < mask.size(); ++port) {
            mask[port] = static_cast<std::uint16_t>(
                (stored[i - 1].value[port] ^ sample.value[port]) | pulses[port]);
            anyPulse = anyPulse || pulses[port] != 0;
        }
        if (mask == none) {
            continue;  // only latched edges that the level already shows
        }
        PutTime(out, sample.timeUs);
        PutChanges(out, options.vectors, sample.value, mask, pulses);
        lastTime = sample.timeUs;
        if (anyPulse) {
            PutTime(out, sample.timeUs + 1);
            PutChanges(out, options.vectors, sample.value, pulses, none);
            lastTime = sample.timeUs + 1;
        }
    }
    // A last time after the last change, so that readers which show up to the final time show
    // that change too.
    PutTime(out, std::max(recording.EndUs(), lastTime + 1));
    return out.Finish();
}
