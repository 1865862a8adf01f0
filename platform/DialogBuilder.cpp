#include "platform/DialogBuilder.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

#include "platform/DialogItems.h"
#include "resources/DialogTemplates.h"

namespace {

// A static with a black frame. Its 1-pixel lines are filled rectangles, so that on a scaled
// screen they thicken with everything else rather than staying one device pixel wide.
class CBlackFrame : public QFrame {
public:
    using QFrame::QFrame;

protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter painter(this);
        const int w = width();
        const int h = height();
        painter.fillRect(0, 0, w, 1, Qt::black);
        painter.fillRect(0, h - 1, w, 1, Qt::black);
        painter.fillRect(0, 0, 1, h, Qt::black);
        painter.fillRect(w - 1, 0, 1, h, Qt::black);
    }
};

QWidget* CreateControl(QWidget* dialog, const DlgItem& item) {
    const QString text = QString::fromStdString(item.text);
    switch (item.kind) {
        case CtrlKind::Text: {
            auto* label = new QLabel(text, dialog);
            label->setAlignment(
                (item.align == TextAlign::Center ? Qt::AlignHCenter : Qt::AlignLeft) |
                Qt::AlignTop);
            label->setTextFormat(Qt::PlainText);
            return label;
        }
        case CtrlKind::BlackFrame: {
            return new CBlackFrame(dialog);
        }
        case CtrlKind::Icon: {
            auto* label = new QLabel(dialog);
            label->setPixmap(QApplication::windowIcon().pixmap(32, 32));
            return label;
        }
        case CtrlKind::PushButton:
        case CtrlKind::DefPushButton:
        case CtrlKind::OwnerDrawButton: {
            auto* button = new QPushButton(text, dialog);
            button->setAutoDefault(true);
            button->setDefault(item.kind == CtrlKind::DefPushButton);
            return button;
        }
        case CtrlKind::RadioButton: {
            auto* radio = new QRadioButton(text, dialog);
            radio->setAutoExclusive(false);  // exclusivity comes from the template's group
            return radio;
        }
        case CtrlKind::GroupBox:
            return new QGroupBox(text, dialog);
        case CtrlKind::DropDownList: {
            auto* combo = new QComboBox(dialog);
            combo->setEditable(false);
            combo->setInsertPolicy(QComboBox::NoInsert);
            return combo;
        }
    }
    return new QWidget(dialog);
}

}  // namespace

DialogBaseUnits BuildDialogFromTemplate(QWidget* dialog, const DlgTemplate& dlgTemplate) {
    const QString family = QString::fromStdString(dlgTemplate.fontName);
    dialog->setFont(DialogTextFont(family, dlgTemplate.fontPoints, dialog->devicePixelRatioF()));
    // Scale-1 metrics whatever face draws the texts: the layout only scales.
    const DialogBaseUnits base = BaseUnitsOf(DialogFont(family, dlgTemplate.fontPoints));
    if (!dlgTemplate.caption.empty()) {
        dialog->setWindowTitle(QString::fromStdString(dlgTemplate.caption));
    }
    dialog->setFixedSize(DialogXToPixels(base, dlgTemplate.cx),
                         DialogYToPixels(base, dlgTemplate.cy));

    QButtonGroup* group = nullptr;
    QWidget* previousFocusable = nullptr;
    for (const DlgItem& item : dlgTemplate.items) {
        QWidget* control = CreateControl(dialog, item);
        SetDlgCtrlId(control, item.id);
        control->setGeometry(DialogToPixels(base, item.x, item.y, item.cx, item.cy));
        if (item.kind == CtrlKind::DropDownList) {
            // The template's height includes the drop-down part; the closed box is one line.
            control->setFixedHeight(control->sizeHint().height());
        }
        if (item.kind == CtrlKind::RadioButton) {
            if (item.group || group == nullptr) {
                group = new QButtonGroup(dialog);
                group->setExclusive(true);
            }
            group->addButton(static_cast<QRadioButton*>(control), item.id);
            // Keyboard users reach each radio group by Tab (its checked button); arrows move
            // within it.
            control->setFocusPolicy(Qt::StrongFocus);
        } else if (item.group) {
            group = nullptr;
        }
        const bool focusable = item.tabStop || item.kind == CtrlKind::RadioButton;
        if (!focusable &&
            (item.kind == CtrlKind::PushButton || item.kind == CtrlKind::OwnerDrawButton ||
             item.kind == CtrlKind::DefPushButton)) {
            control->setFocusPolicy(Qt::NoFocus);
        }
        if (focusable && control->focusPolicy() != Qt::NoFocus) {
            if (previousFocusable != nullptr) {
                QWidget::setTabOrder(previousFocusable, control);
            }
            previousFocusable = control;
        }
        control->show();
    }
    return base;
}
