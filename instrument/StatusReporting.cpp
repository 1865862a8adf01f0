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

std::string ComposeErrorsNotShown(int count, bool stillQueued) {
    std::string message =
        LoadString(stillQueued ? IDS_ERRORS_NOT_SHOWN_MORE : IDS_ERRORS_NOT_SHOWN);
    const std::string::size_type pos = message.find("%d");
    if (pos != std::string::npos) {
        message.replace(pos, 2, std::to_string(count));
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
        int read = 0;
        int notShown = 0;
        for (; errorCode != 0 && read < kMaxErrorQueueMessages; ++read) {
            if (read < kMaxErrorBoxes) {
                platform.MessageBeep();
                platform.MessageBox(ComposeInstrumentError(text));
            } else {
                ++notShown;
            }
            Lock lock(instrument.Guard());
            const char* next = instrument.ErrorQuery(&errorCode);
            if (next == nullptr) {
                // The query itself failed and left the code as it was: treat it as the end of
                // the queue rather than showing empty messages without end.
                errorCode = 0;
                break;
            }
            text = next;
        }
        if (notShown > 0) {
            platform.MessageBeep();
            platform.MessageBox(ComposeErrorsNotShown(notShown, errorCode != 0));
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
