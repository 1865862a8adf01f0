#pragma once

#include <memory>
#include <string>
#include <vector>

#include "instrument/ConnectionOptions.h"
#include "instrument/Instrument.h"
#include "platform/native/Color.h"
#include "platform/native/DynamicLibrary.h"

struct CVisaApi;

// The driver library, from its loading until the live instrument takes it over.
extern CDynamicLibrary g_hDriverLib;

// What the connection procedure leaves for the rest of the program: the one instrument, the
// status colour, the slot and the resource name. The application object is one of these.
class CConnectionState {
public:
    explicit CConnectionState(const ConnectionOptions& options = ConnectionOptions())
        : m_options(options) {}
    virtual ~CConnectionState() = default;
    CConnectionState(const CConnectionState&) = delete;
    CConnectionState& operator=(const CConnectionState&) = delete;

    // Finds, identifies and opens the module, or falls back to the emulated instrument.
    // False only when an instrument already existed.
    bool ConnectInstrument();
    void CreateEmulatedInstrument();
    // Initialises the named resource through the driver library and makes the live
    // instrument, or falls back. The instrument takes the library over when it is made.
    void OpenLiveInstrument(const std::string& name, CDynamicLibrary& library);

    const ConnectionOptions& Options() const { return m_options; }

    std::unique_ptr<CInstrument> m_pInstrument;
    COLORREF m_crStatus = 0;
    int m_nSlot = 0;
    std::string m_strResourceName;

    // The libraries the procedure loads, by bare name; tests point these elsewhere.
    std::vector<std::string> m_visaLibraryNames = VisaLibraryNames();
    std::string m_strDriverLibraryName = DriverLibraryName();

private:
    // Tells the user why and makes the emulated instrument.
    void FallBack(unsigned messageId);
    void RecordAndOpen(const CVisaApi& visa, ViSession rm, const std::string& name);

    ConnectionOptions m_options;
};
