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

std::string ComposeFurtherErrors(const std::vector<QueuedError>& entries, bool stillQueued) {
    const int count = static_cast<int>(entries.size());
    std::string message = LoadString(count == 1 ? IDS_FURTHER_ERROR : IDS_FURTHER_ERRORS);
    const std::string::size_type pos = message.find("%d");
    if (pos != std::string::npos) {
        message.replace(pos, 2, std::to_string(count));
    }
    for (const QueuedError& entry : entries) {
        message += '\n' + std::to_string(entry.code) + ' ' + entry.text;
    }
    if (stillQueued) {
        std::string stopped = LoadString(IDS_ERROR_QUEUE_NOT_EMPTY);
        const std::string::size_type at = stopped.find("%d");
        if (at != std::string::npos) {
            stopped.replace(at, 2, std::to_string(kMaxErrorQueueMessages));
        }
        message += '\n' + stopped;
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
        std::vector<QueuedError> further;
        for (; errorCode != 0 && read < kMaxErrorQueueMessages; ++read) {
            if (read < kMaxErrorBoxes) {
                platform.MessageBeep();
                platform.MessageBox(ComposeInstrumentError(text));
            } else {
                further.push_back({errorCode, text});
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
        if (!further.empty()) {
            platform.MessageBeep();
            platform.MessageBox(ComposeFurtherErrors(further, errorCode != 0));
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
