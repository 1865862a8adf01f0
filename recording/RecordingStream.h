#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "recording/RecordingFile.h"
#include "recording/RecordingWriters.h"
#include "recording/Sample.h"

// A recording file written while it is made, in time order, so that whatever reached the sink
// is a valid file at every moment. Samples of several modules come through one stream in time
// order; each is told by its index into the options' modules.
class IRecordingStream {
public:
    virtual ~IRecordingStream() = default;
    // The header, with the options' comments; once, before the first sample.
    virtual void Begin() = 0;
    // A sample of a module; times are microseconds on one clock for all modules, the file's
    // time 0 being the first sample's time.
    virtual void Add(int module, const Sample& sample) = 0;
    // Passes what is buffered to the sink, and the sink on. False once anything failed.
    virtual bool Flush() = 0;
    // Ends the file at endUs (on the samples' clock), then Flush.
    virtual bool Finish(std::int64_t endUs) = 0;
};

std::unique_ptr<IRecordingStream> MakeRecordingStream(RecordingFormat format,
                                                      const VcdOptions& options, ITextSink& sink);

// What both streams start from: the options with one module at least ("k3310" when none is
// named), and the written inputs as a mask per port, all 64 when the options list none.
VcdOptions StreamOptions(const VcdOptions& options, std::array<std::uint16_t, 4>* selected);
