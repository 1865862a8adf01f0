#include "panel/Pan1Dlg.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QLayout>
#include <QPainter>
#include <QPushButton>
#include <cstdio>

#include "controls/ArtworkStatic.h"
#include "controls/LedButton.h"
#include "instrument/Instrument.h"
#include "panel/FrameFit.h"
#include "panel/PanelColors.h"
#include "panel/PanelHost.h"
#include "panel/PanelObjects.h"
#include "platform/Canvas.h"
#include "platform/DialogBuilder.h"
#include "platform/DialogItems.h"
#include "platform/PainterCanvas.h"
#include "resources/DialogTemplates.h"

namespace {

enum : int {
    IDC_BANNER = 1000,
    IDC_RIGHT_ART = 1001,
    IDC_LEFT_ART = 1002,
    IDC_ACTIVE_LAMP = 1004,
    IDC_INFO_STRIP = 1006,
    IDC_SLOT_LABEL = 1007,
    IDC_SLOT = 1010,
    IDC_RESOURCE = 1011,
    IDC_BODY = 1012,
    IDB_MAKER_LOGO = 104,
    IDB_DRIVER_LOGO = 105,
};

CRect ToCRect(const QRect& r) {
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

}  // namespace

CPan1Dlg::CPan1Dlg(QWidget* parent, CPanel* owner)
    : QDialog(parent, Qt::Widget),
      CPanelReadings(*owner->Host()),
      m_negEdgeReg(GetPanelColor(PanelColor::Face), GetPanelColor(PanelColor::Text),
                   GetPanelColor(PanelColor::Shadow), GetPanelColor(PanelColor::Highlight),
                   nullptr),
      m_posEdgeReg(GetPanelColor(PanelColor::Face), GetPanelColor(PanelColor::Text),
                   GetPanelColor(PanelColor::Shadow), GetPanelColor(PanelColor::Highlight),
                   nullptr),
      m_portValue(GetPanelColor(PanelColor::Face), GetPanelColor(PanelColor::Text),
                  GetPanelColor(PanelColor::Shadow), GetPanelColor(PanelColor::Highlight), nullptr),
      m_slotDisplay(GetPanelColor(PanelColor::Face), GetPanelColor(PanelColor::Text),
                    GetPanelColor(PanelColor::Shadow), GetPanelColor(PanelColor::Highlight), true,
                    nullptr, nullptr),
      m_resourceDisplay(GetPanelColor(PanelColor::Face), GetPanelColor(PanelColor::Text),
                        GetPanelColor(PanelColor::Shadow), GetPanelColor(PanelColor::Highlight),
                        true, nullptr, nullptr),
      m_infoStrip(GetPanelColor(PanelColor::Face), GetPanelColor(PanelColor::Text),
                  GetPanelColor(PanelColor::Shadow), GetPanelColor(PanelColor::Highlight), true,
                  nullptr, nullptr),
      m_banner(GetPanelColor(PanelColor::Banner), GetPanelColor(PanelColor::Text),
               GetPanelColor(PanelColor::Shadow), GetPanelColor(PanelColor::Highlight), true,
               nullptr, nullptr),
      m_pOwner(owner) {
    // A dialog is a window by default; this one is a plain child of the frame's client area.
    setWindowFlags(Qt::Widget);
    setObjectName(QStringLiteral("mainPanel"));
    BuildDialogFromTemplate(this, GetDialogTemplate(IDD_PANEL));
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        // The first child with an id wins, as with GetDlgItem.
        if (const int id = GetDlgCtrlId(child); id != 0) {
            m_items.emplace(id, child);
        }
    }
    move(0, 0);
    installEventFilter(this);
    for (const auto& item : m_items) {
        item.second->installEventFilter(this);
    }
    ConnectHandlers();
    show();
    OnInitDialog();
}

CPan1Dlg::~CPan1Dlg() {
    delete m_pActiveLamp;
    delete m_pLeftArt;
    delete m_pRightArt;
}

void CPan1Dlg::DestroyWindow() {
    if (m_bDestroying) {
        return;
    }
    m_bDestroying = true;
    hide();
    deleteLater();
}

