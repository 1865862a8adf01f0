#include "recording/Recording.h"
#include "recording/RecordingWriters.h"
#include "recording/VcdStream.h"

std::string DefaultWriterName() {
    return std::string("aq3310-sfp ") + SFP_VERSION;
}

bool WriteVcd(const CRecording& recording, const VcdOptions& options, ITextSink& sink) {
    CVcdStream stream(options, sink);
    stream.Begin();
    for (const Sample& sample : recording.Stored()) {
        stream.Add(0, sample);
    }
    return stream.Finish(recording.EndUs());
}
