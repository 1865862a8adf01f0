// The program's own operations, on the emulated instrument and on the substitute libraries.
#include <QAbstractButton>
#include <QPointer>
#include <memory>

#include "app/MainFrame.h"
#include "app/SfpApp.h"
#include "bench/BenchCases.h"
#include "bench/BenchPlatform.h"
#include "instrument/EmulatedInstrument.h"
#include "panel/Pan1Dlg.h"
#include "platform/DialogItems.h"

namespace {

enum class Stack {
    Emulated,  // the emulated instrument made beforehand, as the tests do
    NoVisa,    // no VISA library found: the connection falls back to the emulated instrument
    Live,      // the substitute libraries, found by name through LD_LIBRARY_PATH
};

// The program started in process as far as its event loop: frame shown, panel open, first
// reading taken. Torn down as at exit.
class CRunningProgram {
public:
    explicit CRunningProgram(Stack stack) {
        if (stack == Stack::Emulated) {
            m_app.m_crStatus = kColorDarkGrey;
            m_app.m_pInstrument = std::make_unique<CEmulatedInstrument>();
        } else if (stack == Stack::NoVisa) {
            // Both names the program tries, so that both searches fail as on such a system.
            m_app.m_visaLibraryNames = {"libsfp-bench-absent-visa.so",
                                        "libsfp-bench-absent-ivivisa.so.0"};
        }
        m_app.InitInstance();
        m_frame = m_app.m_pMainWnd;
        if (m_frame != nullptr) {
            m_panel = m_frame->Client()->findChild<CPan1Dlg*>();
            m_painted = WaitUntilPainted(m_frame);
        }
    }
    ~CRunningProgram() {
        if (m_frame != nullptr) {
            m_frame->DestroyWindow();
        }
        DrainPostedEvents();
    }
    CRunningProgram(const CRunningProgram&) = delete;
    CRunningProgram& operator=(const CRunningProgram&) = delete;

    // Empty when the program came up as the stack asks.
    std::string Check(Stack stack) const {
        if (m_panel == nullptr || !m_panel->isVisible()) {
            return "the panel did not open";
        }
        if (!m_painted) {
            return "the frame was never exposed";
        }
        const bool live = m_app.m_pInstrument != nullptr && m_app.m_pInstrument->IsLive();
        if (stack == Stack::Live && (!live || m_platform.boxes != 0)) {
            return "not live (" + m_platform.lastBox +
                   "): put the substitute libraries on LD_LIBRARY_PATH (build/<preset>/sim/lib)";
        }
        if (stack != Stack::Live && live) {
            return "live, where the emulated instrument was wanted";
        }
        return {};
    }
    CPan1Dlg* Panel() const { return m_panel; }

private:
    CBenchPlatform m_platform;
    CSfpApp m_app;
    QPointer<CMainFrame> m_frame;
    QPointer<CPan1Dlg> m_panel;
    bool m_painted = false;
};

// An operation on a running panel.
class CPanelCase : public CBenchCase {
public:
    CPanelCase(Stack stack, std::function<void(CPan1Dlg&)> operation)
        : m_stack(stack), m_operation(std::move(operation)) {}
    std::string Start() override {
        m_program = std::make_unique<CRunningProgram>(m_stack);
        return m_program->Check(m_stack);
    }
    void Run() override {
        m_operation(*m_program->Panel());
        DrainPostedEvents();
    }

private:
    Stack m_stack;
    std::function<void(CPan1Dlg&)> m_operation;
    std::unique_ptr<CRunningProgram> m_program;
};

// Start-up to the panel shown, then exit's tear-down.
class CStartupCase : public CBenchCase {
public:
    explicit CStartupCase(Stack stack) : m_stack(stack) {}
    std::string Start() override { return CRunningProgram(m_stack).Check(m_stack); }
    void Run() override { CRunningProgram program(m_stack); }

private:
    Stack m_stack;
};

void Click(CPan1Dlg& panel, int id) {
    if (auto* button = qobject_cast<QAbstractButton*>(GetDlgItem(&panel, id))) {
        button->click();
    }
}

// One switch per run, alternating, so that every run changes the three texts.
void SwitchRadix(CPan1Dlg& panel) {
    auto* hex = qobject_cast<QAbstractButton*>(GetDlgItem(&panel, IDC_HEX));
    Click(panel, hex != nullptr && hex->isChecked() ? IDC_DEC : IDC_HEX);
}

CBenchEntry PanelEntry(const char* name, Stack stack, std::function<void(CPan1Dlg&)> operation) {
    return {name, [=] { return std::make_unique<CPanelCase>(stack, operation); }};
}

CBenchEntry StartupEntry(const char* name, Stack stack) {
    return {name, [=] { return std::make_unique<CStartupCase>(stack); }};
}

}  // namespace

std::vector<CBenchEntry> PanelCases() {
    const auto reading = [](CPan1Dlg& panel) { panel.OnTakeReading(); };
    const auto refresh = [](CPan1Dlg& panel) { panel.OnPortValue(); };
    const auto paint = [](CPan1Dlg& panel) { panel.repaint(); };
    return {
        PanelEntry("reading/emulated", Stack::Emulated, reading),
        PanelEntry("reading/live", Stack::Live, reading),
        PanelEntry("refresh/emulated", Stack::Emulated, refresh),
        PanelEntry("refresh/live", Stack::Live, refresh),
        PanelEntry("radix/emulated", Stack::Emulated, SwitchRadix),
        PanelEntry("paint/panel", Stack::Emulated, paint),
        StartupEntry("startup/emulated", Stack::NoVisa),
        StartupEntry("startup/live", Stack::Live),
    };
}
