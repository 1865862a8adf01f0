#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "recording/RecordingStream.h"
#include "recording/TextBuffer.h"

// The VCD form of a recording stream (see WriteVcd for the layout). Each module has its own
// scope and identifiers; a caught pulse's return to the old level is held back until the
// stream's time passes it, so that samples of other modules stay in time order around it.
class CVcdStream final : public IRecordingStream {
public:
    CVcdStream(const VcdOptions& options, ITextSink& sink);

    void Begin() override;
    void Add(int module, const Sample& sample) override;
    bool Flush() override { return m_out.Push(); }
    bool Finish(std::int64_t endUs) override;

private:
    using Ports = std::array<std::uint16_t, 4>;
    struct Module {
        bool started = false;
        Sample last;
        Ports returning{};          // pulses whose old level is still to be written
        std::int64_t returnUs = 0;  // when, in file time
    };

    void PutTime(std::int64_t fileUs);
    void PutChanges(int module, const Ports& value, const Ports& mask, const Ports& flip);
    void PutReturnsUpTo(std::int64_t fileUs);

    VcdOptions m_options;
    CTextBuffer m_out;
    Ports m_selected{};  // the written channels, per port
    std::vector<Module> m_modules;
    bool m_begun = false;
    bool m_any = false;  // a sample has been written: m_originUs is set
    std::int64_t m_originUs = 0;
    std::int64_t m_timeUs = -1;  // the last time written, in file time
};
