#include "platform/native/Platform.h"

#include <cstdio>

namespace {

// Used only when nothing was installed: messages go to standard error so none is lost.
class CFallbackPlatform : public IPlatform {
public:
    void MessageBox(const std::string& text) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    void MessageBeep() override {}
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void SetTimer(unsigned, unsigned) override {}
    void KillTimer(unsigned) override {}
    void SetTickHandler(std::function<void()>) override {}
    bool SelectInstrument(const std::vector<std::string>&, std::string&) override { return false; }
};

CFallbackPlatform g_fallback;
IPlatform* g_pPlatform = nullptr;

}  // namespace

IPlatform& GetPlatform() {
    return g_pPlatform != nullptr ? *g_pPlatform : g_fallback;
}

IPlatform* SetPlatform(IPlatform* platform) {
    IPlatform* previous = g_pPlatform;
    g_pPlatform = platform;
    return previous;
}
