#include "recording/CsvStream.h"
#include "recording/Recording.h"
#include "recording/RecordingWriters.h"

bool WriteCsv(const CRecording& recording, ITextSink& sink) {
    CCsvStream stream(VcdOptions{}, sink);
    stream.Begin();
    for (const Sample& sample : recording.Stored()) {
        stream.Add(0, sample);
    }
    if (!recording.IsEmpty() && recording.Last().timeUs != recording.Stored().back().timeUs) {
        stream.Add(0, recording.Last());
    }
    return stream.Finish(recording.EndUs());
}
