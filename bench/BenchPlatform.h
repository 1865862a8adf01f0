#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/native/Platform.h"

// Platform services for measuring in process: a box or the Select Instrument dialog is counted,
// never shown, so nothing waits for a user; the tick timer is never started, so no tick lands
// inside a measurement. Installed for its lifetime.
class CBenchPlatform : public IPlatform {
public:
    CBenchPlatform();
    ~CBenchPlatform() override;
    CBenchPlatform(const CBenchPlatform&) = delete;
    CBenchPlatform& operator=(const CBenchPlatform&) = delete;

    void MessageBox(const std::string& text) override;
    void MessageBeep() override {}
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void SetTimer(unsigned /*id*/, unsigned /*periodMs*/) override {}
    void KillTimer(unsigned /*id*/) override {}
    void SetTickHandler(std::function<void()> /*handler*/) override {}
    bool SelectInstrument(const std::vector<std::string>& names, std::string& selection) override;

    int boxes = 0;
    std::string lastBox;

private:
    IPlatform* m_pPrevious;
};