void CPan1Dlg::OnInitDialog() {
    m_banner.m_pFontSourceWnd = this;
    m_resourceDisplay.m_pFontSourceWnd = this;

    m_negEdgeReg.SubclassDlgItem(IDC_NEG_EDGE_REG, this);
    m_posEdgeReg.SubclassDlgItem(IDC_POS_EDGE_REG, this);
    m_portValue.SubclassDlgItem(IDC_PORT_VALUE, this);
    m_slotDisplay.SubclassDlgItem(IDC_SLOT, this);
    m_resourceDisplay.SubclassDlgItem(IDC_RESOURCE, this);
    m_infoStrip.SubclassDlgItem(IDC_INFO_STRIP, this);
    m_banner.SubclassDlgItem(IDC_BANNER, this);

    if (QWidget* frame = parentWidget() != nullptr ? parentWidget()->window() : nullptr) {
        // The frame's layout has to have placed its client area before the two are compared.
        if (frame->layout() != nullptr) {
            frame->layout()->activate();
        }
        const FrameSize fitted = FitFrameToPanel(
            {frame->width(), frame->height()}, {parentWidget()->width(), parentWidget()->height()},
            {width(), height()});
        frame->setFixedSize(fitted.width, fitted.height);
        if (frame->layout() != nullptr) {
            frame->layout()->activate();
        }
    }

    m_pActiveLamp = new CLedButton(m_host.StatusColor(), MakeRgb(192, 192, 192));
    m_pActiveLamp->SubclassDlgItem(IDC_ACTIVE_LAMP, this);

    std::swap(m_banner.m_crFrameTopLeft, m_banner.m_crFrameBottomRight);

    m_pLeftArt = new CArtworkStatic(IDB_MAKER_LOGO);
    m_pLeftArt->SubclassDlgItem(IDC_LEFT_ART, this);
    m_pRightArt = new CArtworkStatic(IDB_DRIVER_LOGO);
    m_pRightArt->SubclassDlgItem(IDC_RIGHT_ART, this);

    m_slotDisplay.m_pFontSourceWnd = this;

    const int slot = m_host.Slot();
    if (slot >= 0) {
        char text[16];
        std::snprintf(text, sizeof text, "%d", slot);
        m_slotDisplay.SetText(text);
    } else {
        if (QWidget* display = m_slotDisplay.GetSafeHwnd()) {
            display->hide();
        }
        if (QWidget* label = Item(IDC_SLOT_LABEL)) {
            label->hide();
        }
    }

    const std::string resourceName = m_host.ResourceName();
    m_resourceDisplay.SetText(resourceName);
    SetAccessibleTexts();
    // A text too long for its display is shown cut short with "…": the whole of it is in the
    // tooltip and for assistive technology.
    if (QWidget* slotWnd = Item(IDC_SLOT)) {
        slotWnd->setAccessibleDescription(QString::fromStdString(m_slotDisplay.GetText()));
        m_slotDisplay.SetToolTip(m_slotDisplay.GetText());
    }
    if (QWidget* resource = Item(IDC_RESOURCE)) {
        const QString name = QString::fromStdString(resourceName);
        resource->setAccessibleDescription(name);
        resource->setAccessibleName(QStringLiteral("Resource ") + name);
        m_resourceDisplay.SetToolTip(resourceName);
    }

    CheckRadioButton(IDC_DEC, IDC_HEX, IDC_DEC);
    CheckRadioButton(IDC_PORT0, IDC_PORT3, IDC_PORT0);

    OnTakeReading();
}

void CPan1Dlg::ConnectHandlers() {
    const struct {
        int id;
        void (CPanelReadings::*handler)();
    } clicks[] = {
        {IDC_PORT_VALUE, &CPanelReadings::OnPortValue},
        {IDC_NEG_EDGE_REG, &CPanelReadings::OnNegEdgeReg},
        {IDC_POS_EDGE_REG, &CPanelReadings::OnPosEdgeReg},
        {IDC_HEX, &CPanelReadings::OnHex},
        {IDC_DEC, &CPanelReadings::OnDec},
        {IDOK, &CPanelReadings::OnTakeReading},
    };
    for (const auto& click : clicks) {
        if (auto* button = qobject_cast<QAbstractButton*>(Item(click.id))) {
            const auto handler = click.handler;
            connect(button, &QAbstractButton::clicked, this,
                    [this, handler] { (this->*handler)(); });
        }
    }
    if (auto* takeReading = qobject_cast<QPushButton*>(Item(IDOK))) {
        // Enter is the accept command wherever the focus is, as the dialog manager maps it.
        takeReading->setDefault(true);
    }
}

