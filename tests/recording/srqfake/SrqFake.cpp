// A VISA library with only the event functions, scripted by the test: it logs each call and
// answers with the status byte and wait status it was given. Built a second time without
// viWaitOnEvent, as a library that cannot deliver service requests.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "instrument/VisaTypes.h"

#define SRQ_FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::string g_log;
// Set by the test's thread while a sampler's worker calls in.
std::atomic<ViUInt16> g_stb{0};
std::atomic<ViStatus> g_waitStatus{VI_SUCCESS};
std::atomic<ViStatus> g_stbStatus{VI_SUCCESS};
std::atomic<int> g_stbReads{0};
// A quiet wait takes a little time, as a real one does, so a polling caller does not spin.
constexpr std::chrono::milliseconds kQuietWait(10);

std::string Hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "%x", value);
    return text;
}

}  // namespace

SRQ_FAKE_EXPORT ViStatus viWrite(ViSession vi, const ViByte* buffer, ViUInt32 count,
                                 ViUInt32* written) {
    std::string text(reinterpret_cast<const char*>(buffer), count);
    if (!text.empty() && text.back() == '\n') {
        text.back() = '$';
    }
    g_log += "write " + std::to_string(vi) + " " + text + "|";
    *written = count;
    return VI_SUCCESS;
}

SRQ_FAKE_EXPORT ViStatus viEnableEvent(ViSession vi, ViUInt32 type, ViUInt16 mechanism,
                                       ViUInt32 context) {
    g_log += "enable " + std::to_string(vi) + " " + Hex(type) + " " + Hex(mechanism) + " " +
             Hex(context) + "|";
    return VI_SUCCESS;
}

SRQ_FAKE_EXPORT ViStatus viDisableEvent(ViSession vi, ViUInt32 type, ViUInt16 mechanism) {
    g_log += "disable " + std::to_string(vi) + " " + Hex(type) + " " + Hex(mechanism) + "|";
    return VI_SUCCESS;
}

#if !defined(SRQ_FAKE_NO_WAIT)
SRQ_FAKE_EXPORT ViStatus viWaitOnEvent(ViSession vi, ViUInt32 type, ViUInt32 timeout,
                                       ViUInt32* outType, ViUInt32* outContext) {
    g_log += "wait " + std::to_string(vi) + " " + Hex(type) + " " + std::to_string(timeout) + "|";
    const ViStatus status = g_waitStatus;
    if (status == VI_ERROR_TMO) {
        std::this_thread::sleep_for(std::min(kQuietWait, std::chrono::milliseconds(timeout)));
    }
    if (status < 0) {
        return status;
    }
    *outType = type;
    *outContext = 77;
    return VI_SUCCESS;
}
#endif

SRQ_FAKE_EXPORT ViStatus viReadSTB(ViSession vi, ViUInt16* status) {
    g_log += "stb " + std::to_string(vi) + "|";
    ++g_stbReads;
    *status = g_stb;
    return g_stbStatus;
}

SRQ_FAKE_EXPORT ViStatus viClose(ViUInt32 vi) {
    g_log += "close " + std::to_string(vi) + "|";
    return VI_SUCCESS;
}

SRQ_FAKE_EXPORT void srqFakeSet(ViUInt16 stb, ViStatus waitStatus) {
    g_stb = stb;
    g_waitStatus = waitStatus;
}

// What the next status byte reads return, and how many have been made.
SRQ_FAKE_EXPORT void srqFakeSetStbStatus(ViStatus status) {
    g_stbStatus = status;
}

SRQ_FAKE_EXPORT int srqFakeStbReads() {
    return g_stbReads;
}

SRQ_FAKE_EXPORT const char* srqFakeLog() {
    return g_log.c_str();
}
