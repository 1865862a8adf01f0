#pragma once

#include <string>

#include "instrument/VisaTypes.h"
#include "platform/native/Color.h"

class CInstrument;
class CSFPObject;
class QWidget;

// What a panel needs from the application that shows it. The application hands this to the
// panel objects it creates, so the panel never looks for the application itself.
class IPanelHost {
public:
    virtual ~IPanelHost() = default;

    virtual CInstrument& Instrument() = 0;
    // Shows what a failed status means, as the application reports every failure.
    virtual void ReportStatus(ViStatus status) = 0;
    // The slot when the instrument is live, otherwise -1.
    virtual int Slot() const = 0;
    virtual std::string ResourceName() const = 0;
    // Colour of the Active lamp.
    virtual COLORREF StatusColor() const = 0;
    // Where panel windows go: the main frame's client area, or null.
    virtual QWidget* PanelParent() const = 0;
    virtual void SetCurrentPanel(CSFPObject* panel) = 0;
    virtual bool IsAutoUpdateOn() const = 0;
    // Switches Auto Update off, menu check mark included.
    virtual void StopAutoUpdate() = 0;
};
