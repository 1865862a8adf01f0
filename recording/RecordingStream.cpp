#include "recording/RecordingStream.h"

#include "recording/CsvStream.h"
#include "recording/VcdStream.h"

std::unique_ptr<IRecordingStream> MakeRecordingStream(RecordingFormat format,
                                                      const VcdOptions& options, ITextSink& sink) {
    if (format == RecordingFormat::Csv) {
        return std::make_unique<CCsvStream>(options, sink);
    }
    return std::make_unique<CVcdStream>(options, sink);
}