void CPan1Dlg::keyPressEvent(QKeyEvent* event) {
    const bool plain = event->modifiers() == Qt::NoModifier ||
                       (event->modifiers() == Qt::KeypadModifier && event->key() == Qt::Key_Enter);
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        // The accept command: "Take Reading", whichever control without a use for Enter has
        // the focus (a focused push button has already clicked itself).
        if (auto* takeReading = qobject_cast<QAbstractButton*>(Item(IDOK))) {
            takeReading->click();
        }
        event->accept();
        return;
    }
    if (plain && event->key() == Qt::Key_Escape) {
        event->accept();  // the cancel command does nothing here
        return;
    }
    QDialog::keyPressEvent(event);
}

void CPan1Dlg::CheckRadioButton(int first, int last, int id) {
    for (int each = first; each <= last; ++each) {
        if (auto* button = qobject_cast<QAbstractButton*>(Item(each))) {
            button->setChecked(each == id);
        }
    }
}

int CPan1Dlg::GetCheckedRadioButton(int first, int last) const {
    for (int id = first; id <= last; ++id) {
        auto* button = qobject_cast<QAbstractButton*>(Item(id));
        if (button != nullptr && button->isChecked()) {
            return id;
        }
    }
    return 0;
}

QWidget* CPan1Dlg::Item(int id) const {
    const auto it = m_items.find(id);
    return it != m_items.end() ? it->second.data() : nullptr;
}

CValueButton* CPan1Dlg::ReadoutById(int id) {
    switch (id) {
        case IDC_PORT_VALUE:
            return &m_portValue;
        case IDC_POS_EDGE_REG:
            return &m_posEdgeReg;
        case IDC_NEG_EDGE_REG:
            return &m_negEdgeReg;
        default:
            return nullptr;
    }
}

std::string CPan1Dlg::GetReadoutText(int id) const {
    return const_cast<CPan1Dlg*>(this)->ReadoutById(id)->GetText();
}

void CPan1Dlg::SetReadoutText(int id, const std::string& text) {
    CValueButton* readout = ReadoutById(id);
    readout->SetText(text);
    if (QWidget* widget = readout->GetSafeHwnd()) {
        widget->setAccessibleDescription(QString::fromStdString(text));
    }
}

void CPan1Dlg::ShowLinkLost(bool lost) {
    if (m_pActiveLamp != nullptr) {
        m_pActiveLamp->SetLampColor(lost ? kColorDarkGrey : m_host.StatusColor());
    }
}

bool CPan1Dlg::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) &&
        window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
        // Qt sets the attribute when Tab, an arrow key or a mnemonic moves the focus; the
        // focused control's cue follows it.
        window()->setAttribute(Qt::WA_KeyboardFocusChange, false);
        if (QWidget* focused = window()->focusWidget()) {
            focused->update();
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CPan1Dlg::SetAccessibleTexts() {
    const struct {
        int id;
        const char* name;
    } names[] = {
        {IDC_PORT_VALUE, "Port Value"},      {IDC_POS_EDGE_REG, "Pos Edge Reg"},
        {IDC_NEG_EDGE_REG, "Neg. Edge Reg"}, {IDC_SLOT, "Slot"},
        {IDC_RESOURCE, "Resource"},          {IDC_ACTIVE_LAMP, "Active"},
        {IDC_LEFT_ART, "Maker logo"},        {IDC_RIGHT_ART, "Driver standard logo"},
    };
    for (const auto& entry : names) {
        if (QWidget* widget = Item(entry.id)) {
            widget->setAccessibleName(QString::fromLatin1(entry.name));
        }
    }
    if (QWidget* lamp = Item(IDC_ACTIVE_LAMP)) {
        lamp->setAccessibleDescription(m_host.Instrument().IsLive() ? QStringLiteral("live")
                                                                    : QStringLiteral("non live"));
    }
}

void CPan1Dlg::PaintBackground(CCanvas& canvas, const CRect& client, const CRect& body) {
    canvas.FillSolidRect(client, GetPanelColor(PanelColor::Background));
    const CRect r = body.Inset(2);
    const CPen previous = canvas.SelectPen(CPen{2, GetPanelColor(PanelColor::Highlight)});
    canvas.Polyline({{r.left, r.bottom}, {r.left, r.top}, {r.right, r.top}});
    canvas.SelectPen(CPen{2, GetPanelColor(PanelColor::Shadow)});
    canvas.Polyline({{r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}});
    canvas.FillSolidRect(r, GetPanelColor(PanelColor::Face));
    canvas.SelectPen(previous);
}

void CPan1Dlg::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    CPainterCanvas canvas(painter);
    const QWidget* body = Item(IDC_BODY);
    PaintBackground(canvas, ToCRect(rect()), body != nullptr ? ToCRect(body->geometry()) : CRect{});
}
