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

VcdOptions StreamOptions(const VcdOptions& options, std::array<std::uint16_t, 4>* selected) {
    VcdOptions out = options;
    if (out.modules.empty()) {
        out.modules.push_back("k3310");
    }
    if (out.channels.empty()) {
        *selected = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
    } else {
        *selected = {};
    }
    for (int channel : out.channels) {
        (*selected)[static_cast<std::size_t>(ChannelPort(channel))] |=
            static_cast<std::uint16_t>(1u << ChannelBit(channel));
    }
    return out;
}
