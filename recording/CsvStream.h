#pragma once

#include <cstdint>
#include <vector>

#include "recording/RecordingStream.h"
#include "recording/TextBuffer.h"

// The CSV form of a recording stream (see WriteCsv for the columns). With several modules each
// has its columns, named after it; a row holds one module's reading and the other modules' last
// values with empty registers. Comments go on lines of their own, starting with '#', before the
// column names.
class CCsvStream final : public IRecordingStream {
public:
    CCsvStream(const VcdOptions& options, ITextSink& sink);

    void Begin() override;
    void Add(int module, const Sample& sample) override;
    bool Flush() override { return m_out.Push(); }
    bool Finish(std::int64_t endUs) override;

private:
    struct Module {
        bool started = false;
        bool lastWritten = false;
        Sample last;
    };
    void PutRow(int module, const Sample& sample);

    VcdOptions m_options;
    CTextBuffer m_out;
    std::array<std::uint16_t, 4> m_selected{};
    std::vector<Module> m_modules;
    bool m_begun = false;
    bool m_any = false;
    std::int64_t m_originUs = 0;
    std::int64_t m_timeUs = 0;  // the last row's time, on the samples' clock
};
