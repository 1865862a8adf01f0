#include "instrument/StatusReporting.h"

#include <mutex>

#include "instrument/Instrument.h"
#include "platform/native/Platform.h"
#include "resources/StringTable.h"

std::string ComposeInstrumentError(const std::string& text) {
    std::string message = LoadString(IDS_INSTRUMENT_REPORTS_ERROR);
    const std::string::size_type pos = message.find("%s");
    if (pos != std::string::npos) {
        message.replace(pos, 2, text);
    }
    return message;
}

void ReportInstrumentStatus(ViStatus status, CInstrument& instrument) {
    IPlatform& platform = GetPlatform();
    platform.KillTimer(kTickTimerId);

    // The instrument's texts are read and copied under its guard, so that another thread's
    // operation cannot replace them halfway; the boxes are shown without it.
    using Lock = std::lock_guard<std::recursive_mutex>;
    if (status == STATUS_INSTRUMENT_ERROR) {
        std::string text;
        {
            Lock lock(instrument.Guard());
            text = instrument.GetLastErrorText();
        }
        int errorCode = 1;
        for (int shown = 0; errorCode != 0 && shown < kMaxErrorQueueMessages; ++shown) {
            platform.MessageBeep();
            platform.MessageBox(ComposeInstrumentError(text));
            Lock lock(instrument.Guard());
            const char* next = instrument.ErrorQuery(&errorCode);
            if (next == nullptr) {
                // The query itself failed and left the code as it was: treat it as the end of
                // the queue rather than showing empty messages without end.
                break;
            }
            text = next;
        }
    } else if (status == VI_ERROR_TMO) {
        platform.MessageBox(LoadString(IDS_TIME_OUT));
    } else {
        std::string text;
        bool known = false;
        {
            Lock lock(instrument.Guard());
            const char* described = instrument.ErrorMessage(status);
            known = described != nullptr;
            text = known ? described : "";
        }
        if (known) {
            platform.MessageBox(text);
        }
    }

    platform.SetTimer(kTickTimerId, kTickPeriodMs);
}
