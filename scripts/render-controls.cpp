// Renders the display controls headless to PNG files, for a person to look at:
//   render-controls [folder]      (default: controls-png in the current directory)
// One file per control as the panel sets it up, plus the whole sample panel at 1x and 3x.
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <cstdio>
#include <cstdlib>

#include "controls/ArtworkStatic.h"
#include "controls/DisplayStatic.h"
#include "controls/LedButton.h"
#include "controls/ValueButton.h"
#include "platform/DialogColors.h"
#include "platform/DialogItems.h"
#include "platform/SysColors.h"

namespace {

template <class Widget>
Widget* AddItem(QWidget* panel, int id, const QRect& geometry) {
    auto* item = new Widget(panel);
    SetDlgCtrlId(item, id);
    item->setGeometry(geometry);
    return item;
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    const QString folder =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("controls-png");
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "render-controls: cannot create %s\n", qPrintable(folder));
        return 1;
    }
    SetDialogBkColor(kColorLightGrey, MakeRgb(0, 0, 0));

    QWidget panel;
    panel.resize(300, 150);
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF black = MakeRgb(0, 0, 0);

    AddItem<QLabel>(&panel, 1000, {0, 0, 300, 50});
    AddItem<QLabel>(&panel, 1002, {8, 13, 84, 24});
    AddItem<QLabel>(&panel, 1001, {215, 5, 60, 24});
    AddItem<QLabel>(&panel, 1004, {8, 58, 130, 84});
    AddItem<QPushButton>(&panel, 1010, {16, 66, 112, 22});
    AddItem<QPushButton>(&panel, 1011, {16, 94, 112, 22});
    AddItem<QLabel>(&panel, 1020, {150, 62, 24, 19});
    AddItem<QLabel>(&panel, 1021, {150, 90, 110, 19});
    AddItem<QLabel>(&panel, 1022, {150, 118, 60, 19});
    AddItem<QPushButton>(&panel, 1030, {270, 62, 24, 19});
    AddItem<QPushButton>(&panel, 1031, {270, 90, 20, 20});

    CDisplayStatic strip(MakeRgb(0, 128, 128), black, shadow, light, true);
    std::swap(strip.m_crFrameTopLeft, strip.m_crFrameBottomRight);
    CDisplayStatic bezel(kColorLightGrey, black, shadow, light, true);
    CValueButton value(kColorLightGrey, black, shadow, light);
    CValueButton wide(kColorLightGrey, black, shadow, light);
    CDisplayStatic slot(kColorLightGrey, black, shadow, light, true, nullptr, &panel);
    CDisplayStatic resource(kColorLightGrey, black, shadow, light, true, nullptr, &panel);
    CDisplayStatic unframed(kColorLightGrey, black, shadow, light, false, nullptr, &panel);
    CLedButton live(kColorGreen, kColorLightGrey);
    CLedButton emulated(kColorDarkGrey, kColorLightGrey);
    CArtworkStatic maker(104);
    CArtworkStatic badge(105);
    struct Item {
        CSubclassedControl* control;
        int id;
        const char* name;
    };
    const Item items[] = {
        {&strip, 1000, "strip"},
        {&maker, 1002, "artwork-104"},
        {&badge, 1001, "artwork-105"},
        {&bezel, 1004, "bezel"},
        {&value, 1010, "value-button"},
        {&wide, 1011, "value-button-wide-text"},
        {&slot, 1020, "display-slot"},
        {&resource, 1021, "display-resource"},
        {&unframed, 1022, "display-unframed"},
        {&live, 1030, "lamp-live-24x19"},
        {&emulated, 1031, "lamp-emulated-20x20"},
    };
    for (const Item& item : items) {
        if (!item.control->SubclassDlgItem(item.id, &panel)) {
            std::fprintf(stderr, "render-controls: no control %d\n", item.id);
            return 1;
        }
    }
    value.SetText("4660");
    wide.SetText("-2147483648 -2147483648");
    slot.SetText("4");
    resource.SetText("Emulated");
    unframed.SetText("unframed");

    panel.show();
    int failures = 0;
    const auto save = [&](const QImage& image, const QString& name) {
        const QString path = folder + "/" + name + ".png";
        if (image.save(path)) {
            std::printf("%s\n", qPrintable(path));
        } else {
            std::fprintf(stderr, "render-controls: cannot write %s\n", qPrintable(path));
            ++failures;
        }
    };
    for (const Item& item : items) {
        QWidget* wnd = item.control->GetSafeHwnd();
        save(panel.grab(wnd->geometry()).toImage(), item.name);
    }
    const QImage whole = panel.grab().toImage();
    save(whole, "panel");
    save(whole.scaled(whole.size() * 3), "panel-3x");
    return failures == 0 ? 0 : 1;
}
