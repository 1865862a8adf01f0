#pragma once

#include <list>
#include <memory>
#include <string>

class CPan1Dlg;
class IPanelHost;

// Root of the named objects the application keeps in its panel list.
class CSFPObject {
public:
    explicit CSFPObject(std::string name) : m_strName(std::move(name)) {}
    virtual ~CSFPObject() = default;
    CSFPObject(const CSFPObject&) = delete;
    CSFPObject& operator=(const CSFPObject&) = delete;

    const std::string m_strName;
};

// A named panel that can have a window. The window deletes itself after it is destroyed, so
// the panel only refers to it.
class CPanel : public CSFPObject {
public:
    explicit CPanel(std::string name, IPanelHost* host = nullptr)
        : CSFPObject(std::move(name)), m_pHost(host) {}
    // The application that shows this panel; null for a panel without a window.
    IPanelHost* Host() const { return m_pHost; }

    virtual void CreatePanelWnd() {}
    virtual void DestroyPanelWnd();
    virtual void OnTimerTick() {}

    CPan1Dlg* m_pWnd = nullptr;

private:
    IPanelHost* m_pHost;
};

// The panel of this module, "Main Panel".
class CPan1Obj : public CPanel {
public:
    explicit CPan1Obj(IPanelHost& host);
    void CreatePanelWnd() override;
    void OnTimerTick() override;
};

using PanelList = std::list<std::unique_ptr<CSFPObject>>;

// The first object whose name equals name exactly (case-sensitive), or null.
CSFPObject* FindObject(const PanelList& list, const std::string& name);
