#pragma once

#include <utility>

#include "instrument/VisaTypes.h"

class ISymbolSource;

// The VISA functions as this program calls them through pointers bound by name.
using ViOpenDefaultRMFn = ViStatus(SFP_VI_CALL*)(ViSession* rm);
using ViFindRsrcFn = ViStatus(SFP_VI_CALL*)(ViSession rm, const ViChar* expression,
                                            ViFindList* findList, ViUInt32* count, ViChar* name);
using ViFindNextFn = ViStatus(SFP_VI_CALL*)(ViFindList findList, ViChar* name);
using ViOpenFn = ViStatus(SFP_VI_CALL*)(ViSession rm, const ViChar* name, ViAccessMode mode,
                                        ViUInt32 openTimeout, ViSession* vi);
using ViCloseFn = ViStatus(SFP_VI_CALL*)(ViObject vi);
using ViGetAttributeFn = ViStatus(SFP_VI_CALL*)(ViObject vi, ViAttr attribute, void* value);
using ViSetAttributeFn = ViStatus(SFP_VI_CALL*)(ViObject vi, ViAttr attribute, ViAttrState value);
using ViWriteFn = ViStatus(SFP_VI_CALL*)(ViSession vi, const ViByte* buffer, ViUInt32 count,
                                         ViUInt32* written);
using ViReadFn = ViStatus(SFP_VI_CALL*)(ViSession vi, ViByte* buffer, ViUInt32 count,
                                        ViUInt32* read);
using ViStatusDescFn = ViStatus(SFP_VI_CALL*)(ViObject vi, ViStatus status, ViChar* text);

// The eight entry points the connection procedure uses.
struct CVisaApi {
    ViOpenDefaultRMFn viOpenDefaultRM = nullptr;
    ViFindRsrcFn viFindRsrc = nullptr;
    ViFindNextFn viFindNext = nullptr;
    ViOpenFn viOpen = nullptr;
    ViGetAttributeFn viGetAttribute = nullptr;
    ViWriteFn viWrite = nullptr;
    ViReadFn viRead = nullptr;
    ViCloseFn viClose = nullptr;

    // False, with nothing bound, when the library lacks one of them.
    bool Bind(const ISymbolSource& library);
};

// The one owner of a VISA session or find list: closes it when destroyed. Move-only.
class CViSession {
public:
    explicit CViSession(ViCloseFn close) : m_close(close) {}
    CViSession(ViCloseFn close, ViSession session) : m_close(close), m_session(session) {}
    ~CViSession() { Close(); }
    CViSession(CViSession&& other) noexcept
        : m_close(other.m_close), m_session(std::exchange(other.m_session, VI_NULL)) {}
    CViSession& operator=(CViSession&&) = delete;
    CViSession(const CViSession&) = delete;
    CViSession& operator=(const CViSession&) = delete;

    ViSession Get() const { return m_session; }
    // Takes over a session that a VISA call reported opened (status zero or positive).
    void Adopt(ViSession session) {
        Close();
        m_session = session;
    }
    void Close() {
        if (m_session != VI_NULL && m_close != nullptr) {
            m_close(m_session);
        }
        m_session = VI_NULL;
    }

private:
    ViCloseFn m_close;
    ViSession m_session = VI_NULL;
};

// Reads a 16-bit attribute into a buffer with room to spare, so that a library that writes
// more than 16 bits cannot overwrite the caller's stack.
ViStatus GetAttribute16(const CVisaApi& visa, ViSession vi, ViAttr attribute, ViUInt16* value);
