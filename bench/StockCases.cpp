// Baselines from stock Qt: the same windows and controls as the program's, made from the same
// template and menu, with nothing taken over, no instrument and no reading. Each one is the
// floor that Qt itself sets for the matching operation of the program.
#include <QAbstractButton>
#include <QDialog>
#include <QMainWindow>
#include <QMenuBar>
#include <memory>

#include "bench/BenchCases.h"
#include "bench/StockMenu.h"
#include "panel/PanelReadings.h"
#include "platform/DialogBuilder.h"
#include "platform/DialogItems.h"
#include "resources/DialogTemplates.h"

namespace {

// A main window with the program's menu bar whose client area is a stock dialog built from the
// panel's template, shown.
class CStockWindow {
public:
    CStockWindow() {
        m_frame.setCentralWidget(new QWidget(&m_frame));
        AddStockMenu(m_frame);
        m_dialog = new QDialog(m_frame.centralWidget());
        // A dialog is a window by default; this one is a plain child, as the panel is.
        m_dialog->setWindowFlags(Qt::Widget);
        BuildDialogFromTemplate(m_dialog, GetDialogTemplate(IDD_PANEL));
        m_dialog->move(0, 0);
        m_dialog->show();
        m_frame.setFixedSize(m_dialog->width(),
                             m_dialog->height() + m_frame.menuBar()->sizeHint().height());
        m_frame.show();
        m_painted = WaitUntilPainted(&m_frame);
    }

    bool Painted() const { return m_painted; }

    QDialog& Dialog() { return *m_dialog; }
    QWidget* Item(int id) { return GetDlgItem(m_dialog, id); }
    // What a read-out repaints when its text changes: the inside of its frame.
    void RepaintReadout(int id) {
        if (QWidget* readout = Item(id)) {
            readout->repaint(readout->rect().adjusted(2, 2, -2, -2));
        }
    }

private:
    QMainWindow m_frame;
    QDialog* m_dialog = nullptr;
    bool m_painted = false;
};

class CStockCase : public CBenchCase {
public:
    explicit CStockCase(std::function<void(CStockWindow&)> operation)
        : m_operation(std::move(operation)) {}
    std::string Start() override {
        m_window = std::make_unique<CStockWindow>();
        if (!m_window->Painted()) {
            return "the stock window was never exposed";
        }
        return m_window->Item(IDC_PORT_VALUE) != nullptr ? std::string() : "no read-out";
    }
    void Run() override {
        m_operation(*m_window);
        DrainPostedEvents();
    }

private:
    std::function<void(CStockWindow&)> m_operation;
    std::unique_ptr<CStockWindow> m_window;
};

class CStockStartupCase : public CBenchCase {
public:
    void Run() override {
        { CStockWindow window; }
        DrainPostedEvents();
    }
};

void StockRadix(CStockWindow& window) {
    auto* hex = qobject_cast<QAbstractButton*>(window.Item(IDC_HEX));
    auto* dec = qobject_cast<QAbstractButton*>(window.Item(IDC_DEC));
    if (hex == nullptr || dec == nullptr) {
        return;
    }
    (hex->isChecked() ? dec : hex)->click();
    for (int id : {int{IDC_PORT_VALUE}, int{IDC_NEG_EDGE_REG}, int{IDC_POS_EDGE_REG}}) {
        window.RepaintReadout(id);
    }
}

CBenchEntry StockEntry(const char* name, std::function<void(CStockWindow&)> operation) {
    return {name, [=] { return std::make_unique<CStockCase>(operation); }};
}

}  // namespace

std::vector<CBenchEntry> StockCases() {
    return {
        StockEntry("stock/readout-repaint",
                   [](CStockWindow& window) { window.RepaintReadout(IDC_PORT_VALUE); }),
        StockEntry("stock/radix", StockRadix),
        StockEntry("stock/panel-paint", [](CStockWindow& window) { window.Dialog().repaint(); }),
        {"stock/startup", [] { return std::make_unique<CStockStartupCase>(); }},
    };
}
