#include <cinttypes>
#include <cstdio>

#include "recording/Recording.h"
#include "recording/RecordingWriters.h"
#include "recording/TextBuffer.h"

namespace {

void PutRow(CTextBuffer& out, const Sample& sample) {
    char text[256];
    int length = std::snprintf(text, sizeof text, "%" PRId64 ".%06" PRId64, sample.timeUs / 1000000,
                               sample.timeUs % 1000000);
    for (int port = 0; port < kPortCount; ++port) {
        length += std::snprintf(text + length, sizeof text - static_cast<std::size_t>(length),
                                ",%u,%u,%u", unsigned{sample.value[port]},
                                unsigned{sample.positive[port]}, unsigned{sample.negative[port]});
    }
    text[length++] = '\n';
    out.Put(text, static_cast<std::size_t>(length));
}

}  // namespace

bool WriteCsv(const CRecording& recording, ITextSink& sink) {
    CTextBuffer out(sink);
    out.Put("time_s");
    for (int port = 0; port < kPortCount; ++port) {
        const std::string p = std::to_string(port);
        out.Put(",port" + p + ",pos" + p + ",neg" + p);
    }
    out.Put("\n");
    for (const Sample& sample : recording.Stored()) {
        PutRow(out, sample);
        if (!out.Ok()) {
            break;
        }
    }
    if (!recording.IsEmpty() && recording.Last().timeUs != recording.Stored().back().timeUs) {
        PutRow(out, recording.Last());
    }
    return out.Finish();
}
